#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>

#include <functional>
#include <optional>

// The Eijiro line format: Shift_JIS text, one entry per line,
//   ■head : body
// where head may end in "  {label-sense}". Everything here is pure and
// thread-safe except the reader and decoder objects, which belong to one thread.
namespace Eijiro {

inline constexpr QChar marker = QChar(0x25A0); // ■

// The encodings a dictionary file may be in.
enum class Encoding {
    ShiftJis,
    Utf8,  // valid throughout, with or without a byte-order mark
    EucJp, // EDICT's
};
// The encoding t_dictionary.encoding names: "UTF-8", or Shift_JIS for the
// empty text (and anything else) that files installed before were given.
Encoding encodingNamed(const QString &recorded);
// What t_dictionary.encoding holds for `encoding`.
QString encodingName(Encoding encoding);

// Decodes one line of a dictionary file. Each line is decoded on its own:
// no state carries over from one call to the next. Shift_JIS goes through
// ICU's, which also knows the CP932 extensions (①, ∫, IBM kanji) real files
// contain. A UTF-8 line loses the byte-order marks before it (a file made
// by joining files may hold several), and a character cut off at its end (a
// cut long line) decodes to nothing, as a Shift_JIS lead byte does. Every
// reader of a file's lines decodes them here.
class Decoder
{
public:
    explicit Decoder(Encoding encoding = Encoding::ShiftJis);
    // For the encoding t_dictionary.encoding names.
    static Decoder forDictionary(const QString &recordedEncoding)
    {
        return Decoder(encodingNamed(recordedEncoding));
    }
    Encoding encoding() const { return m_encoding; }
    bool isValid() const;
    QString decode(QByteArrayView bytes);
    // The same into `line`, whose room is reused: for reading many lines.
    void decode(QByteArrayView bytes, QString *line);
    // The bytes an entry line of this encoding starts with: the marker's.
    bool startsEntryLine(QByteArrayView bytes) const;

private:
    Encoding m_encoding;
    // Made when a line first needs ICU itself: most never do.
    std::optional<QStringDecoder> m_decoder;
};

// Whether `chunk` reads as EUC-JP: nearly every byte that is not ASCII
// belongs to a two-byte (or JIS X 0212 three-byte) character (a stray line
// of Shift_JIS may be among them), a character cut off at the chunk's end
// included.
bool isEucJp(QByteArrayView chunk);

// Checks that a file is UTF-8 throughout as its chunks come, a character
// cut between two chunks included.
class Utf8Check
{
public:
    // Offset in `chunk` of the first byte of the first character that is
    // not UTF-8 (negative where it began in an earlier chunk); none when
    // every character is, as far as it goes.
    std::optional<qsizetype> feed(QByteArrayView chunk);
    // Whether the file may end here: no character is left cut off.
    bool atCharacterEnd() const { return m_needed == 0; }
    // Bytes of the character cut off at the end so far.
    int cutBytes() const { return m_begun; }

private:
    int m_needed = 0;        // continuation bytes the character still needs
    int m_begun = 0;         // its bytes seen so far
    char32_t m_value = 0;    // its code point so far
    char32_t m_smallest = 0; // the smallest it may be with its length
};

// Reads a device line by line as raw bytes: each line up to and including its
// LF, or to the end for a last line without one, with no length limit unless
// one is set. Offsets are 64-bit and counted from the raw lengths. Buffers
// internally, so it reads much faster than QIODevice::readLine.
class LineReader
{
public:
    // Looks at each chunk as it comes from the device, before any line in it
    // is handed out: its offset from where reading began, and its bytes.
    // Returning false ends the reading there, even in the middle of a line,
    // so a caller can refuse a file, or stop, without ever holding a whole
    // line; the reader then reports the end and stopped() is true.
    using ChunkCheck = std::function<bool(qint64 offset, QByteArrayView chunk)>;

    explicit LineReader(QIODevice *device, qint64 bufferSize = 1 << 20);
    void setChunkCheck(ChunkCheck check) { m_check = std::move(check); }
    bool atEnd();
    // The next line, terminator included; empty at the end of the file.
    QByteArray readLine();
    // The same without a copy: valid until the next call.
    QByteArrayView readLineView();
    // Offset of the line that the next readLine() returns.
    qint64 offset() const { return m_offset; }
    // True when a read from the device failed (as opposed to a clean end).
    bool failed() const { return m_failed; }
    // True when the chunk check ended the reading.
    bool stopped() const { return m_stopped; }

    // Bounds for a reader that must not hold or read more than it needs,
    // whatever the file holds (a look-up). A line longer than `bytes` is
    // handed out cut there (a lead byte left at the end decodes to
    // nothing), and the rest of it is skipped unheld; offset() then counts
    // the skipped bytes only once they are read. Unset (negative) by default.
    void setLongestLine(qint64 bytes) { m_longest = bytes; }
    // Whether the line handed out last was cut.
    bool lineCut() const { return m_cut; }
    // Takes no more than `bytes` from the device in all, from now on or
    // from the last restart(); may be raised later. Where the limit falls
    // inside a line, that line is not handed out: readLineView() gives an
    // empty view and limitReached() is true, and after the limit was raised
    // it goes on where it stopped. Unset (negative) by default.
    void setByteLimit(qint64 bytes) { m_limit = bytes; }
    bool limitReached() const { return m_limitReached; }
    // Bytes taken from the device so far.
    qint64 bytesRead() const { return m_read; }
    // After the device was moved (seek): drops what is buffered and reads
    // from where the device now is. What was read before still counts
    // against the byte limit.
    void restart();

private:
    bool fill();
    // Hands out the first bytes of an overlong line; skips the rest later.
    QByteArrayView cutLine();
    // Skips the rest of a cut line; false when it is not all read yet.
    bool skipRest();
    QIODevice *m_device;
    ChunkCheck m_check;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_scanned = 0;
    qint64 m_chunk;
    qint64 m_offset = 0;
    qint64 m_read = 0; // bytes taken from the device so far
    bool m_eof = false;
    bool m_failed = false;
    bool m_stopped = false;
    qint64 m_longest = -1;
    qint64 m_limit = -1;
    bool m_cut = false;
    bool m_skipping = false; // the rest of a cut line is still to be skipped
    bool m_limitReached = false;
};

// Indexer reading: "^■(.+)\s:\s" gives the head, "^(.+)\s\s\{(.+)\}$" on the
// head strips a trailing brace group. Returns false for a line that is not an
// entry line.
struct IndexerReading
{
    QString head;
    QString entryWord;
};
bool readIndexer(const QString &line, IndexerReading *out);
// Whether readIndexer(line) is true, without taking the line apart: for
// counting entry lines.
bool isEntryLine(QStringView line);
// The same reading of a raw Shift_JIS line (as LineReader gives it), with
// the same result as of the whole line decoded. Decodes only as far as the
// head when the bytes alone show where it ends, as in most entry lines.
bool readIndexer(QByteArrayView line, Decoder *decoder, IndexerReading *out);

// Index key of an entry word: the word upper-cased, or a null string when the
// word contains a U+0020 space (such words are not indexed).
QString indexKey(const QString &entryWord);
// Whether an entry word has an index key.
inline bool hasIndexKey(const QString &entryWord)
{
    return !entryWord.contains(QLatin1Char(' '));
}

// Key of an entry word in the list of every entry word, phrases included:
// the word upper-cased, spaces kept. For a word with an index key it is
// that key, and upper-casing a key again leaves it as it is, so a key is
// also its own query key.
// The translation of a decoded entry line: the text after the last
// separator (a colon between two spaces of any kind) that leaves a head of
// one character at least after the marker, as the builder reads the line.
// Empty for a line that is no entry line.
QStringView translationOf(QStringView line);

inline QString entryKey(const QString &entryWord)
{
    return entryWord.toUpper();
}

// Query key of a typed word: just toUpper().
inline QString queryKey(const QString &typed)
{
    return typed.toUpper();
}

// The entry word of `line` when it is an entry line whose entry word has the
// list key `key`; else a null string (the file changed since it was indexed).
QString entryWordFor(const QString &line, const QString &key);
// Whether `line`, raw as read from a dictionary file, is an entry line whose
// entry word has the list key `key` (an index key is one too), read as the
// index builder reads it: whether an offset the index holds for `key` still
// points at that entry. A line a reader cut short (`cut`) can only show that
// its start agrees: the entry word begins right after the marker.
bool lineHasKey(QByteArrayView line, Decoder *decoder, const QString &key, bool cut = false);

// Renderer reading: "^■(.+)\s:\s(.+)$" gives head and body;
// "^(.+)\s\s\{([^-]+)(-)*([^-]*)\}$" on the head gives entry word and label.
// Without a label the entry word is the whole head and `label` is null.
// Escaping the line for HTML first would change none of the cuts, so the
// pieces of the line as read, escaped, are those of the escaped line.
// The pieces are views into the line read, valid while it is: a look-up
// copies only what its page keeps.
struct RendererReading
{
    QStringView head;
    QStringView body;
    QStringView entryWord;
    QStringView label; // null without a label
    bool hasLabel = false;
};
bool readRenderer(QStringView line, RendererReading *out);
// The views would outlive a temporary line.
bool readRenderer(QString &&line, RendererReading *out) = delete;

// The four characters the line escaping replaces: < > & and ".
QString escape(const QString &text);

} // namespace Eijiro
