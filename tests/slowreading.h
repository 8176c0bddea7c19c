#pragma once

// A slow, obvious reading of a dictionary file for the word list and its
// entry pages: the original patterns (QRegExp) on each line, keys sorted by
// code point, the first line of each key.

#include "fuzz/reference.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

struct Slow
{
    QStringList lines; // decoded, terminators kept
    QList<qint64> offsets;
    QStringList keys;          // each once, in code point order
    QHash<QString, int> first; // key -> its first entry line
    QHash<QString, QString> shown;

    explicit Slow(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        // UTF-8 when the whole file is, else Shift_JIS.
        QStringDecoder whole("UTF-8");
        const QString decoded = whole.decode(file.readAll());
        const bool utf8 = !whole.hasError();
        file.seek(0);
        for (qint64 offset = 0; !file.atEnd();) {
            QByteArray bytes = file.readLine();
            QStringDecoder decoder(utf8 ? "UTF-8" : "Shift_JIS");
            lines << decoder.decode(bytes);
            while (utf8 && lines.last().startsWith(QChar(0xFEFF)))
                lines.last().remove(0, 1);
            offsets << offset;
            offset += bytes.size();
            const Reference::Reading reading = Reference::read(lines.last());
            const QString key = reading.entryWord.toUpper();
            if (reading.entry && !first.contains(key)) {
                first.insert(key, int(lines.size() - 1));
                shown.insert(key, reading.entryWord);
                keys << key;
            }
        }
        std::sort(keys.begin(), keys.end(),
                  [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    }

    // The shown forms from `text` on; `singleWords` as without t_entry.
    QStringList list(const QString &text, int limit, bool singleWords = false) const
    {
        QStringList out;
        const QList<uint> from = text.toUpper().toUcs4();
        for (const QString &key : keys) {
            if (out.size() < limit && key.toUcs4() >= from && !(singleWords && key.contains(' ')))
                out << shown[key];
        }
        return out;
    }

    // The page of a typed word: the window from the first line of its key.
    Page typed(const QString &word) const
    {
        const QString key = word.toUpper();
        ResultRenderer renderer(word);
        if (first.contains(key) && !key.contains(' ')) {
            for (int i = first[key]; i < first[key] + SearchThread::windowLines && i < lines.size();
                 ++i)
                renderer.renderLine(lines[i]);
        }
        return renderer.finish();
    }

    // The page of the entry with `key`, its first line's entry word (or
    // `word`) highlighted.
    Page entry(const QString &key, const QString &word = QString()) const
    {
        ResultRenderer renderer(word.isNull() ? shown[key] : word);
        for (int i = first[key]; i < first[key] + SearchThread::windowLines && i < lines.size();
             ++i)
            renderer.renderLine(lines[i]);
        return renderer.finish();
    }

    // A section of a page of several: the lines of `key` from its first
    // one (with `own`), `window` of them rendered for `word` and a More
    // block when more follow; then the entry words after them, each once
    // in a row, ten at most. Without a line of the key, with `prefix`, the
    // words from the first key in key order that begins with it. `count`
    // gets how many lines of the key there are; empty when nothing shows.
    Page section(const QString &key, const QString &word, bool own, bool prefix, int window,
                 int *count) const
    {
        *count = 0;
        Page page;
        int i = -1;
        if (own && first.contains(key)) {
            ResultRenderer renderer(word);
            for (i = first[key];
                 i < lines.size() && Reference::read(lines[i]).entryWord.toUpper() == key; ++i) {
                if (++*count <= window)
                    renderer.renderLine(lines[i]);
            }
            page = renderer.finish();
            if (*count > window)
                page.blocks.append({PageBlock::More, word, {}});
        } else if (prefix) {
            const auto from = std::find_if(keys.cbegin(), keys.cend(),
                                           [&](const QString &k) { return k.startsWith(key); });
            i = from == keys.cend() ? -1 : first[*from];
        }
        QStringList words;
        for (; i >= 0 && i < lines.size() && words.size() < SearchThread::foldedWords; ++i) {
            const Reference::Reading reading = Reference::read(lines[i]);
            if (reading.entry && (words.isEmpty() || words.last() != reading.entryWord))
                words << reading.entryWord;
        }
        PageBlock then{PageBlock::Then, QString(), {}};
        for (const QString &w : std::as_const(words)) {
            if (!then.text.isEmpty())
                then.cuts << then.text.size();
            then.text += w;
        }
        if (!words.isEmpty())
            page.blocks.append(then);
        return page;
    }

    QString page(const QString &key, const QString &word = QString()) const
    {
        return PageHtml::write(entry(key, word));
    }
};

// The word list of several dictionaries, slowly: each key of `readings`
// once, in code point order, spelt as the first of them that has it.
inline QStringList mergedList(const QList<const Slow *> &readings, const QString &text, int limit)
{
    QMap<QList<uint>, QString> keys;
    for (auto reading = readings.crbegin(); reading != readings.crend(); ++reading) {
        for (const QString &key : (*reading)->keys) {
            if (key.toUcs4() >= text.toUpper().toUcs4())
                keys.insert(key.toUcs4(), (*reading)->shown[key]);
        }
    }
    return keys.values().mid(0, limit);
}

// The lines found in entries, slowly: every entry line (the reference
// reading) whose decoded text, without its line end, QString::contains
// ignoring case, as "entry word TAB text".
struct SlowGrep
{
    QStringList rows;
    QStringList texts;

    explicit SlowGrep(const Slow &slow)
    {
        for (const QString &line : slow.lines) {
            const Reference::Reading reading = Reference::read(line);
            QString text = line;
            if (text.endsWith(u'\n'))
                text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
            if (reading.entry) {
                rows << reading.entryWord + u'\t' + text;
                texts << text;
            }
        }
    }

    QStringList grep(const QString &text) const
    {
        QStringList out;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (texts[i].contains(text, Qt::CaseInsensitive))
                out << rows[i];
        }
        return out;
    }
};
