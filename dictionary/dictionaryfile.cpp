#include "dictionary/dictionaryfile.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DictionaryFile {

namespace {
Status fail(Status status, const QString &reason, QString *error)
{
    if (error)
        *error = reason;
    return status;
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
    // Non-blocking, and checked again on the descriptor: the path may have
    // been replaced by a FIFO in between.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

} // namespace DictionaryFile
