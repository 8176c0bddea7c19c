#include "testutil.h"

#include "app/settingsstore.h"
#include "database/dictionarydatabase.h"
#include "database/installeddictionaries.h"
#include "generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QMutex mutex;
QList<QPair<QtMsgType, QString>> messages;
QtMessageHandler previous = nullptr;
int captures = 0;

// Only bounds on waits: builds and programs can take a while under the
// sanitizers on a loaded machine.
constexpr int buildTimeout = 300000;
constexpr int runTimeout = 300000;

// Exit status of the child that could not give up root.
constexpr int cannotDropRoot = 125;
constexpr uid_t nobody = 65534;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    {
        QMutexLocker lock(&mutex);
        messages.append({type, text});
    }
    if (qEnvironmentVariableIsSet("ORVEL_TEST_VERBOSE") && previous)
        previous(type, context, text);
}

// Every test's application object carries the program's names, so the
// settings and the database a test reaches are the program's (in the
// test's own home).
void nameTestApplication()
{
    SettingsStore::nameApplication(*QCoreApplication::instance());
}

// User nobody may not reach the build (below /root, say): a copy of
// `program` where anyone may run it, made once per program.
QString copyForAnyone(const QString &program)
{
    static QTemporaryDir dir(QDir::tempPath() + "/orvel-program-XXXXXX");
    static QMap<QString, QString> copies;
    if (!copies.contains(program)) {
        const auto anyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::ExeOther;
        const QString copy =
            dir.filePath(QString::number(copies.size()) + "-" + QFileInfo(program).fileName());
        QFile::copy(program, copy);
        QFile::setPermissions(dir.path(), anyone);
        QFile::setPermissions(copy, anyone);
        copies.insert(program, copy);
    }
    return copies.value(program);
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(nameTestApplication)

MessageCapture::MessageCapture()
{
    QMutexLocker lock(&mutex);
    if (captures++ == 0)
        previous = qInstallMessageHandler(handler);
    messages.clear();
}

MessageCapture::~MessageCapture()
{
    QMutexLocker lock(&mutex);
    if (--captures == 0)
        qInstallMessageHandler(previous);
}

QStringList MessageCapture::lines(QtMsgType type) const
{
    QMutexLocker lock(&mutex);
    QStringList out;
    for (const auto &m : messages)
        if (m.first == type)
            out << m.second;
    return out;
}

QStringList MessageCapture::all() const
{
    QMutexLocker lock(&mutex);
    QStringList out;
    for (const auto &m : messages)
        out << m.second;
    return out;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&mutex);
    messages.clear();
}

namespace TestUtil {

QString makeDir(const QString &name)
{
    QString base = qEnvironmentVariable("ORVEL_TEST_DIR");
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString dir = base + "/" + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

qint64 bytesRead()
{
    static const QRegularExpression rchar("rchar: (\\d+)");
    return rchar.match(readBytes("/proc/self/io")).captured(1).toLongLong();
}

bool copyTime(const QString &from, const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(from).constData(), &info) != 0)
        return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString writeDictionary(const QString &path, const QStringList &lines, const QByteArray &eol,
                        bool terminateLast)
{
    QByteArray bytes;
    for (int i = 0; i < lines.size(); ++i) {
        bytes += Generator::toShiftJis(lines[i]);
        if (i + 1 < lines.size() || terminateLast)
            bytes += eol;
    }
    return writeBytes(path, bytes);
}

bool openFreshDatabase(const QString &dbFile)
{
    closeDefaultConnection();
    return DictionaryDatabase::openOrCreateDefault(dbFile) == DictionaryDatabase::Opened::Ready;
}

void closeDefaultConnection()
{
    DictionaryDatabase::closeDefault();
}

QStringList arrangement(bool withFile)
{
    QList<Records::Installed> installed;
    if (!InstalledDictionaries().list(&installed))
        return {"<unreadable>"};
    QStringList out;
    for (const Records::Installed &dictionary : std::as_const(installed))
        out << (dictionary.enabled ? "" : "-") + dictionary.name +
                   (withFile ? "|" + dictionary.location : QString());
    return out;
}

void releaseFifo(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISFIFO(status.st_mode))
        return;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

Build build(const QString &file, const std::function<bool(const QList<int> &progress)> &stopWhen,
            int rebuild)
{
    Build out;
    ConvertThread thread;
    if (rebuild != 0)
        thread.setRebuild(rebuild);
    else
        thread.setDictionary(QStringLiteral("Eijiro"), file);
    QObject::connect(
        &thread, &ConvertThread::frameChanged, &thread,
        [&](int percent) {
            out.progress << percent;
            if (stopWhen && stopWhen(out.progress))
                thread.cancel();
        },
        Qt::DirectConnection);
    // Raised on the builder's thread after run() has returned and read after
    // wait(): ThreadSanitizer cannot see into QThread::wait(), but it sees
    // this, and so that everything the build wrote came first.
    std::atomic_bool ended{false};
    QObject::connect(
        &thread, &QThread::finished, &thread,
        [&ended] { ended.store(true, std::memory_order_release); }, Qt::DirectConnection);
    thread.start(QThread::InheritPriority);
    if (!thread.wait(buildTimeout)) {
        // A build that hangs in opening a FIFO fails the test, not hangs it.
        releaseFifo(file);
        thread.wait();
        return out;
    }
    if (ended.load(std::memory_order_acquire)) {
        out.outcome = thread.outcome();
        out.error = thread.errorString();
    }
    return out;
}

int install(const QString &file, QList<int> *progress)
{
    const Build built = build(file);
    if (progress)
        progress->append(built.progress);
    return built.outcome;
}

QStringList pairs(const QString &sql)
{
    QStringList out;
    QSqlQuery query(sql);
    while (query.next())
        out << query.value(0).toString() + ":" + query.value(1).toString();
    return out;
}

QStringList wordRows()
{
    return pairs("SELECT position, name FROM t_word WHERE id = 1 ORDER BY position");
}

int rowCount(const QString &table)
{
    QSqlQuery query("SELECT COUNT(*) FROM " + table);
    return query.next() ? query.value(0).toInt() : -1;
}

QStringList Contents::all() const
{
    return (failure.isEmpty() ? QStringList() : QStringList{failure}) + dictionaries + words +
           entries;
}

Contents contents(const QString &dbFile, Access access)
{
    static std::atomic_int inspections{0};
    const QString name = QStringLiteral("inspect-%1").arg(++inspections);
    Contents out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(dbFile);
        if (access == Access::ReadOnly)
            db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open()) {
            out.failure = "open failed: " + db.lastError().text();
        } else {
            QSqlQuery query(db);
            const auto read = [&](const char *sql, const QString &kind, QStringList *rows) {
                if (!query.exec(QString::fromLatin1(sql))) {
                    if (out.failure.isEmpty())
                        out.failure = "query failed: " + query.lastError().text();
                    return;
                }
                while (query.next())
                    *rows << QStringList{kind, query.value(0).toString(), query.value(1).toString(),
                                         query.value(2).toString()}
                                 .join(' ');
            };
            if (query.exec("PRAGMA integrity_check")) {
                while (query.next())
                    out.integrity += query.value(0).toString();
            }
            read("SELECT id, location, count FROM t_dictionary ORDER BY id", "dictionary",
                 &out.dictionaries);
            read("SELECT id, position, name FROM t_word ORDER BY id, position", "word", &out.words);
            // A database made before the word list has no such table.
            if (db.tables().contains("t_entry"))
                read("SELECT id, key, position FROM t_entry ORDER BY id, key", "entry",
                     &out.entries);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

Run run(const QString &program, const QStringList &arguments, const RunOptions &options)
{
    const bool asNobody = options.withoutRoot && geteuid() == 0;
    QProcess process;
    process.setProgram(asNobody ? copyForAnyone(program) : program);
    process.setArguments(arguments);
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    if (!options.environment.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (auto it = options.environment.cbegin(); it != options.environment.cend(); ++it)
            environment.insert(it.key(), it.value());
        process.setProcessEnvironment(environment);
    }
    if (asNobody) {
        process.setChildProcessModifier([] {
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(cannotDropRoot);
        });
    }
    process.start();
    if (!process.waitForFinished(runTimeout)) {
        process.kill();
        process.waitForFinished(-1);
    }
    Run out;
    const bool started = process.error() != QProcess::FailedToStart;
    if (started && process.exitStatus() == QProcess::NormalExit)
        out.exit = process.exitCode();
    out.out = QString::fromUtf8(process.readAllStandardOutput());
    out.err = started ? QString::fromUtf8(process.readAllStandardError())
                      : program + ": " + process.errorString();
    out.notAsNobody = asNobody && (!started || out.exit == cannotDropRoot);
    return out;
}

Run cli(const QStringList &arguments, const RunOptions &options)
{
    return run(qEnvironmentVariable("ORVEL_CLI"), arguments, options);
}

SharedDir::SharedDir() : m_dir(QDir::tempPath() + "/orvel-test-XXXXXX")
{
    QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777));
}

QString SharedDir::file(const QString &name) const
{
    return m_dir.filePath(name);
}

} // namespace TestUtil
