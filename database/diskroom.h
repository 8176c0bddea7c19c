#pragma once

#include "database/queryrunner.h"

#include <QString>

// Room on the disk for the dictionary database: the reserve beside its
// file, room kept so that a removal can be written on a full disk, where
// even opening the database needs a little; the free room a build needs;
// and emptying the write-ahead log, which otherwise keeps the room a build
// or a removal took.
class DiskRoom : public QueryRunner
{
public:
    using QueryRunner::QueryRunner;

    // The database's file.
    QString fileName() const;
    static constexpr qint64 reserveSize = 4 << 20;
    static QString reserveFile(const QString &databaseFile);
    // Gives the reserve up when the disk has less free than it holds.
    static void releaseReserveOnAFullDisk(const QString &databaseFile);
    // Writes the reserve unless it is there already; false when it cannot be.
    bool keepReserve();
    // At start: writes the reserve again when it is missing (a removal
    // killed after it gave the reserve up) and the disk has room to spare.
    static void restoreReserve(const QString &databaseFile);
    // Bytes free for this program on `databaseFile`'s file system, -1 when
    // unknown; or the figure set for tests.
    static qint64 freeSpace(const QString &databaseFile);
    // Makes freeSpace() give `bytes` (tests); a negative figure asks the
    // file system again.
    static void pretendFreeSpace(qint64 bytes);
    struct Room
    {
        qint64 available = -1; // on the file system, -1 when unknown
        qint64 reusable = 0;   // free pages inside the file
        bool reserved = false; // the reserve is there already
    };
    bool room(Room *room);
    // Copies the write-ahead log into the database and empties it, after
    // every build and removal, on a full disk with the reserve's room.
    // False when it could not (another connection still reading an older
    // state, an I/O error): the log then keeps its room until a later
    // checkpoint. Another connection writing meanwhile is no failure: the
    // log is its to empty once it commits, and this one does not wait for
    // that.
    bool truncateLog();

private:
    // PRAGMA wal_checkpoint(TRUNCATE), waiting a little at most for readers
    // and writers; `busy` when one kept it from being done.
    bool checkpoint(bool *busy);
    // After a checkpoint found the database busy: true once another
    // connection writes (the log is its to empty) or a checkpoint tried
    // again succeeds, false when a reader keeps the log past a short wait.
    bool checkpointWhenFree();
    // Whether another connection holds the write lock.
    bool anotherWrites();
    // Says that a reader kept the log from being emptied; false.
    bool readerKeepsTheLog();
};
