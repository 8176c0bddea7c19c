#pragma once

#include "database/fileidentity.h"

#include <QString>

class QFile;

// Opening a dictionary text file. Only a regular file can be one: a FIFO
// would block the reader until some other program writes to it, and a
// device or a directory never ends or never reads. Whatever the path names,
// opening never blocks.
namespace DictionaryFile {

enum Status {
    Opened,     // a regular file, open read-only (unbuffered)
    NotRegular, // a FIFO, device, socket or directory; nothing is open
    OpenFailed, // missing, unreadable, no name; nothing is open
};

// Opens `path` into `file`. On NotRegular and OpenFailed, `error` (if given)
// says why in a few words ("not a regular file", "No such file or
// directory").
Status open(QFile *file, const QString &path, QString *error = nullptr);
// The second step of open(), once a look at `path` found a regular file:
// opens it without blocking and checks again on the open descriptor, since
// the path may have been replaced (by a FIFO, say) in between.
Status openLookedAt(QFile *file, const QString &path, QString *error = nullptr);

// Bytes the checksum of FileIdentity reads at each end of a file.
inline constexpr qint64 checksumSpan = 64 * 1024;
// Size and modification time of the file at `path` (one stat), without a
// checksum; false when it cannot be looked at.
bool sizeAndTime(const QString &path, FileIdentity *identity);
// The whole identity of an open file: its size and time (from the open
// descriptor) and the checksum of its first and last checksumSpan bytes.
// Reads at most 128 KiB and leaves the file's position where it was.
bool identify(QFile *file, FileIdentity *identity);
// The hash that tells a file by all its bytes (FileIdentity::content): 128
// bits of XXH3, fed as the file is read.
class ContentHash
{
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash &) = delete;
    ContentHash &operator=(const ContentHash &) = delete;
    void add(QByteArrayView bytes);
    QByteArray result() const;

private:
    struct State;
    State *m_state;
};
// The content hash of the open `file`, read whole without moving its
// position; empty when it cannot be read.
QByteArray hashContent(QFile *file);

// Whether the open `file` at `path` is still the file `recorded` describes:
// one stat of the path, and only when just its time differs, the checksum
// read again, so a file merely touched or copied back counts as the same.
bool matches(QFile *file, const QString &path, const FileIdentity &recorded);

} // namespace DictionaryFile
