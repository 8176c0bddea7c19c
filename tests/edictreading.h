#pragma once

// A slow reading of the EDICT format with regular expressions, written
// apart from the program's: what keys a line gives and whether it is common.
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace SlowEdict {

struct Line
{
    QStringList keys;      // heads, readings, glosses' keys, each once, in that order
    QStringList spellings; // each key as the line spells it (a gloss without "to ")
    bool common = false;
    QString heading;     // heads, and the readings in 【】
    QStringList glosses; // without their tags
};

inline QStringList forms(const QString &text, bool *common)
{
    QStringList out;
    for (QString form : text.split(u';')) {
        if (form.contains(QLatin1String("(P)")))
            *common = true;
        out << form.remove(QRegularExpression(QStringLiteral("\\([^)]*\\)")));
    }
    return out;
}

inline std::optional<Line> read(QString text)
{
    static const QRegularExpression entry(
        QStringLiteral("^([^\\s\\[\\]/]+)(?: \\[([^\\]/\\s]+)\\])? /(.*)/\\s*$"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression tags(
        QStringLiteral("^\\s*\\((?:[A-Za-z0-9-]+)(?:,[A-Za-z0-9-]+)*\\)\\s*"));
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    const QRegularExpressionMatch match = entry.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    Line line;
    const QStringList heads = forms(match.captured(1), &line.common);
    const QStringList readings =
        match.captured(2).isEmpty() ? QStringList() : forms(match.captured(2), &line.common);
    line.heading = heads.join(u';');
    if (!readings.isEmpty())
        line.heading += QStringLiteral(" 【%1】").arg(readings.join(u';'));
    const auto add = [&line](const QString &form) {
        if (!line.keys.contains(form.toUpper())) {
            line.keys << form.toUpper();
            line.spellings << form;
        }
    };
    for (const QString &form : heads + readings)
        add(form);
    for (QString gloss : match.captured(3).split(u'/')) {
        if (gloss.trimmed() == QLatin1String("(P)")) {
            line.common = true;
            continue;
        }
        if (gloss.startsWith(QLatin1String("EntL")))
            continue;
        while (tags.match(gloss).hasMatch())
            gloss.remove(0, tags.match(gloss).capturedLength());
        gloss = gloss.trimmed();
        if (!gloss.isEmpty())
            line.glosses << gloss;
        if (gloss.startsWith(QLatin1String("to ")))
            gloss = gloss.mid(3).trimmed();
        if (!gloss.isEmpty())
            add(gloss);
    }
    return line;
}

} // namespace SlowEdict
