#pragma once

#include <QByteArray>
#include <QString>

// Deterministic Eijiro-format dictionary text in Shift_JIS, for tests and
// benchmarks: sorted heads, labels such as {名-1} and {他動}, multi-word heads,
// sub-items "■・", Japanese bodies, and a sprinkling of hostile lines (< > & ",
// full-width letters, tabs, U+3000, lines that are not entries).
namespace Generator {

struct Options
{
    qint64 lines = 1000;
    bool crlf = false;
    quint64 seed = 1;
};

// Writes the file; false when it cannot be written.
bool write(const QString &path, const Options &options);

// The same text in memory (for small sizes).
QByteArray generate(const Options &options);

// Encodes text as Shift_JIS (CP932), for tests that write their own lines.
QByteArray toShiftJis(const QString &text);

} // namespace Generator
