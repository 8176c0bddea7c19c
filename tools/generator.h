#pragma once

#include <QByteArray>
#include <QString>

// Deterministic Eijiro-format dictionary text in Shift_JIS or UTF-8, for
// tests and benchmarks, shaped like a real dictionary: sorted words, each followed by
// its phrases (about a third of the lines have an index key, and most
// distinct entry words are phrases), labels such as {名-1} and {他動},
// sub-items "■・", mostly Japanese bodies, entry words in mixed case,
// full-width letters and Japanese, and a sprinkling of hostile lines (< > &
// ", tabs, U+3000, lines that are not entries). With Japanese heads it is
// a Japanese-English dictionary instead: kanji and kana entry words in
// order, their phrases after them, English bodies.
namespace Generator {

struct Options
{
    qint64 lines = 1000;
    bool crlf = false;
    quint64 seed = 1;
    bool japaneseHeads = false;
    // The same text in UTF-8 (no byte-order mark) instead of Shift_JIS.
    bool utf8 = false;
};

// Writes the file; false when it cannot be written.
bool write(const QString &path, const Options &options);

// The same text in memory (for small sizes).
QByteArray generate(const Options &options);

// Encodes text as Shift_JIS (CP932), for tests that write their own lines.
QByteArray toShiftJis(const QString &text);

} // namespace Generator
