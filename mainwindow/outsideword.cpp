#include "mainwindow/outsideword.h"

namespace {
// The marks and overrides that turn text around, and the isolates.
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E ||
           u == 0x200F || u == 0x061C;
}

// Punctuation (or white space) that surrounds a word in running text.
// Brackets and quotes of every kind are told by their category; the rest
// are listed, since other punctuation may belong to the word ("C#",
// "100%", "-ism").
bool surrounds(QChar c)
{
    switch (c.category()) {
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
        return true;
    default:
        break;
    }
    static const QString listed = QStringLiteral(
        ",.:;!?\"'`<>\u00a1\u00bf\u2026\u2025\u3001\u3002\uff01\uff02\uff07\uff0c\uff0e\uff1a"
        "\uff1b\uff1c\uff1e\uff1f\uff61\uff64");
    return listed.contains(c) || c.isSpace();
}
} // namespace

QString OutsideWord::clean(const QString &text)
{
    QString word = text;
    word.removeIf([](QChar c) {
        return (c.category() == QChar::Other_Control && !c.isSpace()) || isBidiControl(c);
    });
    word = word.simplified();
    if (word.size() > maxLength) {
        word.truncate(maxLength);
        if (word.back().isHighSurrogate())
            word.chop(1);
        word = word.trimmed();
    }
    return word;
}

QString OutsideWord::fromText(const QString &text)
{
    const QString word = clean(text);
    qsizetype from = 0;
    qsizetype to = word.size();
    while (from < to && surrounds(word.at(from)))
        ++from;
    while (to > from && surrounds(word.at(to - 1)))
        --to;
    if (from == to)
        return word;
    // "U.S." keeps its last stop, "apple." does not.
    const QStringView kept = QStringView(word).mid(from, to - from);
    if (to < word.size() && word.at(to) == u'.' && kept.contains(u'.'))
        ++to;
    return word.mid(from, to - from);
}
