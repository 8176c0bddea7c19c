#include "database/database.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <atomic>

namespace Database {

namespace {
std::atomic<int> busyTimeoutMs{10000};
std::atomic<int> writeWaitMs{-1}; // the busy timeout
} // namespace

QString path()
{
    const QFileInfo info(QSettings().fileName());
    // Links are resolved only for a settings file that exists: for a missing
    // one canonicalPath() gives "." (the working directory), and orvel-cli can
    // run before the program has ever written its settings. The file's own
    // folder is the right place then, never the working directory.
    const QString folder = info.exists() ? info.canonicalPath() : info.absolutePath();
    return folder + QDir::separator() + info.baseName() + ".db";
}

void setBusyTimeout(int milliseconds)
{
    busyTimeoutMs = milliseconds;
}

int busyTimeout()
{
    return busyTimeoutMs.load();
}

void setWriteWait(int milliseconds)
{
    writeWaitMs = milliseconds;
}

int writeWait()
{
    return qMax(writeWaitMs.load(), busyTimeout());
}

} // namespace Database
