#include "dictionary/dictionaryfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

namespace DictionaryFile {

namespace {
Status fail(Status status, const QString &reason, QString *error)
{
    if (error)
        *error = reason;
    return status;
}

qint64 nanoseconds(const struct stat &info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

QString notRegular()
{
    return QCoreApplication::translate("DictionaryFile", "not a regular file");
}
} // namespace

Status open(QFile *file, const QString &path, QString *error)
{
    if (path.isEmpty())
        return fail(OpenFailed, QCoreApplication::translate("DictionaryFile", "no file name"),
                    error);
    const QByteArray native = QFile::encodeName(path);
    // Looked at before opening, so a device is never even opened.
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return fail(OpenFailed, qt_error_string(errno), error);
    if (!S_ISREG(info.st_mode))
        return fail(NotRegular, notRegular(), error);
    return openLookedAt(file, path, error);
}

Status openLookedAt(QFile *file, const QString &path, QString *error)
{
    struct stat info;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(OpenFailed, qt_error_string(errno), error);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(NotRegular, notRegular(), error);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        const QString reason = file->errorString();
        ::close(fd);
        return fail(OpenFailed, reason, error);
    }
    return Opened;
}

bool sizeAndTime(const QString &path, FileIdentity *identity)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    identity->size = info.st_size;
    identity->modified = nanoseconds(info);
    identity->checksum.clear();
    return true;
}

bool identify(QFile *file, FileIdentity *identity)
{
    struct stat info;
    if (::fstat(file->handle(), &info) != 0)
        return false;
    const qint64 size = info.st_size;
    // The two ends overlap in a small file; reading it whole is the same.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray bytes(int(qMin<qint64>(size, 2 * checksumSpan)), Qt::Uninitialized);
    const qint64 tail = qMax<qint64>(size - checksumSpan, checksumSpan);
    const qint64 head = qMin<qint64>(size, checksumSpan);
    qint64 got = ::pread(file->handle(), bytes.data(), size_t(head), 0);
    if (got == head && size > head)
        got += ::pread(file->handle(), bytes.data() + head, size_t(size - tail), tail);
    if (got != bytes.size())
        return false;
    hash.addData(bytes);
    identity->size = size;
    identity->modified = nanoseconds(info);
    identity->checksum = hash.result();
    return true;
}

struct ContentHash::State
{
    XXH3_state_t *xxh = XXH3_createState();
};

ContentHash::ContentHash() : m_state(new State)
{
    XXH3_128bits_reset(m_state->xxh);
}

ContentHash::~ContentHash()
{
    XXH3_freeState(m_state->xxh);
    delete m_state;
}

void ContentHash::add(QByteArrayView bytes)
{
    XXH3_128bits_update(m_state->xxh, bytes.data(), size_t(bytes.size()));
}

QByteArray ContentHash::result() const
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state->xxh));
    return QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest);
}

QByteArray hashContent(QFile *file)
{
    ContentHash hash;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 at = 0;;) {
        const ssize_t got = ::pread(file->handle(), block.data(), size_t(block.size()), at);
        if (got < 0)
            return QByteArray();
        if (got == 0)
            return hash.result();
        hash.add(QByteArrayView(block.constData(), got));
        at += got;
    }
}

bool matches(QFile *file, const QString &path, const FileIdentity &recorded)
{
    FileIdentity now;
    if (sizeAndTime(path, &now) && (now.sameStat(recorded) || now.size != recorded.size))
        return now.sameStat(recorded);
    return identify(file, &now) && now.size == recorded.size && now.checksum == recorded.checksum;
}

} // namespace DictionaryFile
