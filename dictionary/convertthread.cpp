#include "dictionary/convertthread.h"

#include "database/workerconnection.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
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

// One entry line as the reading side hands it to the writing side: either a
// row to insert (key not null), or a progress step, or both.
struct Item
{
    qint64 offset;
    int row;      // entry lines counted before this one
    int percent;  // -1 when the percentage did not change
    QString key;  // null when the line has no key
    QString line; // the decoded line, for the diagnostics of a failed insert
};

// How the reading side ended.
struct Reading
{
    // NotFinished when the whole file was read; else why reading stopped.
    ConvertThread::Outcome outcome = ConvertThread::NotFinished;
    int count = 0;     // entry lines read
    qint64 nulAt = -1; // offset of the first NUL byte (NotText)
};

// Hands batches of entry lines from the reading thread to the writing one.
// Bounded, so a slow disk or a slow database never lets memory grow.
// Standard mutex and condition variable rather than Qt's: ThreadSanitizer
// sees every step of these, while QWaitCondition unlocks a QMutex inside a
// Qt library built without it and so cannot be checked.
class Pipe
{
public:
    void push(std::vector<Item> &&batch)
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
    bool pop(std::vector<Item> *batch)
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
    // Valid once pop() has returned false.
    const Reading &reading() const { return m_reading; }

private:
    static constexpr size_t maxBatches = 4;
    std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<std::vector<Item>> m_batches;
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
    // Shift_JIS text never holds a NUL byte: this is not a dictionary.
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

// The reading side: reads, decodes and parses the file's lines and hands the
// entry lines to the writing side through `pipe`. Checks the stop requests
// once per line, after the end-of-file test, and between the chunks of a
// long line.
void readEntries(QFile *file, const std::atomic_bool &canceled, const std::atomic_bool &stopReading,
                 Pipe *pipe)
{
    const qint64 size = file->size();
    Reading reading;
    const auto stopRequested = [&] { return canceled || stopReading; };
    Eijiro::LineReader lines(file, chunkSize);
    lines.setChunkCheck([&](qint64 offset, QByteArrayView chunk) {
        if (stopRequested())
            return false;
        reading.outcome = refusal(offset, chunk, &reading.nulAt);
        return reading.outcome == ConvertThread::NotFinished;
    });
    Eijiro::Decoder decoder;
    Eijiro::IndexerReading indexer;
    std::vector<Item> batch;
    batch.reserve(batchSize);
    int lastPercent = -1;
    bool interrupted = false;
    for (;;) {
        // The end first: a stop request after the last line changes nothing.
        if (lines.atEnd())
            break;
        if (stopRequested()) {
            interrupted = true;
            break;
        }
        const qint64 offset = lines.offset();
        const QByteArrayView bytes = lines.readLineView();
        if (lines.stopped())
            break;
        // Only a line starting with the marker's two bytes can decode to
        // a line starting with the marker; skip decoding all others.
        if (bytes.size() < 2 || quint8(bytes[0]) != 0x81 || quint8(bytes[1]) != 0xA1)
            continue;
        QString line = decoder.decode(bytes.toByteArray());
        if (!Eijiro::readIndexer(line, &indexer))
            continue;
        QString key = Eijiro::indexKey(indexer.entryWord);
        // The file may grow while it is read; never report 100 early.
        const int percent = size > 0 ? int(qMin<qint64>(offset * 100 / size, 99)) : 0;
        const bool changed = percent != lastPercent;
        lastPercent = percent;
        if (!key.isNull() || changed)
            batch.push_back(
                {offset, reading.count, changed ? percent : -1, std::move(key), std::move(line)});
        ++reading.count;
        if (batch.size() >= batchSize) {
            pipe->push(std::move(batch));
            batch = std::vector<Item>();
            batch.reserve(batchSize);
        }
    }
    if (lines.stopped() && reading.outcome == ConvertThread::NotFinished)
        interrupted = true;
    if (interrupted) // by the user, or by the writing side, whose error then counts
        reading.outcome = canceled ? ConvertThread::Canceled : ConvertThread::InsertFailed;
    else if (reading.outcome == ConvertThread::NotFinished && lines.failed())
        reading.outcome = ConvertThread::ReadFailed;
    if (!batch.empty())
        pipe->push(std::move(batch));
    pipe->close(reading);
}

// The writing side: inserts the rows coming through `pipe` and reports each
// new percentage. Returns the error that made it give up (null when none):
// it then sets `stopReading` and drains the pipe.
QString insertRows(QSqlDatabase &db, Pipe *pipe, std::atomic_bool *stopReading,
                   const std::function<void(int)> &progress)
{
    QString insertError;
    QSqlQuery insert(db);
    // SQLite refuses some statements already here (a trigger naming a
    // missing table); exec() then only says the parameters do not fit.
    const QString prepareError =
        insert.prepare("INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)")
            ? QString()
            : insert.lastError().text();
    std::vector<Item> batch;
    while (pipe->pop(&batch)) {
        if (!insertError.isNull())
            continue; // drain, so the reader is never left blocked
        for (const Item &item : batch) {
            if (!item.key.isNull()) {
                insert.addBindValue(1);
                insert.addBindValue(item.offset);
                insert.addBindValue(item.key);
                if (!insert.exec()) {
                    qDebug() << "QSqlQuery::exec failed." << insert.executedQuery()
                             << insert.lastError().text();
                    qDebug() << "row =" << item.row << "[" << item.line << "]";
                    qDebug() << "id =" << 1 << ", position =" << item.offset
                             << ", name =" << item.key;
                    // A clash with a row already there costs that line
                    // only. Any other failure (a read-only or full disk,
                    // an I/O error) would fail every row alike: stop.
                    const int code = insert.lastError().nativeErrorCode().toInt();
                    if (!prepareError.isNull() || (code & 0xff) != 19) { // SQLITE_CONSTRAINT
                        insertError =
                            prepareError.isNull() ? insert.lastError().text() : prepareError;
                        *stopReading = true;
                        break;
                    }
                }
            }
            if (item.percent >= 0)
                progress(item.percent);
        }
    }
    return insertError;
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
        return tr("%1 holds no dictionary entry: an Eijiro-format text file in Shift_JIS is "
                  "expected, one entry per line (■word : translation)")
            .arg(m_file);
    case CrLineEnds:
        return tr("%1 ends its lines with CR alone: an Eijiro-format text file with CR LF or LF "
                  "line ends is expected")
            .arg(m_file);
    case AlreadyInstalled:
        return tr("a dictionary is installed already (%1): remove it before installing another")
            .arg(m_detail);
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

void ConvertThread::rollBack(QSqlDatabase &db, Outcome outcome, const QString &detail)
{
    db.rollback();
    finish(outcome, detail);
}

bool ConvertThread::openFile(QFile *file)
{
    QString reason;
    const DictionaryFile::Status status = DictionaryFile::open(file, m_file, &reason);
    if (status == DictionaryFile::Opened)
        return true;
    qDebug() << "QFile::open failed.";
    finish(status == DictionaryFile::NotRegular ? NotRegularFile : FileOpenFailed, reason);
    return false;
}

bool ConvertThread::beginTransaction(QSqlDatabase &db)
{
    // Take the write lock up front. With a plain (deferred) BEGIN, a
    // database that another process is writing, or that is read-only,
    // would fail at every row, each after a full busy wait; this way it
    // fails once, here. commit() and rollback() end it as usual.
    QSqlQuery begin(db);
    if (begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return true;
    qDebug() << "QSqlDatabase::transaction failed.";
    finish(TransactionFailed, begin.lastError().text());
    return false;
}

bool ConvertThread::checkNothingInstalled(QSqlDatabase &db)
{
    // Every build registers its dictionary as id 1. Asked before reading, so
    // installing over an installed dictionary fails at once, not at the end
    // of the file after a clash for every row.
    QString error, installed;
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT location FROM t_dictionary WHERE id = 1"))) {
            error = query.lastError().text();
            qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << error;
        } else if (query.next()) {
            installed = query.value(0).toString();
            qDebug() << "ConvertThread::run failed. A dictionary is installed already:"
                     << installed;
        }
    }
    if (!error.isNull())
        rollBack(db, InsertFailed, error);
    else if (!installed.isNull())
        rollBack(db, AlreadyInstalled, installed);
    return error.isNull() && installed.isNull();
}

void ConvertThread::registerAndCommit(QSqlDatabase &db, int count)
{
    {
        QSqlQuery query(db);
        query.prepare(
            "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (?, ?, ?, ?)");
        query.addBindValue(1);
        query.addBindValue(m_file);
        query.addBindValue(QString(""));
        query.addBindValue(count);
        if (!query.exec()) {
            qDebug() << "QSqlQuery::exec failed." << query.executedQuery()
                     << query.lastError().text();
            rollBack(db, FinalInsertFailed, query.lastError().text());
            return;
        }
    }
    // Report success only once it is on disk.
    if (!db.commit()) {
        const QString error = db.lastError().text();
        qDebug() << "QSqlDatabase::commit failed." << error;
        rollBack(db, CommitFailed, error);
        return;
    }
    finish(Committed);
    emit frameChanged(100);
}

void ConvertThread::run()
{
    m_outcome = NotFinished;
    // The file before the database: a folder, device or FIFO is refused
    // without ever taking the write lock, which would keep every other
    // installation out while nothing happens.
    QFile file;
    if (!openFile(&file))
        return;
    Eijiro::Decoder probe;
    if (!probe.isValid()) {
        qDebug() << "QStringDecoder failed."
                 << "Shift_JIS";
        finish(DecoderMissing);
        return;
    }
    WorkerConnection connection;
    QSqlDatabase db = connection.database();
    if (!beginTransaction(db) || !checkNothingInstalled(db))
        return;

    // Reading and parsing run on a thread of their own while this thread
    // inserts, so the disk, the decoder and SQLite work side by side.
    std::atomic_bool stopReading{false}; // set when inserting cannot go on at all
    Pipe pipe;
    std::thread reader([&] { readEntries(&file, canceled, stopReading, &pipe); });
    const QString insertError =
        insertRows(db, &pipe, &stopReading, [this](int percent) { emit frameChanged(percent); });
    reader.join();

    // The reader may have reached the end before the writer gave up.
    if (!insertError.isNull()) {
        rollBack(db, InsertFailed, insertError);
        return;
    }
    const Reading &reading = pipe.reading();
    switch (reading.outcome) {
    case NotFinished:
        break;
    case Canceled:
        qDebug() << "Convert thread was canceled.";
        return rollBack(db, Canceled);
    case NotText:
        qDebug() << "ConvertThread::run failed." << m_file << "holds a NUL byte at"
                 << reading.nulAt;
        return rollBack(db, NotText, QString::number(reading.nulAt));
    case CrLineEnds:
        qDebug() << "ConvertThread::run failed." << m_file << "ends its lines with CR alone";
        return rollBack(db, CrLineEnds);
    case ReadFailed:
    default:
        qDebug() << "QFile::read failed." << file.errorString();
        return rollBack(db, ReadFailed, file.errorString());
    }
    // Not one entry line: not a dictionary, whatever else the file holds.
    if (reading.count == 0) {
        qDebug() << "ConvertThread::run failed." << m_file << "holds no entry line";
        return rollBack(db, NoEntryLines);
    }
    registerAndCommit(db, reading.count);
}
