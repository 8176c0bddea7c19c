#include "database/readerfile.h"

#include <QByteArray>

#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// As Qt's driver opens a file, but never creating one: a look-up has
// nothing to write. Read-only files are opened read-only.
constexpr int readerFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;

// The file readers open, and the connection that keeps its shared cache
// (page cache and parsed schema) alive between look-ups. It runs no
// statement: SQLite frees a shared cache with its last connection.
struct SharedFile
{
    std::mutex mutex;
    QByteArray file;
    sqlite3 *keeper = nullptr;
    // The file the keeper has open. SQLite finds a shared cache by the
    // file's name, so a file put in the place of this one must not be read
    // through it.
    dev_t device = 0;
    ino_t inode = 0;
    ~SharedFile() { sqlite3_close(keeper); }
};

bool identify(const QByteArray &file, dev_t *device, ino_t *inode)
{
    struct stat status;
    if (::stat(file.constData(), &status) != 0)
        return false;
    *device = status.st_dev;
    *inode = status.st_ino;
    return true;
}

SharedFile &sharedFile()
{
    static SharedFile shared;
    return shared;
}

} // namespace

namespace ReaderFile {

void set(const QString &file)
{
    SharedFile &shared = sharedFile();
    const QByteArray name = file.toUtf8();
    std::lock_guard lock(shared.mutex);
    sqlite3_close(shared.keeper);
    shared.keeper = nullptr;
    shared.file = name;
    // Without it look-ups still work, each reading the schema again.
    if (name.isEmpty() ||
        sqlite3_open_v2(name.constData(), &shared.keeper, readerFlags | SQLITE_OPEN_SHAREDCACHE,
                        nullptr) != SQLITE_OK ||
        !identify(name, &shared.device, &shared.inode)) {
        sqlite3_close(shared.keeper);
        shared.keeper = nullptr;
    }
}

QString name()
{
    SharedFile &shared = sharedFile();
    std::lock_guard lock(shared.mutex);
    return QString::fromUtf8(shared.file);
}

Opened open(sqlite3 **db)
{
    QByteArray file;
    bool kept;
    dev_t device;
    ino_t inode;
    {
        SharedFile &shared = sharedFile();
        std::lock_guard lock(shared.mutex);
        file = shared.file;
        kept = shared.keeper;
        device = shared.device;
        inode = shared.inode;
    }
    if (file.isEmpty())
        return Opened::NoFile;
    dev_t nowDevice;
    ino_t nowInode;
    const bool same =
        kept && identify(file, &nowDevice, &nowInode) && nowDevice == device && nowInode == inode;
    const int cache = same ? SQLITE_OPEN_SHAREDCACHE : SQLITE_OPEN_PRIVATECACHE;
    return sqlite3_open_v2(file.constData(), db, readerFlags | cache, nullptr) == SQLITE_OK
               ? Opened::Open
               : Opened::Failed;
}

} // namespace ReaderFile
