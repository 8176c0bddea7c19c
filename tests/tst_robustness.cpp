// Bad input of every kind: unusable dictionary files, files changed after
// installation, databases that are no database, read-only or locked by
// another process, garbage settings and hostile typed words. Each ends with
// a clear diagnostic, loses nothing already installed, and never crashes.
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/format.h"
#include "fuzz/pagecheck.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"
#include "mainwindow/mainwindow.h"
#include "preferences/viewsettings.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <cstdio>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const QString M = QString(Eijiro::marker);
const QStringList sample = {
    M + "apple : りんご",   M + "run  {自動-1} : 走る", M + "run  {自動-2} : 経営する■・run a shop",
    M + "run out : 尽きる", "not an entry line",        M + "tail : 尾",
};

// Exit status 125 from the child: it could not give up root, or then could
// not start the program.
constexpr int cannotDropRoot = 125;
constexpr uid_t nobody = 65534;

struct Run
{
    int exit = -1; // -1: crashed or did not start
    QString out, err;
};

// The user nobody may not reach the build (below /root, say): a copy of
// orvel-cli where anyone can run it.
QString programForNobody()
{
    static QTemporaryDir dir(QDir::tempPath() + "/orvel-cli-XXXXXX");
    static const QString path = [] {
        const QString copy = dir.filePath("orvel-cli");
        const auto anyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::ExeOther;
        QFile::copy(qEnvironmentVariable("ORVEL_CLI"), copy);
        QFile::setPermissions(dir.path(), anyone);
        QFile::setPermissions(copy, anyone);
        return copy;
    }();
    return path;
}

// Runs orvel-cli; one still running after five minutes is killed (exit -1).
Run cli(const QStringList &args, bool asNobody = false)
{
    QProcess process;
    process.setProgram(asNobody ? programForNobody() : qEnvironmentVariable("ORVEL_CLI"));
    process.setArguments(args);
    if (asNobody) {
        process.setChildProcessModifier([] {
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(cannotDropRoot);
        });
    }
    process.start();
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished(-1);
    }
    Run run;
    if (process.error() != QProcess::FailedToStart && process.exitStatus() == QProcess::NormalExit)
        run.exit = process.exitCode();
    // As nobody the program itself may be out of reach (a build below /root).
    if (asNobody && process.error() == QProcess::FailedToStart)
        run.exit = cannotDropRoot;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Everything a database file holds of installed dictionaries, read through a
// read-only connection of its own, so nothing is created or changed.
QStringList contents(const QString &dbFile)
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "inspect");
        db.setDatabaseName(dbFile);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open())
            return {"open failed: " + db.lastError().text()};
        QSqlQuery query(db);
        if (!query.exec("SELECT id, location, count FROM t_dictionary ORDER BY id"))
            out << "query failed: " + query.lastError().text();
        while (query.next())
            out << QString("dictionary %1 %2 %3")
                       .arg(query.value(0).toString(), query.value(1).toString(),
                            query.value(2).toString());
        if (!query.exec("SELECT id, position, name FROM t_word ORDER BY id, position"))
            out << "query failed: " + query.lastError().text();
        while (query.next())
            out << QString("word %1 %2 %3")
                       .arg(query.value(0).toString(), query.value(1).toString(),
                            query.value(2).toString());
    }
    QSqlDatabase::removeDatabase("inspect");
    return out;
}

void closeDefault()
{
    if (!QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        return;
    QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

struct LookUp
{
    SearchThread::Status status;
    Page model;
    // The model as finished(QString) delivers it.
    QString page;
    QString error;
};

LookUp lookUp(const QString &word)
{
    LookUp r;
    r.status = SearchThread::lookUp(word, &r.model, &r.error);
    r.page = PageHtml::write(r.model);
    return r;
}

// A directory that the user "nobody" can enter and write, for the cases
// that need a non-root process (root reads and writes whatever it likes).
struct SharedDir
{
    QTemporaryDir dir{QDir::tempPath() + "/orvel-robustness-XXXXXX"};
    SharedDir() { QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)); }
    QString file(const QString &name) const { return dir.filePath(name); }
};

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

long peakChildMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

    QString dir;

    QString dictionary(const QString &name, const QStringList &lines = sample)
    {
        return TestUtil::writeDictionary(dir + "/" + name, lines);
    }

    // A fresh default connection on `name` with `lines` installed.
    QString installed(const QString &name, const QStringList &lines = sample)
    {
        [&] { QVERIFY(TestUtil::openFreshDatabase(dir + "/" + name + ".db")); }();
        const QString file = dictionary(name + ".txt", lines);
        [&] { QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed)); }();
        return file;
    }

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }
    void cleanup() { DictionaryDatabase::setBusyTimeout(10000); }

    void unusableDictionaryFilesLoseNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("directory")
            << "directory"
            << "install failed: %1 is not a dictionary text file but a folder, a device or a pipe";
        QTest::newRow("FIFO")
            << "FIFO"
            << "install failed: %1 is not a dictionary text file but a folder, a device or a pipe";
        QTest::newRow("missing") << "missing"
                                 << "install failed: cannot open %1: No such file or directory";
        QTest::newRow("binary")
            << "binary"
            << "install failed: %1 is not a dictionary text file (binary data at byte";
        QTest::newRow("empty name") << "empty name"
                                    << "install failed: no dictionary file was named";
    }

    void unusableDictionaryFilesLoseNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QString bad = kind == "empty name" ? QString() : dir + "/bad";
        if (kind == "directory")
            QVERIFY(QDir().mkpath(bad));
        if (kind == "FIFO")
            QCOMPARE(mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        if (kind == "binary") {
            // A few good lines, then an ELF header: refused as a whole.
            QByteArray bytes = Generator::generate({200, false, 4});
            bytes += QByteArray("\x7f"
                                "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0>\0",
                                20);
            TestUtil::writeBytes(bad, bytes);
        }
        const QString db = dir + "/index.db";
        const QString good = dictionary("good.txt");

        // Nothing installed yet: the bad file leaves nothing behind.
        Run run = cli({"--database", db, "install", bad});
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.contains("orvel-cli: " + reason.arg(bad)), qPrintable(run.err));
        QCOMPARE(contents(db), QStringList());

        // A good install afterwards works, and a later bad attempt keeps it.
        // (A file is only read while nothing is installed.)
        QCOMPARE(cli({"--database", db, "install", good}).exit, 0);
        const QStringList before = contents(db);
        QCOMPARE(before.size(), 1 + 4);
        run = cli({"--database", db, "install", bad});
        QCOMPARE(run.exit, 1);
        if (kind == "binary")
            reason = "install failed: a dictionary is installed already (" + good + ")";
        QVERIFY2(run.err.contains("orvel-cli: " + reason.arg(bad)), qPrintable(run.err));
        QCOMPARE(contents(db), before);
        QCOMPARE(cli({"--database", db, "lookup", "run"}).exit, 0);
    }

    void commandsThatOnlyReadNeverCreateADatabase_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("list") << QStringList{"list"};
        QTest::newRow("lookup") << QStringList{"lookup", "run"};
        QTest::newRow("remove") << QStringList{"remove"};
        QTest::newRow("install") << QStringList{"install"};
    }

    void commandsThatOnlyReadNeverCreateADatabase()
    {
        QFETCH(QStringList, command);
        const bool install = command.first() == "install";
        if (install)
            command << dictionary("good.txt");
        // A mistyped path: only install makes the database.
        const QString db = dir + "/mistyped.db";
        Run run = cli(QStringList{"--database", db} + command);
        QCOMPARE(run.exit, install ? 0 : 2);
        if (!install)
            QCOMPARE(run.err,
                     "orvel-cli: no database at " + db + ": nothing has been installed there\n");
        QCOMPARE(QFileInfo::exists(db), install);

        // An empty path would mean Orvel's own database: refused.
        const bool own = QFileInfo::exists(Database::path());
        run = cli(QStringList{"--database", ""} + command);
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.err, QString("orvel-cli: --database needs a file name\n"));
        QCOMPARE(QFileInfo::exists(Database::path()), own);
    }

    void removeTakesTheDictionaryAndItsIndexAway()
    {
        const QString db = dir + "/index.db";
        const QString good = dictionary("good.txt");
        QCOMPARE(cli({"--database", db, "install", good}).exit, 0);
        const QStringList installed = contents(db);
        QCOMPARE(cli({"--database", db, "remove", "2"}).err,
                 QString("orvel-cli: remove failed: no dictionary with id 2 is installed\n"));
        QCOMPARE(contents(db), installed);

        const Run run = cli({"--database", db, "remove"});
        QCOMPARE(run.exit, 0);
        QCOMPARE(run.out, "removed " + good + "\n");
        QCOMPARE(contents(db), QStringList());
        QCOMPARE(cli({"--database", db, "remove"}).exit, 1);
        QCOMPARE(cli({"--database", db, "install", good}).exit, 0);
    }

    void unreadableDictionaryFile()
    {
        // Root reads files whatever their mode, so as root the install runs
        // in a child that gives up root first.
        const bool root = geteuid() == 0;
        SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("locked.txt"), sample);
        QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        const QString db = shared.file("index.db");
        const Run run = cli({"--database", db, "install", file}, root);
        if (root && run.exit == cannotDropRoot)
            QSKIP("running as root, and the user nobody cannot be switched to or cannot run "
                  "orvel-cli");
        QCOMPARE(run.exit, 1);
        QCOMPARE(
            run.err,
            QString("orvel-cli: install failed: cannot open %1: Permission denied\n").arg(file));
        QCOMPARE(contents(db), QStringList());
    }

    void invalidShiftJisIsIndexedAsDecoded()
    {
        // Invalid sequences decode to the substitute character U+001A and
        // never take a separator, a line end or the next line with them.
        const QList<QByteArray> lines = {
            "\x81\xa1"
            "bad\x81 : x\n", // lead byte before the separator
            "\x81\xa1"
            "ok : \xff\xfe\xfd\n", // undefined bytes in the body
            "\x81\xa1"
            "lead : end\x81\n", // lead byte right before the LF
            "\x81\xa1"
            "next : y\r\n",
            "\x81\xa1\x80\xa0\xfd : z\n", // single bytes that are no characters
            "\x82 : half a marker\n",
            "\x81\xa1"
            "last : \x81", // a lone lead byte at the very end decodes to nothing
        };
        const QString path = TestUtil::writeBytes(dir + "/invalid.txt", lines.join());
        QVERIFY(TestUtil::openFreshDatabase(dir + "/index.db"));
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));

        QStringList expected;
        qint64 offset = 0;
        for (const QByteArray &bytes : lines) {
            QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
            const Reference::Reading reading = Reference::read(decoder.decode(bytes));
            if (!reading.key.isNull())
                expected << QString::number(offset) + ":" + reading.key;
            offset += bytes.size();
        }
        QCOMPARE(TestUtil::wordRows(), expected);
        QVERIFY(expected.contains(
            QString("%1:NEXT").arg(lines[0].size() + lines[1].size() + lines[2].size())));

        for (const QString &word : QStringList{"next", "bad\x1a", "lead", "ok"}) {
            const LookUp r = lookUp(word);
            QVERIFY2(r.status == SearchThread::Found, qPrintable(Reference::dump(word)));
            QCOMPARE(PageCheck::check(r.model, word), QString());
        }
        QVERIFY(lookUp("next").page.contains("<li>y\r\n</li>"));
        // Indexed, but with its body gone the line renders nothing.
        QCOMPARE(lookUp("last").page, PageCheck::notFoundPage("last"));
    }

    void hundredMegabyteLineWithoutLineEnd()
    {
        const QString path = dir + "/long.txt";
        const qint64 length = 100 * 1000 * 1000;
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Generator::toShiftJis(M + "short : 短い\n" + M));
            const QByteArray chunk(1000 * 1000, 'a');
            for (qint64 written = 0; written < length; written += chunk.size())
                file.write(chunk);
            file.write(Generator::toShiftJis(" : 長い"));
        }
        const QString db = dir + "/index.db";
        const Run run = cli({"--database", db, "install", path});
        qInfo("peak memory of a build with a 100 MB line: %ld MB", peakChildMegabytes());
        // Lines have no length limit, so it must finish, not fail.
        QCOMPARE(run.exit, 0);
        // A guard against copies that grow with every buffer refill.
        QVERIFY2(peakChildMegabytes() < 3000, qPrintable(QString::number(peakChildMegabytes())));

        QSqlDatabase::addDatabase("QSQLITE", "long").setDatabaseName(db);
        {
            QSqlDatabase long_ = QSqlDatabase::database("long");
            QSqlQuery query(long_);
            QVERIFY(query.exec("SELECT position, length(name), substr(name, 1, 3), "
                               "(SELECT count FROM t_dictionary) FROM t_word ORDER BY position"));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toLongLong(), 0);
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toLongLong(),
                     Generator::toShiftJis(M + "short : 短い\n").size());
            QCOMPARE(query.value(1).toLongLong(), length);
            QCOMPARE(query.value(2).toString(), QString("AAA"));
            QCOMPARE(query.value(3).toInt(), 2);
            QVERIFY(!query.next());
        }
        QSqlDatabase::removeDatabase("long");
        const Run missing = cli({"--database", db, "lookup", "missing"});
        QCOMPARE(missing.exit, 1);
        QVERIFY2(missing.out.contains("is not found."), qPrintable(missing.out));
    }

    void dictionaryFileChangedAfterInstall()
    {
        const QString file = installed("changed");
        const QString found = lookUp("run").page;
        const qint64 runAt = Generator::toShiftJis(sample[0] + "\n").size();

        // Edited in place: the window shows whatever lies at the old offset.
        QStringList edited = {M + "xyz : 別", M + "more : もっと", M + "run : 新しい"};
        for (int i = 0; i < 200; ++i)
            edited << M + QString("w%1 : 語").arg(i);
        TestUtil::writeDictionary(file, edited);
        QByteArray bytes = readAll(file);
        ResultRenderer renderer("run");
        Eijiro::Decoder decoder;
        const QList<QByteArray> after = bytes.mid(runAt).split('\n');
        for (int i = 0; i < SearchThread::windowLines && i < after.size(); ++i)
            renderer.renderLine(decoder.decode(after[i] + (i + 1 < after.size() ? "\n" : "")));
        LookUp r = lookUp("run");
        QCOMPARE(r.page, PageHtml::write(renderer.finish()));
        QVERIFY(r.page != found);
        QCOMPARE(PageCheck::check(r.model, "run"), QString());

        // Overwritten with random bytes, NULs included: pages, no failure.
        QRandomGenerator rng(11);
        for (char &c : bytes)
            c = char(rng.bounded(256));
        TestUtil::writeBytes(file, bytes);
        for (const QString &word : QStringList{"apple", "run", "tail"}) {
            r = lookUp(word);
            QVERIFY(r.status == SearchThread::Found || r.status == SearchThread::NotFound);
            QCOMPARE(PageCheck::check(r.model, word), QString());
        }

        // Truncated before the word's line: reads past the end give nothing.
        TestUtil::writeBytes(file, Generator::toShiftJis(M + "a"));
        r = lookUp("tail");
        QCOMPARE(r.status, SearchThread::NotFound);
        QCOMPARE(r.page, PageCheck::notFoundPage("tail"));

        // Deleted, or a directory in its place: one clear line, and a page
        // that says so.
        for (const bool directory : {false, true}) {
            QVERIFY(QFile::remove(file) || QDir(file).removeRecursively());
            if (directory)
                QVERIFY(QDir().mkpath(file));
            MessageCapture messages;
            r = lookUp("run");
            QCOMPARE(r.status, SearchThread::Failed);
            QVERIFY2(r.error.startsWith("cannot open the dictionary file " + file),
                     qPrintable(r.error));
            QCOMPARE(messages.all(), QStringList{"QFile::open failed."});
            QVERIFY(r.page.startsWith("The dictionary file cannot be read:"));

            // The worker delivers that page, and its thread ends.
            auto *thread = new SearchThread;
            QSignalSpy pages(thread, &SearchThread::finished);
            QSignalSpy ended(thread, &QThread::finished);
            thread->setWord("run");
            thread->start();
            QVERIFY(ended.wait(30000) || ended.size() == 1);
            QCOMPARE(pages.size(), 1);
            QCOMPARE(pages[0][0].toString(), r.page);
            delete thread;
        }
    }

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
        const QString good = dictionary("good.txt");

        Run run = cli({"--database", db, "install", good});
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.contains("create table m_dictionary failed. (file is not a database"),
                 qPrintable(run.err));
        run = cli({"--database", db, "lookup", "run"});
        QCOMPARE(run.exit, 2);
        QVERIFY2(run.err.contains("file is not a database"), qPrintable(run.err));
        QCOMPARE(readAll(db), bytes);

        // In the program: the same lines, and the builder gives up at once
        // instead of reporting every row.
        closeDefault();
        {
            MessageCapture messages;
            QVERIFY(DictionaryDatabase::openOrCreateDefault(db) ==
                    DictionaryDatabase::Opened::SchemaFailed);
            QCOMPARE(messages.lines(QtCriticalMsg).size(), 1);
            QVERIFY(messages.lines(QtCriticalMsg)
                        .first()
                        .startsWith("create table m_dictionary failed. (file is not a database"));
            messages.clear();
            const LookUp r = lookUp("run");
            QCOMPARE(r.status, SearchThread::Failed);
            QVERIFY2(r.error.contains("file is not a database"), qPrintable(r.error));
            QCOMPARE(messages.all().size(), 1);
            QVERIFY(messages.all().first().startsWith(
                "QSqlQuery::exec failed. \"SELECT location FROM t_dictionary\" \"file is not a "
                "database"));
            messages.clear();
            QCOMPARE(TestUtil::install(good), int(ConvertThread::TransactionFailed));
            QCOMPARE(messages.all(), QStringList{"QSqlDatabase::transaction failed."});
        }
        closeDefault();
        QCOMPARE(readAll(db), bytes);
    }

    void readOnlyDatabase()
    {
        const bool root = geteuid() == 0;
        SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("dict.txt"), sample);
        const QString withDictionary = shared.file("installed.db");
        const QString empty = shared.file("empty.db");
        QCOMPARE(cli({"--database", withDictionary, "install", file}).exit, 0);
        QCOMPARE(cli({"--database", empty, "install", file}).exit, 0);
        QCOMPARE(cli({"--database", empty, "remove"}).exit, 0);
        for (const QString &db : QStringList{withDictionary, empty})
            QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ReadOther));
        const QByteArray before = readAll(withDictionary);
        const QByteArray emptyBefore = readAll(empty);

        // Look-ups only read.
        Run run = cli({"--database", withDictionary, "lookup", "run"}, root);
        if (root && run.exit == cannotDropRoot)
            QSKIP("running as root, and the user nobody cannot be switched to or cannot run "
                  "orvel-cli");
        QCOMPARE(run.exit, 0);
        QVERIFY(run.out.contains("走る"));

        // An install fails with the reason and leaves both files as they were.
        // (In write-ahead mode SQLite lets the transaction begin and refuses
        // the first write; the build stops there.)
        run = cli({"--database", empty, "install", file}, root);
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.endsWith("orvel-cli: install failed: cannot write the index: "
                                  "attempt to write a readonly database Unable to fetch row\n"),
                 qPrintable(run.err));
        QCOMPARE(readAll(withDictionary), before);
        QCOMPARE(readAll(empty), emptyBefore);

        // Removing fails as a whole, with the reason.
        run = cli({"--database", withDictionary, "remove"}, root);
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.contains("orvel-cli: remove failed: attempt to write a readonly database"),
                 qPrintable(run.err));
        QCOMPARE(readAll(withDictionary), before);
    }

    void databaseLockedByAnotherProcess()
    {
        const QString file = installed("locked");
        const QString db = dir + "/locked.db";
        const QString page = lookUp("run").page;
        const QStringList rows = contents(db);

        // A write transaction in another process: with write-ahead logging
        // look-ups go on reading the committed index without waiting.
        {
            LockHolder holder(db, "write");
            QVERIFY(holder.locked());
            const LookUp r = lookUp("run");
            QCOMPARE(r.status, SearchThread::Found);
            QCOMPARE(r.page, page);

            // A build cannot get the write lock: one failure, not one per row.
            DictionaryDatabase::setBusyTimeout(200);
            MessageCapture messages;
            QCOMPARE(TestUtil::install(file), int(ConvertThread::TransactionFailed));
            QCOMPARE(messages.all(), QStringList{"QSqlDatabase::transaction failed."});
        }
        QCOMPARE(contents(db), rows);

        // An exclusive lock keeps readers out: a look-up waits for it to end
        // and then succeeds... Any open connection in write-ahead mode holds
        // a shared lock that keeps the exclusive one out, so the default
        // connection is closed (look-ups only copy its settings).
        QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
        DictionaryDatabase::setBusyTimeout(10000);
        {
            LockHolder holder(db, "exclusive");
            QVERIFY(holder.locked());
            LookUp r;
            std::thread waiting([&r] { r = lookUp("run"); });
            QTest::qWait(300);
            holder.release();
            waiting.join();
            QCOMPARE(r.status, SearchThread::Found);
            QCOMPARE(r.page, page);
        }
        // ...or, when the lock outlasts the busy timeout, fails with one line.
        {
            LockHolder holder(db, "exclusive");
            QVERIFY(holder.locked());
            DictionaryDatabase::setBusyTimeout(200);
            MessageCapture messages;
            const LookUp r = lookUp("run");
            QCOMPARE(r.status, SearchThread::Failed);
            QVERIFY2(r.error.contains("database is locked"), qPrintable(r.error));
            QCOMPARE(messages.all().size(), 1);
            QVERIFY2(messages.all().first().startsWith("QSqlQuery::exec failed. \"SELECT location "
                                                       "FROM t_dictionary\" \"database is locked"),
                     qPrintable(messages.all().first()));
        }
        QCOMPARE(contents(db), rows);
    }

    void garbageSettingsStillGiveAWindow_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("wrong types")
            << QByteArray("[Window]\nsize=banana\nmenubar=maybe\n"
                          "statusbar=@Invalid()\ntopmost=2\n"
                          "[Preferences]\nfontFamily=@ByteArray(\\0\\xff)\n"
                          "fontSize=-7\n");
        QTest::newRow("extremes") << QByteArray(
            "[Window]\nsize=@Size(-5 100000)\n"
            "[Preferences]\nfontFamily=\nfontSize=2147483647\n");
        QTest::newRow("huge window") << QByteArray("[Window]\nsize=@Size(100000 100000)\n"
                                                   "[Preferences]\nfontSize=0\n");
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(5);
        for (char &c : noise)
            c = char(rng.bounded(256));
        QTest::newRow("noise") << noise;
    }

    void garbageSettingsStillGiveAWindow()
    {
        QFETCH(QByteArray, settings);
        closeDefault();
        const QString path = QSettings().fileName();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        TestUtil::writeBytes(path, settings);
        {
            MainWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.isVisible());
            // Within the result font's bounds, in the view and in what the
            // preferences dialog would edit.
            const QFont font = window.browserFont();
            QVERIFY2(font.pointSize() >= ViewSettings::minimumFontSize &&
                         font.pointSize() <= ViewSettings::maximumFontSize,
                     qPrintable(QString::number(font.pointSize())));
            QCOMPARE(window.viewSettings()->font(), font);
            // The window works: a look-up gives the no-dictionary page.
            auto *edit = window.findChild<QLineEdit *>("searchEdit");
            auto *browser = window.findChild<QTextBrowser *>("textBrowser");
            QVERIFY(edit && browser);
            edit->setText("run");
            QTRY_VERIFY_WITH_TIMEOUT(
                browser->toPlainText().startsWith("No dictionary is installed."), 30000);
            window.close();
        }
        // What it writes back reads as a usable state.
        QSettings stored;
        QCOMPARE(stored.status(), QSettings::NoError);
        const int written = stored.value("Preferences/fontSize").toInt();
        QVERIFY(written >= ViewSettings::minimumFontSize &&
                written <= ViewSettings::maximumFontSize);
        closeDefault();
    }

    void hostileTypedWords()
    {
        installed("typed");
        QStringList words = {QString(100000, 'a'),
                             QString("run").repeated(40000),
                             QString(QChar(0)) + "run",
                             "run" + QString(QChar(0)),
                             QString::fromUtf16(u"\x01\x02\x1b[31m\x7f\x9f"),
                             "<b>&amp;\"'</b>",
                             "%1 %2 %L1",
                             QString(QChar(0xD800)) + "run" + QChar(0xDC00),
                             "run\n",
                             "\u3000run",
                             QString(1000, QChar(0x25A0))};
        for (const QString &word : words) {
            const LookUp r = lookUp(word);
            QVERIFY(r.status == SearchThread::NotFound || r.status == SearchThread::Found);
            QCOMPARE(PageCheck::check(r.model, word), QString());
        }
        QCOMPARE(lookUp(words[2]).page, PageCheck::notFoundPage(words[2]));

        // Through the window: each gives a page and a title, nothing else.
        const QString db = dir + "/typed.db";
        closeDefault();
        QSettings settings;
        settings.setValue("Window/size", QSize(400, 300));
        settings.sync();
        const QString windowDb = Database::path();
        QFile::remove(windowDb);
        QVERIFY(QFile::copy(db, windowDb));
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *edit = window.findChild<QLineEdit *>("searchEdit");
        auto *browser = window.findChild<QTextBrowser *>("textBrowser");
        QVERIFY(edit && browser);
        words << "run";
        for (const QString &word : std::as_const(words)) {
            browser->clear();
            edit->setText(word);
            QTRY_VERIFY_WITH_TIMEOUT(!browser->toPlainText().isEmpty(), 30000);
            QCOMPARE(window.windowTitle(), edit->text() + " - Orvel");
        }
        QVERIFY(browser->toPlainText().contains("走る"));
        window.close();
        closeDefault();
    }

    void longHeadsRenderCompletely()
    {
        // Highlighting and the label rule once took time quadratic in the
        // head's length; a look-up over such a line never came back.
        const int repeats = 200000;
        ResultRenderer many("run");
        many.renderLine(M + QString("runxxxxxxx").repeated(repeats) + " : x\n");
        PageCheck::Shape shape;
        QCOMPARE(PageCheck::check(many.finish(), "run", &shape), QString());
        QCOMPARE(shape.marks, repeats);
        QCOMPARE(shape.items, 1);

        // Many brace groups: only the last may be the label, and here its
        // content has two separate hyphens, so there is none.
        const QString groups = "w" + QString("  {x").repeated(repeats);
        Eijiro::RendererReading reading;
        QVERIFY(Eijiro::readRenderer(M + groups + "-b-} : y", &reading));
        QVERIFY(!reading.hasLabel);
        QCOMPARE(reading.entryWord, groups + "-b-}");
        QVERIFY(Eijiro::readRenderer(M + groups + "--b} : y", &reading));
        QVERIFY(reading.hasLabel);
        QCOMPARE(reading.label, QString("x"));
        QCOMPARE(reading.entryWord.size(), groups.size() - 4);
    }

    void fuzzSeedsAgreeWithTheReference()
    {
        // The seed inputs of the fuzz targets, replayed in every build.
        const QDir seeds(qEnvironmentVariable("ORVEL_SOURCE_DIR") + "/fuzz/corpus/line");
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 10);
        Eijiro::Decoder decoder;
        for (const QString &name : names) {
            const QString line = decoder.decode(readAll(seeds.filePath(name)));
            QVERIFY2(Reference::compare(line).isEmpty(), qPrintable(name));
        }
    }
};

int main(int argc, char **argv)
{
    // The same program serves as the other process that holds a lock.
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestRobustness test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robustness.moc"
