#pragma once

#include <QByteArray>
#include <QtGlobal>

// What an installed dictionary file looked like when its index was built:
// a look-up compares the file's size and modification time with these (one
// stat), and only when they differ reads the checksum again, so a file
// merely touched or copied back unchanged still counts as the same. An
// install tells the same file under another path by `content`.
struct FileIdentity
{
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    QByteArray checksum; // of the first and the last 64 KiB
    // A hash of every byte the build read; empty in a record made before
    // it was kept.
    QByteArray content;

    bool sameStat(const FileIdentity &other) const
    {
        return size == other.size && modified == other.modified;
    }
};
