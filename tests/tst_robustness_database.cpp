// Index databases that are no database, read-only, or locked by another
// process: each failure says why in one line, and nothing of the file or of
// what is installed is lost.
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "database/readerfile.h"
#include "robustness.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <cstdio>
#include <thread>

using namespace Robustness;
using TestUtil::Run;

namespace {

// Another process that holds a lock on a database until told to let go.
class LockHolder
{
public:
    LockHolder(const QString &dbFile, const QString &mode)
    {
        m_process.setProgram(QCoreApplication::applicationFilePath());
        m_process.setArguments({"--hold-lock", mode, dbFile});
        m_process.start();
        m_locked = m_process.waitForReadyRead(30000) && m_process.readLine() == "locked\n";
        if (!m_locked) {
            m_process.waitForFinished(30000);
            qWarning("lock holder failed (%d): %s", m_process.exitCode(),
                     m_process.readAllStandardError().constData());
        }
    }
    ~LockHolder() { release(); }
    bool locked() const { return m_locked; }
    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
    bool m_locked = false;
};

// The child side of LockHolder: a write transaction, or (mode "exclusive")
// an exclusive lock that keeps even readers out, held until stdin closes.
int holdLock(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString dbFile = QString::fromLocal8Bit(argv[3]);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
    db.setDatabaseName(dbFile);
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=10000");
    QSqlQuery query(db);
    const bool locked =
        db.open() && (mode != "exclusive" || query.exec("PRAGMA locking_mode=EXCLUSIVE")) &&
        query.exec(mode == "exclusive" ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE") &&
        query.exec("INSERT INTO t_word (id, position, name) VALUES (99, 0, 'HOLDER')");
    if (!locked) {
        std::fprintf(stderr, "%s / %s\n", qPrintable(db.lastError().text()),
                     qPrintable(query.lastError().text()));
        return 1;
    }
    std::fputs("locked\n", stdout);
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    query.exec("ROLLBACK");
    return 0;
}

// Exactly one diagnostic line, and it begins with `start`.
bool oneLine(const QStringList &lines, const QString &start)
{
    return lines.size() == 1 && lines.first().startsWith(start);
}

} // namespace

class TestRobustnessDatabase : public QObject
{
    Q_OBJECT

    QString dir;

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }
    void cleanup() { Database::setBusyTimeout(10000); }

    void databaseThatIsNoDatabase_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("hello, this is not a database\n");
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator rng(3);
        for (char &c : noise)
            c = char(rng.bounded(256));
        QTest::newRow("noise") << noise;
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::newRow("damaged header") << header + noise;
    }

    void databaseThatIsNoDatabase()
    {
        QFETCH(QByteArray, bytes);
        const QString db = TestUtil::writeBytes(dir + "/index.db", bytes);
        const QString good = TestUtil::writeDictionary(dir + "/good.txt", sample);

        Run run = TestUtil::cli({"--database", db, "install", good});
        QCOMPARE(run.exit, 1);
        // One line: the file is not read as an empty one that needs a schema.
        QVERIFY2(run.err.startsWith("orvel-cli: cannot open the database " + db +
                                    ": file is not a database") &&
                     run.err.count('\n') == 1,
                 qPrintable(run.err));
        run = TestUtil::cli({"--database", db, "lookup", "run"});
        QCOMPARE(run.exit, 2);
        QVERIFY2(run.err.contains("file is not a database"), qPrintable(run.err));
        QCOMPARE(TestUtil::readBytes(db), bytes);

        // In the program: the same lines, and the builder gives up at once
        // instead of reporting every row.
        TestUtil::closeDefaultConnection();
        {
            MessageCapture messages;
            QVERIFY(DictionaryDatabase::openOrCreateDefault(db) ==
                    DictionaryDatabase::Opened::SchemaFailed);
            QVERIFY(oneLine(messages.lines(QtCriticalMsg),
                            "create table m_dictionary failed. (file is not a database"));
            messages.clear();
            const LookUp r = lookUp("run");
            QCOMPARE(r.status, SearchThread::Failed);
            QVERIFY2(r.error.contains("file is not a database"), qPrintable(r.error));
            QVERIFY(oneLine(messages.all(), "QSqlQuery::exec failed. \"SELECT location FROM "
                                            "t_dictionary\" \"file is not a database"));
            messages.clear();
            QCOMPARE(TestUtil::install(good), int(ConvertThread::TransactionFailed));
            QCOMPARE(messages.all(), QStringList{"QSqlDatabase::transaction failed."});
        }
        TestUtil::closeDefaultConnection();
        QCOMPARE(TestUtil::readBytes(db), bytes);
    }

    // Each command on a read-only database file: look-ups work, what would
    // write fails as a whole with SQLite's reason, and neither file changes.
    void readOnlyDatabase_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<bool>("onTheInstalled"); // else on one whose dictionary was removed
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("shown"); // the start of what it prints
        QTest::newRow("look-up") << QStringList{"lookup", "run"} << true << 0
                                 << "run\n  [自動]\n  1. 走る\n";
        // In write-ahead mode SQLite lets the transaction begin and refuses
        // the first write; the build stops there.
        QTest::newRow("install")
            << QStringList{"install", "FILE"} << false << 1
            << "orvel-cli: install failed: cannot write the index: attempt to write a readonly "
               "database";
        QTest::newRow("remove") << QStringList{"remove"} << true << 1
                                << "orvel-cli: remove failed: attempt to write a readonly database";
    }

    void readOnlyDatabase()
    {
        QFETCH(QStringList, command);
        QFETCH(bool, onTheInstalled);
        QFETCH(int, exit);
        QFETCH(QString, shown);
        TestUtil::SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("dict.txt"), sample);
        const QString installed = shared.file("installed.db");
        const QString empty = shared.file("empty.db");
        QCOMPARE(TestUtil::cli({"--database", installed, "install", file}).exit, 0);
        QCOMPARE(TestUtil::cli({"--database", empty, "install", file}).exit, 0);
        QCOMPARE(TestUtil::cli({"--database", empty, "remove"}).exit, 0);
        for (const QString &db : QStringList{installed, empty})
            QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ReadOther));
        const QByteArray installedBefore = TestUtil::readBytes(installed);
        const QByteArray emptyBefore = TestUtil::readBytes(empty);

        command.replaceInStrings("FILE", file);
        TestUtil::RunOptions withoutRoot;
        withoutRoot.withoutRoot = true;
        const Run run = TestUtil::cli(
            QStringList{"--database", onTheInstalled ? installed : empty} + command, withoutRoot);
        if (run.notAsNobody)
            QSKIP("running as root, and the user nobody cannot be switched to or cannot run "
                  "orvel-cli");
        QCOMPARE(run.exit, exit);
        const QString &output = exit == 0 ? run.out : run.err;
        QVERIFY2(output.startsWith(shown), qPrintable(output));
        // A failure is one line.
        QVERIFY2(exit == 0 || output.count('\n') == 1, qPrintable(output));
        QCOMPARE(TestUtil::readBytes(installed), installedBefore);
        QCOMPARE(TestUtil::readBytes(empty), emptyBefore);
    }

    // Another process holding a lock: with write-ahead logging a write
    // transaction keeps out only writers, an exclusive lock readers too,
    // for as long as the busy timeout lasts. Either way the index stays.
    void databaseLockedByAnotherProcess_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("busyTimeout");
        QTest::addColumn<bool>("releasedMeanwhile"); // 300 ms after the action began
        QTest::addColumn<QString>("failure"); // the one diagnostic line's start; none if empty
        const auto row = [](const char *name, const char *lock, const char *action, int busyTimeout,
                            bool releasedMeanwhile, const char *failure = "") {
            QTest::newRow(name) << QString(lock) << QString(action) << busyTimeout
                                << releasedMeanwhile << QString(failure);
        };
        row("write lock: a look-up reads at once", "write", "look-up", 10000, false);
        // One failure, not one per row.
        row("write lock: a build fails at its start", "write", "install", 200, false,
            "QSqlDatabase::transaction failed.");
        row("exclusive lock: a look-up waits for its end", "exclusive", "look-up", 10000, true);
        row("exclusive lock: a look-up gives up after the timeout", "exclusive", "look-up", 200,
            false,
            "QSqlQuery::exec failed. \"SELECT location FROM t_dictionary\" \"database is locked");
    }

    void databaseLockedByAnotherProcess()
    {
        QFETCH(QString, lock);
        QFETCH(QString, action);
        QFETCH(int, busyTimeout);
        QFETCH(bool, releasedMeanwhile);
        QFETCH(QString, failure);
        const QString file = installed(dir, "locked");
        const QString db = dir + "/locked.db";
        const QString page = lookUp("run").page;
        const QStringList rows = TestUtil::contents(db).all();
        // Any open connection in write-ahead mode holds a shared lock that
        // keeps an exclusive one out: the default connection, and the cache
        // that look-ups share once they have read through it. Look-ups and
        // builds only copy the default connection's file and settings.
        QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
        ReaderFile::set(db);
        Database::setBusyTimeout(busyTimeout);
        {
            LockHolder holder(db, lock);
            QVERIFY(holder.locked());
            MessageCapture messages;
            if (action == "install") {
                QCOMPARE(TestUtil::install(file), int(ConvertThread::TransactionFailed));
            } else {
                LookUp r;
                std::thread looking([&r] { r = lookUp("run"); });
                if (releasedMeanwhile) {
                    QTest::qWait(300);
                    holder.release();
                }
                looking.join();
                QCOMPARE(r.status, failure.isEmpty() ? SearchThread::Found : SearchThread::Failed);
                if (failure.isEmpty())
                    QCOMPARE(r.page, page);
                else
                    QVERIFY2(r.error.contains("database is locked"), qPrintable(r.error));
            }
            const QStringList lines = messages.all();
            QVERIFY2(failure.isEmpty() ? lines.isEmpty() : oneLine(lines, failure),
                     qPrintable(lines.join('\n')));
        }
        QCOMPARE(TestUtil::contents(db).all(), rows);
    }
};

int main(int argc, char **argv)
{
    // The same program serves as the other process that holds a lock.
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QCoreApplication app(argc, argv);
    TestRobustnessDatabase test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robustness_database.moc"
