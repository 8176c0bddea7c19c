#include "database/diskroom.h"

#include "database/sql.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

#include <atomic>

namespace {
std::atomic<qint64> pretendedFreeSpace{-1};
}

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

bool DiskRoom::keepReserve()
{
    const QString name = fileName();
    if (name.isEmpty())
        return false;
    QFile reserve(reserveFile(name));
    if (reserve.size() == reserveSize)
        return true;
    // Written out, and not as zeros: a sparse or compressed file would
    // hold no room.
    QByteArray bytes(64 << 10, Qt::Uninitialized);
    QRandomGenerator(reserveSize)
        .fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / int(sizeof(quint32)));
    bool written = reserve.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (qint64 at = 0; written && at < reserveSize; at += bytes.size())
        written = reserve.write(bytes) == bytes.size();
    written = written && reserve.flush();
    if (!written)
        reserve.remove();
    return written;
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
    // Copying the log over may need room the disk no longer has (pages
    // committed before a build that filled it): the reserve gives it, and
    // once the log is emptied there is room to keep it again.
    if (busy || !QFile::remove(reserveFile(fileName())))
        return false;
    const bool emptied = checkpoint(&busy);
    keepReserve();
    return emptied;
}

bool DiskRoom::checkpoint(bool *busy)
{
    QSqlQuery query(m_db);
    if (!execute(query, Sql::truncateLog) || !query.next()) {
        reportFailed(query);
        return fail(
            QCoreApplication::translate("DiskRoom", "the database's log could not be emptied: %1")
                .arg(query.lastError().text()));
    }
    // Its first column: whether another connection still reading an older
    // state of the database kept it from being emptied.
    *busy = query.value(0).toInt() != 0;
    if (!*busy)
        return true;
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << "busy";
    return fail(QCoreApplication::translate(
        "DiskRoom",
        "the database's log could not be emptied: another program is reading the database"));
}
