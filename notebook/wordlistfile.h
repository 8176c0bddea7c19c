#pragma once

#include "notebook/cards.h"

#include <QFile>
#include <QString>
#include <QStringDecoder>

#include <memory>
#include <optional>

namespace Eijiro {
class Decoder;
class LineReader;
} // namespace Eijiro

// Reads a word list for the import: a text file of one word a line, in
// UTF-8 (a byte-order mark or none), UTF-16 (with a byte-order mark, or
// plain text whose every other byte is zero) or Shift_JIS. The cards of an
// export read back too: of a line with a tab (or of a file named .csv, a
// record) the front is the word, and the header lines of an export are
// skipped. Memory stays bounded whatever the file holds: a line is read up
// to longestLine bytes, and a longer one is skipped without being held.
// A file that is not text (a NUL byte; bytes no encoding above reads) is
// refused with one line, at its start or where reading meets it.
class WordListFile
{
public:
    static constexpr qint64 longestLine = 64 * 1024;
    // How much of the start tells the encoding.
    static constexpr qint64 sniffed = 64 * 1024;

    explicit WordListFile(const QString &path);
    ~WordListFile();

    // Opens a regular file and tells its encoding; false with error().
    bool open();
    // The next word, white space around it removed; false at the end, or
    // when the rest of the file is refused (error() says why).
    bool next(QString *word);
    // One line: why the file was refused; empty while it was not.
    QString error() const { return m_error; }
    // Lines skipped as too long so far.
    int skipped() const { return m_skipped; }
    // Bytes read so far, and the file's size, for progress.
    qint64 position() const { return m_read; }
    qint64 size() const { return m_size; }

private:
    enum class Encoding { Utf8, ShiftJis, Utf16LE, Utf16BE };
    std::optional<Encoding> sniff(const QByteArray &start, qsizetype *bom);
    bool refuse(const QString &why);
    // The next line, decoded; false at the end or on a refusal.
    bool readLine(QString *line);
    bool readUtf16Line(QString *line);
    // A line of the file as the word it holds; null for none.
    QString wordOf(const QString &line);

    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_read = 0;
    int m_skipped = 0;
    QString m_error;
    Encoding m_encoding = Encoding::Utf8;
    std::unique_ptr<Eijiro::LineReader> m_lines;
    std::unique_ptr<Eijiro::Decoder> m_decoder;
    QStringDecoder m_utf16;
    QString m_pending;  // UTF-16 text decoded but not yet handed out
    bool m_cut = false; // a UTF-16 line too long is being skipped
    // Lines of an export: the card's front is the word.
    std::optional<Cards::Format> m_cards;
    bool m_first = true;
};
