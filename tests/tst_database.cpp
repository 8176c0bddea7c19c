// Where the dictionary database lives, what opening makes of the file found
// there, and what the database classes read and write; files that are no
// database, read-only or locked by another process: each failure says why
// in one line, and nothing of the file or of what is installed is lost.
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "database/dictionaryremoval.h"
#include "database/dictionarysettings.h"
#include "database/diskroom.h"
#include "database/indexreader.h"
#include "database/indexwriter.h"
#include "database/installeddictionaries.h"
#include "database/readerfile.h"
#include "generator.h"
#include "lookupfixture.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>
#include <thread>

using namespace LookUpFixture;
using Opened = DictionaryDatabase::Opened;
using Answer = Records::Answer;
using Insert = IndexWriter::Insert;
Q_DECLARE_METATYPE(Opened)

namespace {

QString scalar(const QString &sql)
{
    QSqlQuery query(sql);
    return query.next() ? query.value(0).toString() : QStringLiteral("<none>");
}

QString typesText()
{
    QList<Records::Type> types;
    if (!InstalledDictionaries().types(&types))
        return "failed";
    QStringList out;
    for (const auto &type : types)
        out << QString("%1 %2%3").arg(type.id).arg(type.name, type.installed ? " installed" : "");
    return out.join(", ");
}

// Runs one operation; false when it failed rather than found something or
// nothing, with the reason in `error`.
bool answered(const QString &operation, QString *error)
{
    QString location;
    qint64 position;
    IndexReader reader;
    InstalledDictionaries dictionaries;
    const auto read = [&](Answer answer) {
        *error = reader.lastError();
        return answer != Answer::Failed;
    };
    const auto done = [&](bool ok, const QueryRunner &runner) {
        *error = runner.lastError();
        return ok;
    };
    Records::Registration registration;
    QList<Records::Installed> installed;
    QList<Records::Type> types;
    if (operation == "location")
        return read(reader.dictionaryLocation(&location));
    if (operation == "position")
        return read(reader.firstPosition("RUN", &position));
    if (operation == "registration")
        return done(dictionaries.registration(1, &registration) != Answer::Failed, dictionaries);
    if (operation == "installed")
        return done(dictionaries.list(&installed), dictionaries);
    if (operation == "types")
        return done(dictionaries.types(&types), dictionaries);
    if (operation == "removal") {
        DictionaryRemoval removal;
        return done(removal.remove(1), removal);
    }
    IndexWriter writer(QSqlDatabase::database());
    const bool registered =
        writer.beginBuild() && writer.registerDictionary("/dict.txt", 1, "", "Eijiro");
    done(registered, writer);
    writer.rollback();
    return registered;
}

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
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
    db.setDatabaseName(QString::fromLocal8Bit(argv[3]));
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

// Installs dictionary `id` at `location` whose one word, RUN, is at
// `position`, named after its file.
bool installRun(const QString &location, qint64 position, int id = 1)
{
    IndexWriter writer(QSqlDatabase::database());
    return writer.beginBuild() && writer.prepareRows(id) &&
           writer.insertWord(position, "RUN") == Insert::Written &&
           writer.registerDictionary(location, 1, "", QFileInfo(location).baseName()) &&
           writer.commit();
}

// The lowest id no installed dictionary has.
int freeId()
{
    QList<Records::Installed> installed;
    InstalledDictionaries().list(&installed);
    int id = 1;
    while (std::any_of(installed.cbegin(), installed.cend(),
                       [id](const Records::Installed &d) { return d.id == id; }))
        ++id;
    return id;
}

// The installed dictionaries in the user's order, as "ID NAME on|off".
QString listed()
{
    QList<Records::Installed> installed;
    if (!InstalledDictionaries().list(&installed))
        return "failed";
    QStringList out;
    for (const Records::Installed &dictionary : std::as_const(installed))
        out << QString("%1 %2 %3")
                   .arg(dictionary.id)
                   .arg(dictionary.name, dictionary.enabled ? "on" : "off");
    return out.join(", ");
}

// What a new look-up reads: the installed file and RUN's position.
QString lookedUp()
{
    IndexReader reader;
    QString location;
    qint64 position = -1;
    if (reader.dictionaryLocation(&location) != Answer::Found ||
        reader.firstPosition("RUN", &position) != Answer::Found)
        return "nothing";
    return QString("%1 %2").arg(location).arg(position);
}

// Whether the look-up's statement finds names through the name index, and
// the index holds exactly the rows of t_word.
bool nameIndexServesLookUps()
{
    QSqlQuery plan("EXPLAIN QUERY PLAN SELECT position FROM t_word WHERE name = 'RUN' LIMIT 1");
    bool used = false;
    while (plan.next())
        used = used || plan.value(3).toString().contains("i_word_name");
    return used && scalar("PRAGMA integrity_check") == "ok";
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        Database::setBusyTimeout(10000);
        QSqlDatabase::removeDatabase("reading");
    }

    void liesBesideTheSettingsFileBeforeAndAfterItExists()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!config.isEmpty());
        const QString folder = QFileInfo(config + "/veldrana").absoluteFilePath();
        QVERIFY(!QFileInfo::exists(folder + "/orvel.conf"));
        // Not yet written: the same folder, never the working directory or
        // the root of the file system.
        QCOMPARE(Database::path(), folder + "/orvel.db");
        {
            QSettings settings;
            settings.setValue("Window/menubar", true);
        }
        QVERIFY(QFileInfo::exists(folder + "/orvel.conf"));
        QCOMPARE(Database::path(), QFileInfo(folder).canonicalFilePath() + "/orvel.db");
    }

    void aFolderThatCannotBeMadeIsReportedNotReplaced()
    {
        // The settings folder lies below a plain file, so neither settings
        // nor database can be written; the command line that would create
        // the database says so and creates nothing anywhere else.
        const QString dir = TestUtil::makeDir("blocked");
        TestUtil::writeBytes(dir + "/file", "not a folder");
        TestUtil::RunOptions options;
        options.environment.insert("XDG_CONFIG_HOME", dir + "/file/config");
        options.workingDirectory = dir;
        const TestUtil::Run run = TestUtil::cli({"install", "dict.txt"}, options);
        QCOMPARE(run.exit, 1);
        const QString &err = run.err;
        // One line, with SQLite's reason.
        QVERIFY2(err.startsWith("orvel-cli: cannot open the database " + dir +
                                "/file/config/veldrana/orvel.db: ") &&
                     err.count('\n') == 1,
                 qPrintable(err));
        QCOMPARE(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"file"});
        QVERIFY(!QFileInfo::exists("/orvel.db"));
    }

    void openingCreatesTheSchemaOnlyWhereThereIsNone_data()
    {
        QTest::addColumn<QString>("found");    // what lies at the path
        QTest::addColumn<QByteArray>("bytes"); // of a file that is no database
        QTest::addColumn<Opened>("opened");
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QString>("error");
        const QStringList schema{"m_dictionary", "t_dictionary", "t_word", "t_entry"};
        QTest::newRow("nothing") << "nothing" << QByteArray() << Opened::Ready << schema
                                 << QString();
        QTest::newRow("another program's table")
            << "table" << QByteArray() << Opened::Ready << QStringList{"notes"} << QString();
        QTest::newRow("a folder") << "folder" << QByteArray() << Opened::Failed << QStringList()
                                  << "unable to open database file";
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator rng(3);
        for (char &c : noise)
            c = char(rng.bounded(256));
        const QList<QPair<const char *, QByteArray>> noDatabase{
            {"text", "plain text, no database\n"},
            {"noise", noise},
            {"damaged header", QByteArray("SQLite format 3\0", 16) + noise}};
        for (const auto &[name, bytes] : noDatabase)
            QTest::newRow(name) << "file" << bytes << Opened::SchemaFailed << QStringList()
                                << "file is not a database";
    }

    void openingCreatesTheSchemaOnlyWhereThereIsNone()
    {
        QFETCH(QString, found);
        QFETCH(QByteArray, bytes);
        QFETCH(Opened, opened);
        QFETCH(QStringList, tables);
        QFETCH(QString, error);
        TestUtil::closeDefaultConnection();
        const QString dir = TestUtil::makeDir("opening");
        const QString file = dir + "/" + found + ".db";
        if (found == "table") {
            QVERIFY(DictionaryDatabase::openDefault(file) == Opened::WithoutTables);
            QVERIFY(QSqlQuery().exec("CREATE TABLE notes (text TEXT)"));
            TestUtil::closeDefaultConnection();
        } else if (found == "file") {
            TestUtil::writeBytes(file, bytes);
        } else if (found == "folder") {
            QVERIFY(QDir().mkpath(file));
        }

        MessageCapture messages;
        QString reason;
        QCOMPARE(DictionaryDatabase::openOrCreateDefault(file, &reason), opened);
        QVERIFY2(error.isEmpty() ? reason.isEmpty() : reason.contains(error), qPrintable(reason));
        if (opened == Opened::Ready) {
            QCOMPARE(QSqlDatabase::database().tables(QSql::Tables), tables);
            // Look-ups read while an installation writes.
            QCOMPARE(scalar("PRAGMA journal_mode"), QString("wal"));
        }
        if (found == "nothing")
            QCOMPARE(typesText(), QString("1 Eijiro, 2 EDICT"));
        if (found != "file")
            return;
        // The file is not read as an empty one that needs a schema, and a
        // build gives up at once instead of reporting every row.
        QVERIFY(oneLine(messages.lines(QtCriticalMsg),
                        "QSqlDatabase::transaction failed. (file is not a database"));
        messages.clear();
        QCOMPARE(TestUtil::install(TestUtil::writeDictionary(dir + "/d.txt", sample)),
                 int(ConvertThread::TransactionFailed));
        QCOMPARE(messages.all(), QStringList{"QSqlDatabase::transaction failed."});
        TestUtil::closeDefaultConnection();
        QCOMPARE(TestUtil::readBytes(file), bytes);
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
        const TestUtil::Run run = TestUtil::cli(
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
        const QString dir = TestUtil::makeDir("locked");
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

    // A build written through the operations the builder uses, read back
    // through those of the look-up, the lists and orvel-cli, then removed.
    void operationsReadWhatABuildWrote()
    {
        QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("operations") + "/orvel.db"));
        IndexWriter database(QSqlDatabase::database());
        InstalledDictionaries dictionaries;
        IndexReader reader;
        QString location;
        QCOMPARE(reader.dictionaryLocation(&location), Answer::None);

        // Rolled back: nothing of it stays.
        QVERIFY(database.beginBuild() && database.prepareRows(1));
        QCOMPARE(database.insertWord(0, "GONE"), Insert::Written);
        database.rollback();
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QVERIFY(nameIndexServesLookUps());

        QVERIFY(database.beginBuild() && database.prepareRows(1));
        QCOMPARE(database.insertWord(10, "RUN"), Insert::Written);
        QCOMPARE(database.insertWord(25, "WALK"), Insert::Written);
        QCOMPARE(database.insertWord(40, "RUN"), Insert::Written);
        // The same line twice costs that row only; the build goes on.
        QCOMPARE(database.insertWord(25, "TALK"), Insert::Clash);
        QCOMPARE(database.insertWord(55, "TALK"), Insert::Written);
        QVERIFY(database.registerDictionary("/dict/eijiro.txt", 5, "", "Eijiro"));
        QVERIFY(database.commit());
        QVERIFY(nameIndexServesLookUps());

        QCOMPARE(reader.dictionaryLocation(&location), Answer::Found);
        QCOMPARE(location, QString("/dict/eijiro.txt"));
        qint64 position = -1;
        // A key's first line in the file, not its last.
        QCOMPARE(reader.firstPosition("RUN", &position), Answer::Found);
        QCOMPARE(position, 10);
        QCOMPARE(reader.firstPosition("TALK", &position), Answer::Found);
        QCOMPARE(position, 55);
        QCOMPARE(reader.firstPosition("SWIM", &position), Answer::None);
        Records::Registration registration;
        QCOMPARE(dictionaries.registration(2, &registration), Answer::None);
        QCOMPARE(dictionaries.registration(1, &registration), Answer::Found);
        QCOMPARE(registration.location + " " + registration.count, "/dict/eijiro.txt 5");
        QCOMPARE(scalar("SELECT encoding IS NULL FROM t_dictionary"), QString("0"));
        QList<Records::Installed> installed;
        QVERIFY(dictionaries.list(&installed));
        QCOMPARE(installed.size(), 1);
        QCOMPARE(installed[0].id, 1);
        QCOMPARE(installed[0].name + " " + installed[0].location, "Eijiro /dict/eijiro.txt");
        QCOMPARE(typesText(), QString("1 Eijiro installed, 2 EDICT"));
        // A second build is refused before it has read anything.
        QVERIFY(database.beginBuild());
        QCOMPARE(database.registerDictionary("/dict/other.txt", 1, "", "other"), false);
        QVERIFY2(database.lastError().contains("UNIQUE"), qPrintable(database.lastError()));
        database.rollback();

        reader.close();
        QVERIFY(DictionaryRemoval().remove(1));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(IndexReader().dictionaryLocation(&location), Answer::None);
        QCOMPARE(typesText(), QString("1 Eijiro, 2 EDICT"));
    }

    void severalDictionariesKeepTheUsersOrderNamesAndSwitches_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as installed") << QStringList{} << "1 a on, 2 b on, 3 c on";
        QTest::newRow("moved up") << QStringList{"move 3 -1"} << "1 a on, 3 c on, 2 b on";
        QTest::newRow("moved past the start")
            << QStringList{"move 3 -9", "move 1 9"} << "3 c on, 2 b on, 1 a on";
        // The others shift up a place each; none swaps with it.
        QTest::newRow("moved two places") << QStringList{"move 1 2"} << "2 b on, 3 c on, 1 a on";
        QTest::newRow("ordered") << QStringList{"order 2 3 1"} << "2 b on, 3 c on, 1 a on";
        QTest::newRow("switched off and on")
            << QStringList{"off 2", "off 1", "on 1"} << "1 a on, 2 b off, 3 c on";
        QTest::newRow("renamed") << QStringList{"rename 2 <b>&amp;  ", "rename 3 x\ny"}
                                 << "1 a on, 2 <b>&amp; on, 3 x y on";
        QTest::newRow("removed, then one more")
            << QStringList{"order 3 2 1", "remove 2", "install 4"} << "3 c on, 1 a on, 2 d on";
        QTest::newRow("removed all, then one")
            << QStringList{"remove 1", "remove 2", "remove 3", "install 4"} << "1 d on";
        // Refused, and nothing changes.
        QTest::newRow("empty name") << QStringList{"!rename 1  \t "} << "1 a on, 2 b on, 3 c on";
        QTest::newRow("10,000 characters")
            << QStringList{"!rename 1 " + QString(10000, 'x')} << "1 a on, 2 b on, 3 c on";
        QTest::newRow("not installed")
            << QStringList{"!rename 7 x", "!off 7", "!move 7 1", "!order 1 2", "!order 1 2 3 3"}
            << "1 a on, 2 b on, 3 c on";
    }

    // Names, order and switches are kept per dictionary; a change that is
    // refused changes nothing, and a removal takes them along.
    void severalDictionariesKeepTheUsersOrderNamesAndSwitches()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("settings") + "/orvel.db"));
        for (int id = 1; id <= 3; ++id)
            QVERIFY(installRun(QString("/%1.txt").arg(QChar('a' + id - 1)), 10 * id, id));
        for (QString step : std::as_const(steps)) {
            const bool refused = step.startsWith('!');
            step = step.mid(refused ? 1 : 0).replace("\\n", "\n").replace("\\t", "\t");
            const QString verb = step.section(' ', 0, 0);
            const int id = step.section(' ', 1, 1).toInt();
            DictionarySettings settings;
            bool done = false;
            if (verb == "move")
                done = settings.move(id, step.section(' ', 2).toInt());
            else if (verb == "rename")
                done = settings.rename(id, step.section(' ', 2));
            else if (verb == "on" || verb == "off")
                done = settings.setEnabled(id, verb == "on");
            else if (verb == "remove")
                done = DictionaryRemoval().remove(id);
            else if (verb == "install")
                done = installRun(QString("/%1.txt").arg(QChar('a' + id - 1)), 1, freeId());
            else if (verb == "order") {
                QList<int> ids;
                for (const QString &number : step.section(' ', 1).split(' '))
                    ids << number.toInt();
                done = settings.setOrder(ids);
            }
            QVERIFY2(done != refused, qPrintable(step + ": " + settings.lastError()));
            if (refused)
                QVERIFY(!settings.lastError().isEmpty());
        }
        QCOMPARE(listed(), expected);
    }

    void oneReadingOfTheSwitch_data()
    {
        QTest::addColumn<QString>("stored"); // in t_installed.enabled, as SQL
        QTest::addColumn<bool>("on");
        for (const char *on : {"1", "'1'", "1.0"})
            QTest::newRow(on) << QString(on) << true;
        for (const char *off : {"0", "2", "-1", "0.5", "'yes'", "'on'", "x'01'"})
            QTest::newRow(off) << QString(off) << false;
    }

    // Whatever another program wrote there, the list and the look-ups
    // read a dictionary's switch alike: on is the 1 switching on writes.
    void oneReadingOfTheSwitch()
    {
        QFETCH(QString, stored);
        QFETCH(bool, on);
        QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("switch") + "/orvel.db"));
        QVERIFY(installRun("/a.txt", 10));
        QVERIFY(DictionarySettings().setEnabled(1, true));
        QVERIFY(QSqlQuery().exec("UPDATE t_installed SET enabled = " + stored));
        QCOMPARE(listed(), QString("1 a ") + (on ? "on" : "off"));
        QList<Records::Installed> read;
        QCOMPARE(IndexReader().dictionaries(&read), Answer::Found);
        QCOMPARE(read.value(0).enabled, on);
    }

    // A database made before names and order: its dictionary is listed
    // under its type's name, switched on, and one installed beside it comes
    // after it; neither is built again.
    void aDatabaseFromBeforeGainsNamesAndOrder()
    {
        const QString dir = TestUtil::makeDir("before");
        const QString file = TestUtil::writeDictionary(dir + "/old.txt", sample);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        // As an Orvel before names left it.
        QVERIFY(QSqlQuery().exec("DROP TABLE t_installed"));
        const QStringList rows = TestUtil::wordRows();
        QCOMPARE(listed(), QString("1 Eijiro on"));
        const QString other = TestUtil::writeDictionary(dir + "/new.txt", {M + "swim : 泳ぐ"});
        QCOMPARE(TestUtil::install(other), int(ConvertThread::Committed));
        QCOMPARE(listed(), QString("1 Eijiro on, 2 Eijiro on"));
        QVERIFY(DictionarySettings().move(2, -1));
        QCOMPARE(listed(), QString("2 Eijiro on, 1 Eijiro on"));
        QCOMPARE(TestUtil::wordRows(), rows);
    }

    // A look-up reads one state of the index from its first statement to
    // its last, and once the look-ups of the moment are done, the next one
    // reads what was committed meanwhile, whatever the cache they share holds.
    void lookUpsReadTheIndexAsCommitted()
    {
        // The removal's log, which the reading needs, stays: no long wait.
        Database::setBusyTimeout(100);
        QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("committed") + "/orvel.db"));
        QVERIFY(installRun("/first.txt", 10));
        QString location;
        qint64 position = -1;
        IndexReader reading;
        QCOMPARE(reading.dictionaryLocation(&location), Answer::Found);
        DictionaryRemoval().remove(1);
        QVERIFY(installRun("/second.txt", 20));
        QCOMPARE(reading.firstPosition("RUN", &position), Answer::Found);
        QCOMPARE(position, 10);
        reading.close();
        QCOMPARE(reading.firstPosition("RUN", &position), Answer::Failed);
        QCOMPARE(lookedUp(), QString("/second.txt 20"));
    }

    // The log is emptied after an install and after a removal; when another
    // connection still reads the state before, it cannot be, which is said.
    // A removal frees its pages without writing each to the log: its log,
    // kept whole for that reader, is a few pages, not the index.
    void aLogThatCannotBeEmptiedIsReported()
    {
        const QString db = TestUtil::makeDir("log") + "/orvel.db";
        Database::setBusyTimeout(100);
        QVERIFY(TestUtil::openFreshDatabase(db));
        QVERIFY(Generator::write(db + ".txt", {100000, false, 4}));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "reading");
        other.setDatabaseName(db);
        QSqlQuery held(other);
        // A statement that has read a row and goes on reads that state.
        const auto hold = [&] {
            return other.open() && held.exec("SELECT 1 FROM m_dictionary") && held.next();
        };
        QVERIFY(hold());
        QCOMPARE(TestUtil::install(db + ".txt"), int(ConvertThread::CheckpointFailed));
        held.finish();
        QVERIFY(DiskRoom().truncateLog());
        QCOMPARE(QFileInfo(db + "-wal").size(), 0);
        const qint64 size = QFileInfo(db).size();
        QVERIFY(hold());
        DictionaryRemoval removal;
        QVERIFY(removal.remove(1));
        QVERIFY(removal.notice().contains("another program is reading the database"));
        // A page or two for each table of the dictionary's rows and the
        // freed pages' list, never the index's pages themselves.
        const qint64 log = QFileInfo(db + "-wal").size();
        QVERIFY2(log > 0 && log < size / 30, qPrintable(QString("%1 of %2").arg(log).arg(size)));
        QCOMPARE(TestUtil::rowCount("t_word") + TestUtil::rowCount("t_entry"), 0);
        // Once the reader is done, the disk gets the index's room back.
        held.finish();
        QVERIFY(DiskRoom().truncateLog());
        QVERIFY(QFileInfo(db).size() < size / 50);
    }

    // Room kept beside the database so that a removal works on a full disk:
    // given up as the database is opened on a disk with less free (opening
    // needs a little room too), written again as it is opened on a disk
    // with room (a removal killed after giving it up) and after a removal.
    void theReserveIsGivenUpWhereRoomIsShort()
    {
        const QString db = TestUtil::makeDir("reserve") + "/orvel.db";
        const QString reserve = DiskRoom::reserveFile(db);
        QVERIFY(TestUtil::openFreshDatabase(db) && DiskRoom().keepReserve());
        // -1: as much free as the disk has.
        for (const qint64 free : {DiskRoom::reserveSize, qint64(0), qint64(-1)}) {
            TestUtil::closeDefaultConnection();
            DiskRoom::pretendFreeSpace(free);
            QVERIFY(DictionaryDatabase::openDefault(db) == Opened::Ready);
            DiskRoom::pretendFreeSpace(-1);
            QCOMPARE(QFileInfo(reserve).size(), free != 0 ? DiskRoom::reserveSize : 0);
        }
        QVERIFY(DictionaryRemoval().remove(1));
        QCOMPARE(QFileInfo(reserve).size(), DiskRoom::reserveSize);
        QCOMPARE(QFileInfo(db + "-wal").size(), 0);
    }

    // Look-ups share SQLite's cache of the file while the program has it
    // open; a file put in its place is read anew, not through that cache.
    void aDatabaseReplacedAtItsPathIsReadAnew()
    {
        const QString dir = TestUtil::makeDir("replaced");
        for (const char *name : {"new", "old"}) {
            QVERIFY(TestUtil::openFreshDatabase(QString("%1/%2.db").arg(dir, name)));
            QVERIFY(installRun(QString("/%1.txt").arg(name), 10));
        }
        QCOMPARE(lookedUp(), QString("/old.txt 10"));
        // Nothing left in the old file's log, which the new file would
        // otherwise be read with.
        QVERIFY(QSqlQuery().exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        QVERIFY(::rename(qPrintable(dir + "/new.db"), qPrintable(dir + "/old.db")) == 0);
        QCOMPARE(lookedUp(), QString("/new.txt 10"));
    }

    // A statement that fails is never taken for an answer: each operation
    // says so and gives SQLite's reason.
    void failedStatementsAreReportedNotAnswered_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char *operation : {"location", "position", "registration", "installed", "types",
                                      "removal", "registering"})
            QTest::newRow(operation) << operation;
    }

    void failedStatementsAreReportedNotAnswered()
    {
        QFETCH(QString, operation);
        QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("failing") + "/orvel.db"));
        for (const char *table : {"t_word", "t_dictionary", "m_dictionary"})
            QVERIFY(QSqlQuery().exec(QString("ALTER TABLE %1 RENAME TO old_%1").arg(table)));
        QString error;
        QVERIFY(!answered(operation, &error));
        QVERIFY2(error.contains("no such table"), qPrintable(error));
    }
};

int main(int argc, char **argv)
{
    // The same program serves as the other process that holds a lock.
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QCoreApplication app(argc, argv);
    TestDatabase test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
