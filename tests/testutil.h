#pragma once

#include "dictionary/convertthread.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <functional>

// Collects every Qt message sent while it exists, as the exact text of the
// line, so diagnostics can be compared whole.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    QStringList lines(QtMsgType type) const;
    QStringList all() const;
    void clear();
};

namespace TestUtil {

// How long a test waits for a worker, a page or a list before it fails:
// far longer than they take, since a loaded machine or a sanitizer build is
// slow. A passing test never waits that long.
constexpr int waitTimeout = 60000;

// A fresh folder below the test's own temporary directory.
QString makeDir(const QString &name);

// Writes lines (Unicode text, encoded as Shift_JIS), each followed by `eol`;
// the last one without a terminator when `terminateLast` is false.
QString writeDictionary(const QString &path, const QStringList &lines, const QByteArray &eol = "\n",
                        bool terminateLast = true);
QString writeBytes(const QString &path, const QByteArray &bytes);
// The file's bytes, or "<unreadable>".
QByteArray readBytes(const QString &path);

// Bytes the process has read so far through read() and its kin, from files
// and pipes alike (rchar of /proc/self/io).
qint64 bytesRead();
// Gives `path` the modification time of `from`, to the nanosecond, as
// `touch -r` does.
bool copyTime(const QString &from, const QString &path);

// Opens (creating when new) the default connection on `dbFile` with the
// schema, replacing any default connection opened before.
bool openFreshDatabase(const QString &dbFile);
// Closes and removes the default connection, as the end of a run of the
// program does, so whatever opens it next starts afresh.
void closeDefaultConnection();
// The installed dictionaries in the user's order by name, "-" before one
// switched off, and "|FILE" after it `withFile`; {"<unreadable>"} when the
// list cannot be read.
QStringList arrangement(bool withFile = false);

// How a build ended; `progress` holds every frameChanged() value in order.
struct Build
{
    ConvertThread::Outcome outcome = ConvertThread::NotFinished;
    QString error;
    QList<int> progress;
};

// Runs a ConvertThread on `file` to its end. `stopWhen`, when given, is
// asked after each progress report, on the builder's own thread (so a stop
// request lands at a known point of the build), and a true answer asks the
// build to stop. A build still running after five minutes counts as
// NotFinished. Uses no queued signal, so ThreadSanitizer sees every step.
// With `rebuild`, a rebuild of that installed dictionary instead.
Build build(const QString &file,
            const std::function<bool(const QList<int> &progress)> &stopWhen = nullptr,
            int rebuild = 0);
// Lets a reader blocked in opening the FIFO `path` go on (and meet its end),
// so a build that hangs there fails the test instead of hanging it.
void releaseFifo(const QString &path);

// build() for the outcome only, as int; collects the progress values when
// `progress` is given.
int install(const QString &file, QList<int> *progress = nullptr);

// Each row of a two-column query on the default connection as "A:B".
QStringList pairs(const QString &sql);
// Rows of t_word of dictionary 1 as "position:key", in position order, on
// the default connection.
QStringList wordRows();
// Number of rows in a table, on the default connection.
int rowCount(const QString &table);

// What a database file holds, read through a connection of its own:
// every t_dictionary row as "dictionary ID LOCATION COUNT", every t_word
// row as "word ID POSITION NAME" and every t_entry row as
// "entry ID KEY POSITION", in key order.
struct Contents
{
    QString failure;   // why the file or a table could not be read; empty when read
    QString integrity; // what PRAGMA integrity_check says: "ok" for an intact file
    QStringList dictionaries;
    QStringList words;
    QStringList entries;

    // Everything above but the integrity, the failure first: empty for a
    // database without a dictionary.
    QStringList all() const;
};
enum class Access {
    ReadOnly,     // changes nothing, creates nothing
    AsTheProgram, // as the program's next start would: creates a missing
                  // file and recovers a write-ahead log a killed writer left
};
Contents contents(const QString &dbFile, Access access = Access::ReadOnly);

// How a program's run ended: its exit status (-1 when it did not start,
// crashed, or still ran after five minutes and was killed) and what it
// wrote (or, when it did not start, why not, in `err`).
struct Run
{
    int exit = -1;
    QString out, err;
    // Running as root with RunOptions::withoutRoot: user nobody could not
    // be switched to, or could not run the program.
    bool notAsNobody = false;
};

struct RunOptions
{
    QString workingDirectory;           // the test's own when empty
    QMap<QString, QString> environment; // set on top of the test's own
    // Root reads and writes whatever the file modes say, so a test about
    // unreadable or read-only files, running as root, runs the program as
    // user nobody instead. It can then reach only what anyone may: see
    // SharedDir.
    bool withoutRoot = false;
};

Run run(const QString &program, const QStringList &arguments,
        const RunOptions &options = RunOptions());
// This build's orvel-cli (ORVEL_CLI).
Run cli(const QStringList &arguments, const RunOptions &options = RunOptions());

// A folder that user nobody may enter and write (the test's own folder is
// private to it), removed with the object.
class SharedDir
{
public:
    SharedDir();
    QString file(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

} // namespace TestUtil
