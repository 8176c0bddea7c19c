#include "dictionary/convertthread.h"

#include "database/workerconnection.h"
#include "dictionary/format.h"

#include <QDebug>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <condition_variable>
#include <cstring>
#include <deque>
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

enum class End { None, Finished, Canceled, Stopped, ReadFailed, Binary };

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
    void close(End end, int count)
    {
        std::lock_guard lock(m_mutex);
        m_end = end;
        m_count = count;
        m_notEmpty.notify_one();
    }
    // False once the reader has closed the pipe and every batch was taken.
    bool pop(std::vector<Item> *batch)
    {
        std::unique_lock lock(m_mutex);
        m_notEmpty.wait(lock, [this] { return !m_batches.empty() || m_end != End::None; });
        if (m_batches.empty())
            return false;
        *batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_notFull.notify_one();
        return true;
    }
    End end() const { return m_end; }
    int count() const { return m_count; }

private:
    static constexpr size_t maxBatches = 4;
    std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<std::vector<Item>> m_batches;
    End m_end = End::None;
    int m_count = 0;
};

constexpr size_t batchSize = 4096;

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
    m_file = file;
}

void ConvertThread::cancel()
{
    canceled = true;
}

QString ConvertThread::errorString() const
{
    return m_error;
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

void ConvertThread::finish(Outcome outcome, const QString &error)
{
    m_error = error;
    m_outcome = outcome;
}

void ConvertThread::run()
{
    m_outcome = NotFinished;
    WorkerConnection connection;
    QSqlDatabase db = connection.database();
    {
        // Take the write lock up front. With a plain (deferred) BEGIN, a
        // database that another process is writing, or that is read-only,
        // would fail at every row, each after a full busy wait; this way it
        // fails once, here. commit() and rollback() end it as usual.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            qDebug() << "QSqlDatabase::transaction failed.";
            finish(TransactionFailed,
                   QStringLiteral("cannot begin a transaction on the database: %1")
                       .arg(begin.lastError().text()));
            return;
        }
    }
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        qDebug() << "QFile::open failed.";
        db.rollback();
        finish(FileOpenFailed,
               QStringLiteral("cannot open %1: %2").arg(m_file, file.errorString()));
        return;
    }
    Eijiro::Decoder probe;
    if (!probe.isValid()) {
        qDebug() << "QStringDecoder failed."
                 << "Shift_JIS";
        db.rollback();
        finish(DecoderMissing, QStringLiteral("no Shift_JIS decoder is available"));
        return;
    }

    // Reading and parsing run on a thread of their own while this thread
    // inserts, so the disk, the decoder and SQLite work side by side. The
    // reader checks the stop request once per line, after the end-of-file
    // test, exactly where a single loop would.
    const qint64 size = file.size();
    qint64 binaryAt = -1;
    // Set by the writer when inserting cannot go on at all.
    std::atomic_bool stopReading{false};
    Pipe pipe;
    std::thread reader([&] {
        Eijiro::LineReader lines(&file);
        Eijiro::Decoder decoder;
        Eijiro::IndexerReading reading;
        std::vector<Item> batch;
        batch.reserve(batchSize);
        int count = 0;
        int lastPercent = -1;
        End end = End::Finished;
        for (;;) {
            if (lines.atEnd()) {
                end = lines.failed() ? End::ReadFailed : End::Finished;
                break;
            }
            if (canceled) {
                end = End::Canceled;
                break;
            }
            if (stopReading) {
                end = End::Stopped;
                break;
            }
            const qint64 offset = lines.offset();
            const QByteArrayView bytes = lines.readLineView();
            // Shift_JIS text never holds a NUL byte: this is not a dictionary.
            if (std::memchr(bytes.data(), 0, size_t(bytes.size()))) {
                binaryAt = offset;
                end = End::Binary;
                break;
            }
            // Only a line starting with the marker's two bytes can decode to
            // a line starting with the marker; skip decoding all others.
            if (bytes.size() < 2 || quint8(bytes[0]) != 0x81 || quint8(bytes[1]) != 0xA1)
                continue;
            QString line = decoder.decode(bytes.toByteArray());
            if (!Eijiro::readIndexer(line, &reading))
                continue;
            QString key = Eijiro::indexKey(reading.entryWord);
            // The file may grow while it is read; never report 100 early.
            int percent = size > 0 ? int(qMin<qint64>(offset * 100 / size, 99)) : 0;
            const bool changed = percent != lastPercent;
            lastPercent = percent;
            if (!key.isNull() || changed)
                batch.push_back(
                    {offset, count, changed ? percent : -1, std::move(key), std::move(line)});
            ++count;
            if (batch.size() >= batchSize) {
                pipe.push(std::move(batch));
                batch = std::vector<Item>();
                batch.reserve(batchSize);
            }
        }
        if (!batch.empty())
            pipe.push(std::move(batch));
        pipe.close(end, count);
    });

    QString insertError;
    {
        QSqlQuery insert(db);
        // SQLite refuses some statements already here (a trigger naming a
        // missing table); exec() then only says the parameters do not fit.
        const QString prepareError =
            insert.prepare("INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)")
                ? QString()
                : insert.lastError().text();
        std::vector<Item> batch;
        while (pipe.pop(&batch)) {
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
                            stopReading = true;
                            break;
                        }
                    }
                }
                if (item.percent >= 0)
                    emit frameChanged(item.percent);
            }
        }
    }
    reader.join();

    // The reader may have reached the end before the writer gave up.
    if (!insertError.isNull()) {
        db.rollback();
        finish(InsertFailed, QStringLiteral("cannot write the index: %1").arg(insertError));
        return;
    }
    switch (pipe.end()) {
    case End::Canceled:
        qDebug() << "Convert thread was canceled.";
        db.rollback();
        finish(Canceled, QStringLiteral("canceled"));
        return;
    case End::Binary:
        qDebug() << "ConvertThread::run failed." << m_file << "holds a NUL byte in the line at"
                 << binaryAt;
        db.rollback();
        finish(NotText, QStringLiteral("%1 is not a dictionary text file (binary data at byte %2)")
                            .arg(m_file)
                            .arg(binaryAt));
        return;
    case End::ReadFailed:
        qDebug() << "QFile::read failed." << file.errorString();
        db.rollback();
        finish(ReadFailed, QStringLiteral("cannot read %1: %2").arg(m_file, file.errorString()));
        return;
    default:
        break;
    }

    {
        QSqlQuery query(db);
        query.prepare(
            "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (?, ?, ?, ?)");
        query.addBindValue(1);
        query.addBindValue(m_file);
        query.addBindValue(QString(""));
        query.addBindValue(pipe.count());
        if (!query.exec()) {
            qDebug() << "QSqlQuery::exec failed." << query.executedQuery()
                     << query.lastError().text();
            db.rollback();
            finish(
                FinalInsertFailed,
                QStringLiteral("cannot register the dictionary: %1").arg(query.lastError().text()));
            return;
        }
    }
    // Report success only once it is on disk.
    if (!db.commit()) {
        qDebug() << "QSqlDatabase::commit failed." << db.lastError().text();
        const QString error = db.lastError().text();
        db.rollback();
        finish(CommitFailed, QStringLiteral("cannot commit the index: %1").arg(error));
        return;
    }
    finish(Committed);
    emit frameChanged(100);
}
