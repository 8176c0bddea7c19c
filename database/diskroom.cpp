#include "database/diskroom.h"

#include "database/database.h"
#include "database/sql.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QThread>

#include <atomic>
#include <sqlite3.h>

namespace {
std::atomic<qint64> pretendedFreeSpace{-1};

// Readers hold the state they read for the few milliseconds of a look-up,
// the count of common words after an install for the second or so of a
// large dictionary's keys; a writer may hold the database for minutes.
constexpr int checkpointWait = 5000;

} // namespace

QString DiskRoom::fileName() const
{
    return m_db.databaseName();
}

QString DiskRoom::reserveFile(const QString &databaseFile)
{
    return databaseFile + QLatin1String("-reserve");
}

void DiskRoom::releaseReserveOnAFullDisk(const QString &databaseFile)
{
    // On a full disk even opening the database needs a little room (SQLite's
    // shared memory file), and so does the removal that would make room.
    // Only a file of the reserve's size is taken for it.
    const qint64 free = freeSpace(databaseFile);
    QFile reserve(reserveFile(databaseFile));
    if (free >= 0 && free < reserveSize && reserve.size() == reserveSize)
        reserve.remove();
}

namespace {
bool writeReserve(const QString &databaseFile)
{
    if (databaseFile.isEmpty())
        return false;
    QFile reserve(DiskRoom::reserveFile(databaseFile));
    if (reserve.size() == DiskRoom::reserveSize)
        return true;
    // Written out, and not as zeros: a sparse or compressed file would
    // hold no room.
    QByteArray bytes(64 << 10, Qt::Uninitialized);
    QRandomGenerator(DiskRoom::reserveSize)
        .fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / int(sizeof(quint32)));
    bool written = reserve.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (qint64 at = 0; written && at < DiskRoom::reserveSize; at += bytes.size())
        written = reserve.write(bytes) == bytes.size();
    written = written && reserve.flush();
    if (!written)
        reserve.remove();
    return written;
}
} // namespace

bool DiskRoom::keepReserve()
{
    return writeReserve(fileName());
}

void DiskRoom::restoreReserve(const QString &databaseFile)
{
    // Not where the next start would give it up again at once.
    const qint64 free = freeSpace(databaseFile);
    if (free >= 2 * reserveSize && QFileInfo(reserveFile(databaseFile)).size() != reserveSize)
        writeReserve(databaseFile);
}

qint64 DiskRoom::freeSpace(const QString &databaseFile)
{
    if (pretendedFreeSpace >= 0)
        return pretendedFreeSpace;
    const QStorageInfo storage(QFileInfo(databaseFile).absolutePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void DiskRoom::pretendFreeSpace(qint64 bytes)
{
    pretendedFreeSpace = bytes;
}

bool DiskRoom::room(Room *room)
{
    room->available = freeSpace(fileName());
    room->reserved = QFileInfo(reserveFile(fileName())).size() == reserveSize;
    QSqlQuery pages(m_db);
    QSqlQuery size(m_db);
    if (firstRow(pages, Sql::freePages) != Records::Answer::Found ||
        firstRow(size, Sql::pageSize) != Records::Answer::Found)
        return false;
    room->reusable = pages.value(0).toLongLong() * size.value(0).toLongLong();
    return true;
}

bool DiskRoom::truncateLog()
{
    bool busy = false;
    if (checkpoint(&busy))
        return true;
    if (busy)
        return checkpointWhenFree();
    // Copying the log over may need room the disk no longer has (pages
    // committed before a build that filled it): the reserve gives it, and
    // once the log is emptied there is room to keep it again.
    if (!QFile::remove(reserveFile(fileName())))
        return false;
    const bool emptied = checkpoint(&busy) || (busy && checkpointWhenFree());
    keepReserve();
    return emptied;
}

bool DiskRoom::checkpointWhenFree()
{
    // Another connection's checkpoint, at the end of its own change, keeps
    // this one out without a wait: it is over in a moment.
    const QDeadlineTimer deadline(qMin(checkpointWait, Database::busyTimeout()));
    for (bool busy = true; busy;) {
        if (anotherWrites())
            return true;
        if (deadline.hasExpired())
            return readerKeepsTheLog();
        QThread::msleep(10);
        if (checkpoint(&busy))
            return true;
    }
    return false;
}

bool DiskRoom::anotherWrites()
{
    const BusyWait noWait(m_db, 0);
    QSqlQuery begin(m_db);
    if (begin.exec(QString::fromLatin1(Sql::beginImmediate))) {
        m_db.rollback();
        return false;
    }
    return (begin.lastError().nativeErrorCode().toInt() & 0xff) == SQLITE_BUSY;
}

bool DiskRoom::readerKeepsTheLog()
{
    qDebug() << "QSqlQuery::exec failed." << QString::fromLatin1(Sql::truncateLog) << "busy";
    return fail(QCoreApplication::translate(
        "DiskRoom",
        "the database's log could not be emptied: another program is reading the database"));
}

bool DiskRoom::checkpoint(bool *busy)
{
    const BusyWait wait(m_db, qMin(checkpointWait, Database::busyTimeout()));
    QSqlQuery query(m_db);
    if (!execute(query, Sql::truncateLog) || !query.next()) {
        reportFailed(query);
        return fail(
            QCoreApplication::translate("DiskRoom", "the database's log could not be emptied: %1")
                .arg(query.lastError().text()));
    }
    // Its first column: whether another connection, reading an older state
    // of the database or writing, kept it from being emptied.
    *busy = query.value(0).toInt() != 0;
    return !*busy;
}
