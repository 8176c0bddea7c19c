#pragma once

// The slow, obvious reading of a dictionary line: QRegExp running the four
// original patterns exactly as they were written, each tried once from
// position 0. The fast readings in dictionary/format.h must agree with it on
// every line, whatever bytes it came from, and the renderer's reading of the
// unescaped line with its reading of the escaped one.

#include "dictionary/format.h"

#include <QRegExp>
#include <QString>

namespace Reference {

struct Reading
{
    // Indexer reading.
    bool entry = false;
    QString head, entryWord, key; // key null when the entry word has a space
    // Renderer reading, on the escaped line.
    bool rEntry = false;
    QString rHead, rBody, rWord, rLabel;
    bool rLabelled = false;
};

// HTML escaping written out by hand: "&" first, so the entities the other
// three replacements produce are not escaped again.
inline QString escape(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    out.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return out;
}

inline bool matches(QRegExp &rx, const QString &text)
{
    return rx.indexIn(text, 0, QRegExp::CaretAtZero) != -1;
}

inline Reading read(const QString &line)
{
    const QString m(Eijiro::marker);
    // Fresh objects per call: a QRegExp keeps its last match and must not be
    // shared between threads.
    QRegExp indexLine("^" + m + "(.+)\\s:\\s");
    QRegExp indexHead("^(.+)\\s\\s\\{(.+)\\}$");
    QRegExp renderLine("^" + m + "(.+)\\s:\\s(.+)$");
    QRegExp renderHead("^(.+)\\s\\s\\{([^-]+)(-)*([^-]*)\\}$");

    Reading r;
    if (matches(indexLine, line)) {
        r.entry = true;
        r.head = indexLine.cap(1);
        r.entryWord = matches(indexHead, r.head) ? indexHead.cap(1) : r.head;
        if (r.entryWord.split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive).size() == 1)
            r.key = r.entryWord.toUpper();
    }
    const QString escaped = escape(line);
    if (matches(renderLine, escaped)) {
        r.rEntry = true;
        r.rHead = renderLine.cap(1);
        r.rBody = renderLine.cap(2);
        if (matches(renderHead, r.rHead)) {
            r.rLabelled = true;
            r.rWord = renderHead.cap(1);
            r.rLabel = renderHead.cap(2);
        } else {
            r.rWord = r.rHead;
        }
    }
    return r;
}

// Compares the fast readings of `line` with the reference. Returns the name
// of the first field that differs, or an empty string.
inline QString compare(const QString &line)
{
    const Reading ref = read(line);
    const QString escaped = Eijiro::escape(line);
    if (escaped != escape(line))
        return QStringLiteral("escape");

    Eijiro::IndexerReading in;
    const bool entry = Eijiro::readIndexer(line, &in);
    if (entry != ref.entry)
        return QStringLiteral("indexer: entry line");
    if (entry) {
        if (in.head != ref.head)
            return QStringLiteral("indexer: head");
        if (in.entryWord != ref.entryWord)
            return QStringLiteral("indexer: entry word");
        const QString key = Eijiro::indexKey(in.entryWord);
        if (key != ref.key || key.isNull() != ref.key.isNull())
            return QStringLiteral("indexer: key");
    }

    Eijiro::RendererReading out;
    const bool rEntry = Eijiro::readRenderer(escaped, &out);
    if (rEntry != ref.rEntry)
        return QStringLiteral("renderer: entry line");
    if (rEntry) {
        if (out.head != ref.rHead)
            return QStringLiteral("renderer: head");
        if (out.body != ref.rBody)
            return QStringLiteral("renderer: body");
        if (out.hasLabel != ref.rLabelled)
            return QStringLiteral("renderer: labelled");
        if (out.entryWord != ref.rWord)
            return QStringLiteral("renderer: entry word");
        if (out.label != ref.rLabel || out.label.isNull() != ref.rLabel.isNull())
            return QStringLiteral("renderer: label");
    }

    // The renderer reads the line unescaped and escapes what it shows:
    // escaping first must change none of the cuts.
    Eijiro::RendererReading raw;
    if (Eijiro::readRenderer(line, &raw) != rEntry)
        return QStringLiteral("renderer, unescaped: entry line");
    if (rEntry &&
        (escape(raw.head.toString()) != out.head || escape(raw.body.toString()) != out.body ||
         raw.hasLabel != out.hasLabel || escape(raw.entryWord.toString()) != out.entryWord ||
         escape(raw.label.toString()) != out.label))
        return QStringLiteral("renderer, unescaped: pieces");
    return QString();
}

// The code units of a string, for a report that survives any terminal.
inline QString dump(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += QStringLiteral("%1 ").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return out;
}

} // namespace Reference
