#include "dictionary/convertthread.h"

#include "database/dictionarysettings.h"
#include "database/diskroom.h"
#include "database/indexwriter.h"
#include "database/installeddictionaries.h"
#include "database/workerconnection.h"
#include "dictionary/commonnesscount.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QSet>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QMutex registryMutex;
QSet<ConvertThread *> registry;

// A piece of a batch's bytes; absent when `size` is negative.
struct Span
{
    qsizetype at = 0;
    qsizetype size = -1;

    bool isNull() const { return size < 0; }
};

// One entry line as the reading side hands it to the writing side: the rows
// it makes, a progress step, or both. Its texts live in its batch's bytes.
struct EntryLine
{
    qint64 offset;
    int row;      // entry lines counted before this one
    int percent;  // -1 when the percentage did not change
    bool listed;  // its key goes to the list: the entry line before had another
    bool indexed; // its key is also a t_word name
    Span key;     // its entry word's key, UTF-8, when either row needs it
    Span line;    // the raw line, for the diagnostics of a failed t_word row

    bool writesNothing() const { return !listed && !indexed && percent < 0; }
};

// A key of a line whose format lists every line with the key (t_key).
struct KeyLine
{
    qint64 offset;
    int rank; // 0 for a common line
    Span key;
};

// Entry lines with their texts in one buffer: a few allocations per
// thousands of rows, and the bytes bound to SQLite as they are.
struct Batch
{
    std::vector<EntryLine> lines;
    std::vector<KeyLine> keys;
    std::vector<Span> listedKeys; // of the lines' keys, beside each line's own
    std::vector<qint64> listedAt;
    QByteArray bytes;
    Eijiro::Encoding encoding = Eijiro::Encoding::ShiftJis; // of the lines' bytes

    QByteArrayView view(Span span) const
    {
        if (span.isNull())
            return QByteArrayView();
        return QByteArrayView(bytes.constData() + span.at, span.size);
    }
    Span append(QByteArrayView data)
    {
        const Span span{bytes.size(), data.size()};
        bytes.append(data);
        return span;
    }
    void clear()
    {
        lines.clear();
        keys.clear();
        listedKeys.clear();
        listedAt.clear();
        bytes.resize(0); // keeps the capacity for the next use
    }
};

// How reading the file, and writing its rows, ended.
struct Reading
{
    // NotFinished when the whole file was read; else why reading stopped.
    ConvertThread::Outcome outcome = ConvertThread::NotFinished;
    int count = 0;     // entry lines read
    qint64 nulAt = -1; // offset of the first NUL byte (NotText), or of the first
                       // byte that cannot be UTF-8 (NotUtf8)
    Eijiro::Encoding encoding = Eijiro::Encoding::ShiftJis;
    QString insertError; // why the writing side gave up (InsertFailed)
    QByteArray content;  // the hash of every byte read (FileIdentity::content)
};

// Hands batches of entry lines from the reading thread to the writing one.
// Bounded, so a slow disk or a slow database never lets memory grow.
// Standard mutex and condition variable rather than Qt's: ThreadSanitizer
// sees every step of these, while QWaitCondition unlocks a QMutex inside a
// Qt library built without it and so cannot be checked.
class Pipe
{
public:
    void push(Batch &&batch)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(lock, [this] { return m_batches.size() < maxBatches; });
        m_batches.push_back(std::move(batch));
        m_notEmpty.notify_one();
    }
    void close(const Reading &reading)
    {
        std::lock_guard lock(m_mutex);
        m_reading = reading;
        m_closed = true;
        m_notEmpty.notify_one();
    }
    // False once the reader has closed the pipe and every batch was taken.
    bool pop(Batch *batch)
    {
        std::unique_lock lock(m_mutex);
        m_notEmpty.wait(lock, [this] { return !m_batches.empty() || m_closed; });
        if (m_batches.empty())
            return false;
        *batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_notFull.notify_one();
        return true;
    }
    // A batch whose rows are written goes back to the reader to be filled
    // again: its buffers are reused, never freed on the other thread.
    void giveBack(Batch &&batch)
    {
        batch.clear();
        std::lock_guard lock(m_mutex);
        if (m_spare.size() < maxBatches + 2)
            m_spare.push_back(std::move(batch));
    }
    Batch emptyBatch()
    {
        std::lock_guard lock(m_mutex);
        if (m_spare.empty())
            return Batch();
        Batch batch = std::move(m_spare.back());
        m_spare.pop_back();
        return batch;
    }
    // Valid once pop() has returned false.
    const Reading &reading() const { return m_reading; }

private:
    static constexpr size_t maxBatches = 4;
    std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<Batch> m_batches;
    std::vector<Batch> m_spare;
    Reading m_reading;
    bool m_closed = false;
};

constexpr size_t batchSize = 4096;
constexpr qint64 chunkSize = 1 << 20;

// Whether a chunk just read from the file refuses the whole file. Checked as
// each chunk arrives, before its lines are split off, so a file of zeros or
// one endless line is refused after one chunk, not after it was held whole.
ConvertThread::Outcome refusal(qint64 offset, QByteArrayView chunk, qint64 *nulAt)
{
    // Its NUL bytes would call it binary, not what it is.
    if (offset == 0 && (chunk.startsWith("\xFF\xFE") || chunk.startsWith("\xFE\xFF")))
        return ConvertThread::Utf16;
    // Shift_JIS and UTF-8 text never hold a NUL byte: this is not a dictionary.
    if (const void *nul = std::memchr(chunk.data(), 0, size_t(chunk.size()))) {
        *nulAt = offset + (static_cast<const char *>(nul) - chunk.data());
        return ConvertThread::NotText;
    }
    // Line ends of CR alone (old Mac text) would make the whole file one line.
    // Such a file is recognised by its first chunk, the first MiB (or all of
    // a smaller file): it holds a CR but no LF. Dictionary lines are far
    // shorter than that, so a file with LF or CR LF ends always shows an LF
    // there, even with a stray CR inside a line.
    if (offset == 0 && !chunk.contains('\n') && chunk.contains('\r'))
        return ConvertThread::CrLineEnds;
    return ConvertThread::NotFinished;
}

// Tells the file's encoding from its bytes as they come. UTF-8 when it
// starts with a byte-order mark, or when its first run of bytes that are not
// ASCII (up to the next ASCII byte) is UTF-8: from then on every byte must be
// UTF-8, and the first that is not refuses the file, wherever it lies.
// Shift_JIS otherwise, where any byte is read as the decoder reads it; a
// Shift_JIS dictionary's first such run, the marker's two bytes, is never
// UTF-8. Lines of ASCII alone are no entry lines in either, and the line
// that holds the deciding run is handed out only once the run has ended (in
// its chunk, or in the next one), so every entry line is read in the
// encoding decided.
class EncodingSniffer
{
public:
    // NotFinished, or the outcome that refuses the file with the offset of
    // the first byte that is not UTF-8 in `at`.
    ConvertThread::Outcome look(qint64 offset, QByteArrayView chunk, qint64 *at)
    {
        if (offset == 0 && chunk.startsWith("\xEF\xBB\xBF"))
            m_state = Utf8;
        qsizetype from = 0;
        if (m_state == Ascii) {
            const auto first =
                std::find_if(chunk.begin(), chunk.end(), [](char c) { return quint8(c) >= 0x80; });
            if (first == chunk.end())
                return ConvertThread::NotFinished;
            from = first - chunk.begin();
            m_state = FirstRun;
        }
        if (m_state == ShiftJis)
            return ConvertThread::NotFinished;
        const std::optional<qsizetype> bad = m_utf8.feed(chunk.sliced(from));
        if (m_state == FirstRun) {
            const auto ascii = std::find_if(chunk.begin() + from, chunk.end(),
                                            [](char c) { return quint8(c) < 0x80; });
            // A character cut off by the ASCII byte after the run began in it.
            if (bad && from + *bad < ascii - chunk.begin()) {
                m_state = ShiftJis;
                return ConvertThread::NotFinished;
            }
            if (ascii == chunk.end())
                return ConvertThread::NotFinished; // the run goes on in the next chunk
            m_state = Utf8;
        }
        if (!bad)
            return ConvertThread::NotFinished;
        *at = offset + from + *bad;
        return ConvertThread::NotUtf8;
    }
    // After the last chunk, at `end`: where a UTF-8 file's last character,
    // cut off, begins; -1 when the file is whole.
    qint64 cutAt(qint64 end) const
    {
        return m_state == Utf8 && !m_utf8.atCharacterEnd() ? end - m_utf8.cutBytes() : -1;
    }
    Eijiro::Encoding encoding() const
    {
        return m_state == Utf8 ? Eijiro::Encoding::Utf8 : Eijiro::Encoding::ShiftJis;
    }

private:
    // Ascii until the first byte that is not; FirstRun while the run of such
    // bytes it starts goes on.
    enum State { Ascii, FirstRun, Utf8, ShiftJis };
    State m_state = Ascii;
    Eijiro::Utf8Check m_utf8;
};

// Turns the file's raw lines into entry lines: decoded, read as the file's
// format reads them, keyed, and with the progress each one means.
class EntryParser
{
public:
    EntryParser(qint64 fileSize, int type)
        : m_fileSize(fileSize), m_format(DictionaryFormat::make(type))
    {
    }

    // False for a line that is no entry line; else adds it to `batch`.
    bool parse(qint64 offset, QByteArrayView bytes, int row, Batch *batch)
    {
        if (!m_format->readKeys(bytes, &m_decoder, &m_keys))
            return false;
        // The file may grow while it is read; never report 100 early.
        const int percent = m_fileSize > 0 ? int(qMin<qint64>(offset * 100 / m_fileSize, 99)) : 0;
        const bool changed = percent != m_lastPercent;
        m_lastPercent = percent;
        // The senses of one word follow one another: their key goes to the
        // list once, with the first of them. The index key is the same text.
        const QString &key = m_keys.keys.first();
        const bool listed = key != m_lastEntryKey;
        const bool indexed = !m_keys.wordKey.isNull();
        m_lastEntryKey = key;
        EntryLine entry{offset, row, changed ? percent : -1, listed, indexed, {}, {}};
        batch->encoding = m_decoder.encoding();
        if (m_format->listsEveryLine()) {
            const int rank = m_keys.common ? 0 : 1;
            for (qsizetype i = 0; i < m_keys.keys.size(); ++i) {
                const Span span = appendUtf8(m_keys.keys.at(i), batch);
                batch->keys.push_back({offset, rank, span});
                // The first key is the line's own, listed with it.
                if (i > 0) {
                    batch->listedKeys.push_back(span);
                    batch->listedAt.push_back(offset);
                }
            }
            // The first key's span serves t_word and the list.
            if (listed || indexed)
                entry.key = batch->keys[batch->keys.size() - size_t(m_keys.keys.size())].key;
        } else if (entry.writesNothing()) {
            return true;
        } else if (listed || indexed) {
            entry.key = appendUtf8(key, batch);
        }
        // Only a t_word row that fails is reported with its line.
        if (indexed)
            entry.line = batch->append(bytes);
        batch->lines.push_back(entry);
        return true;
    }
    void setEncoding(Eijiro::Encoding encoding)
    {
        if (encoding != m_decoder.encoding())
            m_decoder = Eijiro::Decoder(encoding);
    }
    const DictionaryFormat &format() const { return *m_format; }

private:
    Span appendUtf8(const QString &text, Batch *batch)
    {
        QByteArray &bytes = batch->bytes;
        const qsizetype at = bytes.size();
        bytes.resize(at + m_utf8.requiredSpace(text.size()));
        const char *end = m_utf8.appendToBuffer(bytes.data() + at, text);
        bytes.resize(end - bytes.constData());
        return {at, bytes.size() - at};
    }

    const qint64 m_fileSize;
    std::unique_ptr<DictionaryFormat> m_format;
    Eijiro::Decoder m_decoder;
    QStringEncoder m_utf8{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    DictionaryFormat::LineKeys m_keys;
    int m_lastPercent = -1;
    QString m_lastEntryKey;
};

// The reading side: reads, decodes and parses the file's lines and hands the
// entry lines to the writing side through `pipe`. Checks the stop requests
// once per line, after the end-of-file test, and between the chunks of a
// long line.
void readEntries(QFile *file, int type, const std::atomic_bool &canceled,
                 const std::atomic_bool &stopReading, Pipe *pipe)
{
    Reading reading;
    const auto stopRequested = [&] { return canceled || stopReading; };
    Eijiro::LineReader lines(file, chunkSize);
    EntryParser parser(file->size(), type);
    EncodingSniffer sniffer;
    // What the format makes of a file that is not UTF-8, told by its first chunk.
    std::optional<Eijiro::Encoding> legacy;
    DictionaryFile::ContentHash content;
    Eijiro::Encoding encoding = Eijiro::Encoding::ShiftJis;
    lines.setChunkCheck([&](qint64 offset, QByteArrayView chunk) {
        if (stopRequested())
            return false;
        content.add(chunk);
        reading.outcome = refusal(offset, chunk, &reading.nulAt);
        if (reading.outcome == ConvertThread::NotFinished)
            reading.outcome = sniffer.look(offset, chunk, &reading.nulAt);
        if (!legacy)
            legacy = parser.format().encodingOf(chunk, Eijiro::Encoding::ShiftJis);
        encoding = sniffer.encoding() == Eijiro::Encoding::Utf8 ? Eijiro::Encoding::Utf8 : *legacy;
        parser.setEncoding(encoding);
        return reading.outcome == ConvertThread::NotFinished;
    });
    Batch batch;
    bool interrupted = false;
    // The end first: a stop request after the last line changes nothing.
    while (!lines.atEnd()) {
        if (stopRequested()) {
            interrupted = true;
            break;
        }
        const qint64 offset = lines.offset();
        const QByteArrayView bytes = lines.readLineView();
        if (lines.stopped())
            break;
        if (!parser.parse(offset, bytes, reading.count, &batch))
            continue;
        ++reading.count;
        if (batch.lines.size() >= batchSize) {
            pipe->push(std::move(batch));
            batch = pipe->emptyBatch();
        }
    }
    if (lines.stopped() && reading.outcome == ConvertThread::NotFinished)
        interrupted = true;
    if (interrupted) // by the user, or by the writing side, whose error then counts
        reading.outcome = canceled ? ConvertThread::Canceled : ConvertThread::InsertFailed;
    else if (reading.outcome == ConvertThread::NotFinished && lines.failed())
        reading.outcome = ConvertThread::ReadFailed;
    else if (reading.outcome == ConvertThread::NotFinished && sniffer.cutAt(lines.offset()) >= 0) {
        reading.outcome = ConvertThread::NotUtf8;
        reading.nulAt = sniffer.cutAt(lines.offset());
    }
    reading.encoding = encoding;
    reading.content = content.result();
    if (!batch.lines.empty())
        pipe->push(std::move(batch));
    pipe->close(reading);
}

// Writes the rows of one batch of entry lines, each table's in file order.
// An index row that clashes with one already there costs only its line,
// which is reported; false when nothing can be written at all.
// The t_key rows of a whole build, kept until the file is read: written in
// the order of their primary key, each lands at the end of the table, where
// rows in file order would land all over it (every reading and gloss a
// line has) and cost SQLite many times as much.
class KeyRows
{
public:
    void add(const Batch &batch)
    {
        for (const KeyLine &key : batch.keys) {
            const QByteArrayView text = batch.view(key.key);
            m_rows.push_back({key.offset, m_bytes.size(), int(text.size()), key.rank});
            m_bytes.append(text);
        }
    }
    // Writes them sorted as t_key's primary key sorts them: name (BINARY,
    // so the UTF-8 bytes), rank, position; a part at a time.
    IndexWriter::Insert insertInto(IndexWriter &database)
    {
        const auto name = [this](const Row &row) {
            return QByteArrayView(m_bytes.constData() + row.at, row.size);
        };
        std::sort(m_rows.begin(), m_rows.end(), [&](const Row &a, const Row &b) {
            const int order = QtPrivate::compareMemory(name(a), name(b));
            return order != 0         ? order < 0
                   : a.rank != b.rank ? a.rank < b.rank
                                      : a.position < b.position;
        });
        std::vector<IndexWriter::KeyRow> part;
        for (size_t from = 0; from < m_rows.size(); from += batchSize) {
            part.clear();
            for (size_t i = from; i < std::min(m_rows.size(), from + batchSize); ++i)
                part.push_back({m_rows[i].position, name(m_rows[i]), m_rows[i].rank});
            if (database.insertKeys(part) != IndexWriter::Insert::Written)
                return IndexWriter::Insert::Failed;
        }
        return IndexWriter::Insert::Written;
    }

private:
    struct Row
    {
        qint64 position;
        qint64 at;
        int size;
        int rank;
    };
    QByteArray m_bytes;
    std::vector<Row> m_rows;
};

class RowWriter
{
public:
    RowWriter(IndexWriter &database, KeyRows *keys) : m_database(database), m_keys(keys) {}

    bool write(const Batch &batch)
    {
        m_entries.clear();
        m_words.clear();
        m_wordLines.clear();
        m_keys->add(batch);
        for (const EntryLine &entry : batch.lines) {
            const QByteArrayView key = batch.view(entry.key);
            if (entry.listed)
                m_entries.push_back({entry.offset, key});
            if (entry.indexed) {
                m_words.push_back({entry.offset, key});
                m_wordLines.push_back(&entry);
            }
        }
        using Insert = IndexWriter::Insert;
        using Table = IndexWriter::RowTable;
        for (size_t i = 0; i < batch.listedKeys.size(); ++i)
            m_entries.push_back({batch.listedAt[i], batch.view(batch.listedKeys[i])});
        if (m_database.insertRows(Table::Entries, m_entries, [](size_t, Insert) {}) !=
            Insert::Written)
            return false;

        const auto refused = [&](size_t index, Insert) {
            const EntryLine &entry = *m_wordLines[index];
            qDebug() << "row =" << entry.row << "["
                     << Eijiro::Decoder(batch.encoding).decode(batch.view(entry.line)) << "]";
            qDebug() << "id =" << m_database.id() << ", position =" << entry.offset
                     << ", name =" << QString::fromUtf8(batch.view(entry.key));
        };
        return m_database.insertRows(Table::Words, m_words, refused) == Insert::Written;
    }

private:
    IndexWriter &m_database;
    std::vector<IndexWriter::Row> m_entries, m_words;
    KeyRows *m_keys;
    std::vector<const EntryLine *> m_wordLines;
};

// The writing side: inserts the rows coming through `pipe` and reports each
// new percentage once its batch is written. Returns the error that made it
// give up (null when none): it then sets `stopReading` and drains the pipe.
QString insertRows(IndexWriter &database, Pipe *pipe, std::atomic_bool *stopReading,
                   const std::function<void(int)> &progress, KeyRows *keys)
{
    QString error;
    RowWriter writer(database, keys);
    Batch batch;
    while (pipe->pop(&batch)) {
        if (!error.isNull())
            continue; // drain, so the reader is never left blocked
        if (!writer.write(batch)) {
            error = database.lastError();
            *stopReading = true;
            continue;
        }
        for (const EntryLine &entry : batch.lines) {
            if (entry.percent >= 0)
                progress(entry.percent);
        }
        pipe->giveBack(std::move(batch));
    }
    return error;
}

// Reads the file on a thread of its own while this one inserts, so the
// disk, the decoder and SQLite work side by side.
Reading readAndInsert(QFile *file, int type, IndexWriter &database,
                      const std::atomic_bool &canceled, const std::function<void(int)> &progress)
{
    std::atomic_bool stopReading{false}; // set when inserting cannot go on at all
    Pipe pipe;
    std::thread reader([&] { readEntries(file, type, canceled, stopReading, &pipe); });
    KeyRows keys;
    QString insertError = insertRows(database, &pipe, &stopReading, progress, &keys);
    reader.join();
    Reading reading = pipe.reading();
    // The file read whole: the key rows, in their table's order.
    if (insertError.isNull() && reading.outcome == ConvertThread::NotFinished &&
        keys.insertInto(database) != IndexWriter::Insert::Written)
        insertError = database.lastError();
    // The reader may have reached the end before the writer gave up.
    if (!insertError.isNull()) {
        reading.outcome = ConvertThread::InsertFailed;
        reading.insertError = insertError;
    }
    return reading;
}

// How a build ends after reading: NotFinished when it goes on to register
// the dictionary, else the outcome to roll back with and its detail.
struct Ending
{
    ConvertThread::Outcome outcome;
    QString detail;
};

Ending howReadingEnded(const Reading &reading, const QFile &file, const QString &path)
{
    switch (reading.outcome) {
    case ConvertThread::NotFinished:
        break;
    case ConvertThread::InsertFailed: // reported with its row
        return {ConvertThread::InsertFailed, reading.insertError};
    case ConvertThread::Canceled:
        qDebug() << "Convert thread was canceled.";
        return {ConvertThread::Canceled, {}};
    case ConvertThread::NotText:
        qDebug() << "ConvertThread::run failed." << path << "holds a NUL byte at" << reading.nulAt;
        return {ConvertThread::NotText, QString::number(reading.nulAt)};
    case ConvertThread::CrLineEnds:
        qDebug() << "ConvertThread::run failed." << path << "ends its lines with CR alone";
        return {ConvertThread::CrLineEnds, {}};
    case ConvertThread::NotUtf8:
        qDebug() << "ConvertThread::run failed." << path << "is not UTF-8 at" << reading.nulAt;
        return {ConvertThread::NotUtf8, QString::number(reading.nulAt)};
    case ConvertThread::Utf16:
        qDebug() << "ConvertThread::run failed." << path << "is in UTF-16";
        return {ConvertThread::Utf16, {}};
    case ConvertThread::ReadFailed:
    default:
        qDebug() << "QFile::read failed." << file.errorString();
        return {ConvertThread::ReadFailed, file.errorString()};
    }
    // Not one entry line: not a dictionary, whatever else the file holds.
    if (reading.count == 0) {
        qDebug() << "ConvertThread::run failed." << path << "holds no entry line";
        return {ConvertThread::NoEntryLines, {}};
    }
    return {ConvertThread::NotFinished, {}};
}

} // namespace

ConvertThread::ConvertThread()
{
    QMutexLocker lock(&registryMutex);
    registry.insert(this);
}

ConvertThread::~ConvertThread()
{
    QMutexLocker lock(&registryMutex);
    registry.remove(this);
}

void ConvertThread::setDictionary(const QString &name, const QString &file)
{
    m_name = name;
    m_file = file.isEmpty() ? file : QFileInfo(file).absoluteFilePath();
}

bool ConvertThread::settleName()
{
    if (m_name.isNull()) {
        m_name = DictionarySettings::nameOfFile(m_file);
        return true;
    }
    QString error;
    const QString name = DictionarySettings::cleanName(m_name, &error);
    if (name.isNull()) {
        qDebug() << "ConvertThread::run failed." << error;
        finish(NameRefused, error);
        return false;
    }
    m_name = name;
    return true;
}

void ConvertThread::setRebuild(int id)
{
    m_rebuild = id;
}

void ConvertThread::cancel()
{
    canceled = true;
}

QString ConvertThread::errorString() const
{
    // One arg() call per text: a file name holding "%1" stays as it is.
    switch (m_outcome.load()) {
    case NotFinished:
    case Committed:
        return QString();
    case Canceled:
        return tr("canceled");
    case TransactionFailed:
        return tr("cannot begin a transaction on the database: %1").arg(m_detail);
    case FileOpenFailed:
        if (m_file.isEmpty())
            return tr("no dictionary file was named");
        return tr("cannot open %1: %2").arg(m_file, m_detail);
    case ReadFailed:
        return tr("cannot read %1: %2").arg(m_file, m_detail);
    case NotText:
        return tr("%1 is not a dictionary text file (binary data at byte %2)")
            .arg(m_file, m_detail);
    case InsertFailed:
        return tr("cannot write the index: %1").arg(m_detail);
    case DecoderMissing:
        return tr("no Shift_JIS decoder is available");
    case FinalInsertFailed:
        return tr("cannot register the dictionary: %1").arg(m_detail);
    case CommitFailed:
        return tr("cannot commit the index: %1").arg(m_detail);
    case NotRegularFile:
        return tr("%1 is not a dictionary text file but a folder, a device or a pipe").arg(m_file);
    case NoEntryLines:
        if (m_builtType == DictionaryFormat::Edict)
            return tr("%1 holds no dictionary entry: an EDICT file in EUC-JP, UTF-8 or Shift_JIS "
                      "is expected, one entry per line (KANJI [KANA] /gloss/gloss/)")
                .arg(m_file);
        return tr("%1 holds no dictionary entry: an Eijiro-format text file in Shift_JIS or "
                  "UTF-8 is expected, one entry per line (■word : translation)")
            .arg(m_file);
    case NotUtf8:
        return tr("%1 is not valid UTF-8 from byte %2 on: Orvel reads dictionary files in "
                  "Shift_JIS or in UTF-8 throughout")
            .arg(m_file, m_detail);
    case Utf16:
        return tr("%1 is in UTF-16: Orvel reads dictionary files in Shift_JIS or in UTF-8; "
                  "please convert it to one of them")
            .arg(m_file);
    case CrLineEnds:
        return tr("%1 ends its lines with CR alone: an Eijiro-format text file with CR LF or LF "
                  "line ends is expected")
            .arg(m_file);
    case AlreadyInstalled:
        return tr("%1 is installed already, as dictionary %2").arg(m_file, m_detail);
    case NoRoom:
        return tr("not enough free space on the disk of %1: the index needs %2, %3 are free")
            .arg(m_detail, QLocale().formattedDataSize(m_needed),
                 QLocale().formattedDataSize(m_available));
    case CheckpointFailed:
        return tr("the dictionary was installed, but %1").arg(m_detail);
    case NotInstalled:
        return tr("no dictionary with id %1 is installed").arg(m_detail);
    case NameRefused:
        return m_detail;
    }
    return QString();
}

void ConvertThread::stopAll()
{
    QList<ConvertThread *> running;
    {
        QMutexLocker lock(&registryMutex);
        for (ConvertThread *t : std::as_const(registry)) {
            t->cancel();
            running << t;
        }
    }
    for (ConvertThread *t : std::as_const(running))
        t->wait();
}

void ConvertThread::finish(Outcome outcome, const QString &detail)
{
    m_detail = detail;
    m_outcome = outcome;
}

void ConvertThread::rollBack(IndexWriter &writer, Outcome outcome, const QString &detail)
{
    writer.rollback();
    // What the build wrote to the log before it failed (on a full disk,
    // all the room there was) is given back at once.
    DiskRoom(writer.connection()).truncateLog();
    finish(outcome, detail);
}

DictionaryFormat::Type ConvertThread::recogniseType(QFile *file)
{
    // The first lines tell; a dictionary's are far shorter than this.
    const QByteArray start = file->read(64 << 10);
    const bool whole = file->atEnd();
    file->seek(0);
    return DictionaryFormat::recognise(start, whole);
}

void ConvertThread::run()
{
    m_outcome = NotFinished;
    m_id = 0;
    m_builtType = 0;
    if (m_rebuild == 0 && !settleName())
        return;
    if (m_rebuild != 0 && !findRegisteredFile())
        return;
    // The file before the database: a folder, device or FIFO is refused
    // without ever taking the write lock, which would keep every other
    // installation out while nothing happens.
    QFile file;
    FileIdentity identity;
    if (!checkAndOpen(&file, &identity))
        return;
    if (m_builtType == 0)
        m_builtType = m_type != 0 ? m_type : int(recogniseType(&file));
    WorkerConnection connection;
    IndexWriter writer(connection.database());
    if (!beginBuild(writer, &file, identity))
        return;
    const Reading reading = readAndInsert(&file, m_builtType, writer, canceled,
                                          [this](int percent) { emit frameChanged(percent); });
    const Ending ending = howReadingEnded(reading, file, m_file);
    if (ending.outcome != NotFinished)
        return rollBack(writer, ending.outcome, ending.detail);
    identity.content = reading.content;
    registerAndCommit(writer, reading.count, Eijiro::encodingName(reading.encoding), identity);
    if (m_outcome == Committed || m_outcome == CheckpointFailed)
        countCommonness(reading.encoding);
}

void ConvertThread::countCommonness(Eijiro::Encoding encoding)
{
    // The dictionary is installed and usable already: a count that does
    // not end leaves its keys in key order, as before counting.
    QString error;
    CommonnessCount::Result result = CommonnessCount::count(
        m_id, m_file, encoding, canceled, &error, CommonnessCount::lineCounterFor(m_builtType));
    // The other dictionaries' lines hold this one's keys too.
    if (result == CommonnessCount::Result::Stored)
        result = CommonnessCount::countOthers(m_id, canceled, &error);
    switch (result) {
    case CommonnessCount::Result::Stored:
        break;
    case CommonnessCount::Result::Canceled:
        qDebug() << "Counting common words was canceled.";
        break;
    case CommonnessCount::Result::Failed:
        qDebug() << "Counting common words failed." << error;
        break;
    }
}

bool ConvertThread::findRegisteredFile()
{
    WorkerConnection connection;
    InstalledDictionaries database(connection.database());
    Records::Registration installed;
    const Records::Answer answer = database.registration(m_rebuild, &installed);
    Records::Installed dictionary;
    if (answer == Records::Answer::Found &&
        database.find(m_rebuild, &dictionary) != Records::Answer::Failed) {
        m_file = installed.location;
        m_builtType = dictionary.type;
        return true;
    }
    if (answer == Records::Answer::None)
        finish(NotInstalled, QString::number(m_rebuild));
    else
        finish(TransactionFailed, database.lastError());
    return false;
}

bool ConvertThread::checkAndOpen(QFile *file, FileIdentity *identity)
{
    QString reason;
    const DictionaryFile::Status status = DictionaryFile::open(file, m_file, &reason);
    if (status != DictionaryFile::Opened) {
        qDebug() << "QFile::open failed.";
        finish(status == DictionaryFile::NotRegular ? NotRegularFile : FileOpenFailed, reason);
        return false;
    }
    if (!Eijiro::Decoder().isValid()) {
        qDebug() << "QStringDecoder failed."
                 << "Shift_JIS";
        finish(DecoderMissing);
        return false;
    }
    // Before a byte is read: look-ups compare the file with this.
    if (!DictionaryFile::identify(file, identity)) {
        qDebug() << "QFile::read failed." << m_file;
        finish(ReadFailed, qt_error_string(errno));
        return false;
    }
    return true;
}

namespace {
// About how many keyed lines a file of `fileSize` bytes holds: dictionaries
// have one in some 240 bytes.
qint64 comingWords(qint64 fileSize)
{
    return fileSize / 240;
}
} // namespace

bool ConvertThread::beginBuild(IndexWriter &writer, QFile *file, const FileIdentity &identity)
{
    const qint64 fileSize = file->size();
    if (!writer.beginBuild()) {
        finish(TransactionFailed, writer.lastError());
        return false;
    }
    // Asked before reading, so installing a file twice fails at once, not at
    // the end of the file.
    InstalledDictionaries dictionaries(writer.connection());
    if (m_rebuild != 0) {
        Records::Registration installed;
        const Records::Answer answer = dictionaries.registration(m_rebuild, &installed);
        if (answer != Records::Answer::Failed)
            return replaceRows(writer,
                               answer == Records::Answer::Found ? installed.location : QString(),
                               fileSize);
        rollBack(writer, InsertFailed, dictionaries.lastError());
        return false;
    }
    QList<Records::Installed> installed;
    if (!dictionaries.list(&installed)) {
        rollBack(writer, InsertFailed, dictionaries.lastError());
        return false;
    }
    int id = 0;
    if (!chooseId(dictionaries, installed, file, identity, &id)) {
        rollBack(writer, id < 0 ? InsertFailed : AlreadyInstalled,
                 id < 0 ? dictionaries.lastError() : m_detail);
        return false;
    }
    if (!checkRoom(writer, fileSize))
        return false;
    if (writer.prepareRows(id, comingWords(fileSize)) && prepareKeys(writer))
        return true;
    rollBack(writer, InsertFailed, writer.lastError());
    return false;
}

bool ConvertThread::prepareKeys(IndexWriter &writer)
{
    return !DictionaryFormat::make(m_builtType)->listsEveryLine() || writer.prepareKeys();
}

bool ConvertThread::chooseId(InstalledDictionaries &dictionaries,
                             const QList<Records::Installed> &installed, QFile *file,
                             const FileIdentity &identity, int *id)
{
    // The same file under any path (a link, a copy): its words would show
    // twice on every page.
    const QString canonical = QFileInfo(m_file).canonicalFilePath();
    QByteArray content; // this file's, read only when a dictionary's size is the same
    QSet<int> taken;
    for (const Records::Installed &dictionary : installed) {
        taken.insert(dictionary.id);
        bool same = dictionary.location == m_file ||
                    QFileInfo(dictionary.location).canonicalFilePath() == canonical;
        FileIdentity recorded;
        const Records::Answer answer = dictionaries.fileIdentity(dictionary.id, &recorded);
        if (answer == Records::Answer::Failed) {
            *id = -1;
            return false;
        }
        if (!same && answer == Records::Answer::Found && recorded.size == identity.size) {
            if (content.isNull())
                content = DictionaryFile::hashContent(file);
            same = !content.isEmpty() && content == recordedContent(dictionary, recorded, identity);
        }
        if (same) {
            qDebug() << "ConvertThread::run failed. The file is installed already:" << dictionary.id
                     << dictionary.location;
            m_detail = QStringLiteral("%1 (%2)").arg(dictionary.id).arg(dictionary.name);
            *id = 0;
            return false;
        }
    }
    // The first dictionary takes the type's id, as it always did; a further
    // one the lowest id free.
    *id = Records::eijiroId;
    while (taken.contains(*id))
        ++*id;
    return true;
}

QByteArray ConvertThread::recordedContent(const Records::Installed &dictionary,
                                          const FileIdentity &recorded,
                                          const FileIdentity &identity)
{
    if (!recorded.content.isEmpty())
        return recorded.content;
    // Recorded by an Orvel that kept only the ends' checksum: where the ends
    // agree too, the installed file itself, if it is still there, is read.
    QFile installedFile;
    if (recorded.checksum != identity.checksum ||
        DictionaryFile::open(&installedFile, dictionary.location) != DictionaryFile::Opened)
        return QByteArray();
    return DictionaryFile::hashContent(&installedFile);
}

bool ConvertThread::checkRoom(IndexWriter &writer, qint64 fileSize)
{
    DiskRoom disk(writer.connection());
    DiskRoom::Room room;
    if (!disk.room(&room)) {
        rollBack(writer, InsertFailed, disk.lastError());
        return false;
    }
    // The index comes to about half the file's size (0.47 for generated
    // dictionaries of 20,000 to 2.5 million lines; a mebibyte more for the
    // pages of a small one and the log's shared memory). It is written
    // twice: into the log while the transaction lasts, then from there into
    // the database file, which fills its free pages first.
    const qint64 index = fileSize / 2 + (1 << 20);
    const qint64 needed = index + qMax<qint64>(0, index - room.reusable) +
                          (room.reserved ? 0 : DiskRoom::reserveSize);
    if (room.available < 0 || room.available >= needed) {
        // Not needed for the build: its own writes say so if room runs out.
        disk.keepReserve();
        return true;
    }
    qDebug() << "ConvertThread::run failed. Not enough free space on the disk of" << disk.fileName()
             << ":" << needed << "bytes needed," << room.available << "free";
    m_needed = needed;
    m_available = room.available;
    rollBack(writer, NoRoom, disk.fileName());
    return false;
}

bool ConvertThread::replaceRows(IndexWriter &writer, const QString &registeredFile, qint64 fileSize)
{
    // Removed, or installed from another file, since the rebuild began.
    if (registeredFile != m_file) {
        rollBack(writer, NotInstalled, QString::number(m_rebuild));
        return false;
    }
    // The old index's pages are free again only after the commit.
    if (!checkRoom(writer, fileSize))
        return false;
    // The build clears this id's rows as it begins; the registration goes
    // too. Look-ups read the old ones until the commit.
    if (writer.prepareRows(m_rebuild) && prepareKeys(writer) && writer.deleteDictionary(m_rebuild))
        return true;
    rollBack(writer, InsertFailed, writer.lastError());
    return false;
}

void ConvertThread::registerAndCommit(IndexWriter &writer, int count, const QString &encoding,
                                      const FileIdentity &identity)
{
    if ((m_rebuild == 0 && !writer.forgetSettings(writer.id())) ||
        !writer.registerDictionary(m_file, count, encoding, m_name) ||
        !writer.recordType(writer.id(), m_builtType) || !writer.recordFile(writer.id(), identity))
        return rollBack(writer, FinalInsertFailed, writer.lastError());
    DiskRoom disk(writer.connection());
    // Report success only once it is on disk.
    if (!writer.commit()) {
        const QString error = writer.lastError();
        disk.truncateLog();
        return finish(CommitFailed, error);
    }
    // The index stays in the log, taking as much room again as in the
    // database, until it is copied over: a log that cannot be emptied is
    // said, though the dictionary is installed.
    m_id = writer.id();
    if (disk.truncateLog())
        finish(Committed);
    else
        finish(CheckpointFailed, disk.lastError());
    emit frameChanged(100);
}
