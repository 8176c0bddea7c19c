#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Deterministic EDICT-format dictionary text, for tests and benchmarks,
// shaped like the real file: its header line, then entries sorted by head,
// kanji heads with their kana readings and kana-only heads, EDICT2 lines
// with several heads or readings (some marked (P) or (iK)) and an EntL
// field, part-of-speech and field tags, numbered senses, common words
// marked (P), and glosses that many entries share ("to eat"), so that the
// lines of a reading or a gloss lie scattered through the file.
namespace EdictGenerator {

enum class Encoding { EucJp, Utf8, ShiftJis };

struct Options
{
    qint64 lines = 1000; // entries, the header not counted
    quint64 seed = 1;
    Encoding encoding = Encoding::EucJp;
};

// The lines, decoded, without their line ends; the header first.
QStringList lines(const Options &options);
// The file's bytes: the lines in the encoding, each ending in LF.
QByteArray generate(const Options &options);
bool write(const QString &path, const Options &options);
// `text` in `encoding`.
QByteArray encode(const QString &text, Encoding encoding);

} // namespace EdictGenerator
