// Start-up: the dictionary database set up beside the main window's
// settings on the first start, and the loading of the interface translation.

#include "app/translation.h"
#include "database/dictionarydatabase.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTranslator>

namespace {

// The objects of the schema, as objects() lists them.
const QStringList schema = {"index i_word_name on t_word", "table m_dictionary",
                            "table t_dictionary", "table t_entry", "table t_word"};

// Where the settings and the database must land, worked out from the
// environment rather than from the code under test.
QString configFolder()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/veldrana";
}
QString settingsFile()
{
    return configFolder() + "/orvel.conf";
}
QString databaseFile()
{
    return configFolder() + "/orvel.db";
}

// Runs statements on the database file through a connection of its own.
void prepareDatabase(const QStringList &statements)
{
    QDir().mkpath(configFolder());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "prepare");
        db.setDatabaseName(databaseFile());
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &sql : statements)
            QVERIFY2(query.exec(sql), qPrintable(sql));
    }
    QSqlDatabase::removeDatabase("prepare");
}

// The tables, views and indexes in the database, by name. SQLite's own
// (the index behind a composite key) are left out.
QStringList objects()
{
    QStringList rows;
    QSqlQuery query("SELECT type, name, tbl_name FROM sqlite_master WHERE name NOT LIKE "
                    "'sqlite%' ORDER BY name");
    while (query.next()) {
        const QString table = query.value(2).toString();
        rows << query.value(0).toString() + " " + query.value(1).toString() +
                    (table == query.value(1).toString() ? QString() : " on " + table);
    }
    return rows;
}

// What the schema does with rows, tried in a transaction that is rolled
// back: the rows it must take and refuse, numbers kept as numbers, and a
// key's look-up searching the index rather than the whole table. Each
// difference is one line.
QStringList schemaFaults()
{
    QStringList faults;
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return {"no transaction"};
    const struct
    {
        bool taken;
        const char *sql;
    } rows[] = {
        // A registration per dictionary, with its file; the rest may be unknown.
        {true, "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (1, '/a', '', 2)"},
        {false, "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (1, '/b', '', 2)"},
        {false, "INSERT INTO t_dictionary (id, location) VALUES (2, NULL)"},
        {true, "INSERT INTO t_dictionary (id, location) VALUES (3, '/c')"},
        // An index row per line of a dictionary, with its key; keys repeat.
        {true, "INSERT INTO t_word (id, position, name) VALUES (1, 0, 'RUN')"},
        {false, "INSERT INTO t_word (id, position, name) VALUES (1, 0, 'WALK')"},
        {true, "INSERT INTO t_word (id, position, name) VALUES (3, 0, 'RUN')"},
        {true, "INSERT INTO t_word (id, position, name) VALUES (1, 40, 'RUN')"},
        {false, "INSERT INTO t_word (id, position, name) VALUES (1, 80, NULL)"},
        {false, "INSERT INTO t_word (id, position, name) VALUES (1, NULL, 'X')"},
        {false, "INSERT INTO t_word (id, position, name) VALUES (NULL, 120, 'X')"},
        // A type per id, with a name.
        {false, "INSERT INTO m_dictionary (id, name) VALUES (1, 'Again')"},
        {false, "INSERT INTO m_dictionary (id, name) VALUES (2, NULL)"},
    };
    for (const auto &row : rows) {
        if (QSqlQuery().exec(row.sql) != row.taken)
            faults << (row.taken ? "refused: " : "taken: ") + QString(row.sql);
    }
    // Offsets past 4 GiB, stored as the builder binds them, come back as
    // numbers, in numeric order.
    QSqlQuery query;
    query.prepare("INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)");
    query.addBindValue(1);
    query.addBindValue(qint64(5) << 30);
    query.addBindValue("FAR");
    if (!query.exec())
        faults << "refused: a far offset";
    query.exec("SELECT typeof(position) || ' ' || position FROM t_word WHERE id = 1 ORDER BY "
               "position DESC LIMIT 1");
    if (!query.next() || query.value(0).toString() != "integer " + QString::number(5LL << 30))
        faults << "far offset: " + query.value(0).toString();
    query.exec("EXPLAIN QUERY PLAN SELECT position FROM t_word WHERE name = 'RUN' LIMIT 1");
    QString plan;
    while (query.next())
        plan += query.value(3).toString();
    if (!plan.contains("INDEX i_word_name"))
        faults << "key look-up: " + plan;
    query.finish();
    db.rollback();
    return faults;
}

QStringList dictionaryTypes()
{
    return TestUtil::pairs("SELECT id, name FROM m_dictionary ORDER BY id");
}

// Compiles a translation holding `messages` (context, source, translation)
// into `qmFile` with lrelease.
bool writeTranslation(const QString &qmFile, const QList<QStringList> &messages)
{
    QString ts = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                 "<TS version=\"2.1\" language=\"xx_YY\">\n";
    for (const QStringList &m : messages)
        ts += QString("<context><name>%1</name><message><source>%2</source>"
                      "<translation>%3</translation></message></context>\n")
                  .arg(m[0], m[1], m[2]);
    ts += "</TS>\n";
    const QString tsFile = qmFile + ".ts";
    TestUtil::writeBytes(tsFile, ts.toUtf8());
    const QString lrelease = QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lrelease";
    QProcess process;
    process.start(lrelease, {"-silent", tsFile, "-qm", qmFile});
    const bool ok = process.waitForFinished(60000) && process.exitCode() == 0;
    QFile::remove(tsFile);
    return ok && QFile::exists(qmFile);
}

// What the status bar says, in a tooltip, of an index that cannot be used.
QString unusableIndexTip(const WindowFixture &w)
{
    const auto *label = w.window.findChild<QLabel *>("indexUnusableLabel");
    return label ? label->toolTip() : QString();
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesDatabaseBesideSettings();
    void laterStartLeavesDatabaseAlone();
    void foreignTableMeansNoCreation();
    void failedCreationRollsBackAndIsRetried();
    void unopenableDatabaseStillGivesWindow();
    void programKeepsItsFilesUnderItsNames();

    void translationLoading_data();
    void translationLoading();
    void translationReachesWindow();

private:
    QString startDir;
};

void StartupTest::init()
{
    TestUtil::closeDefaultConnection();
    QFile::remove(settingsFile());
    QFile::remove(databaseFile());
    QDir(databaseFile()).removeRecursively();
    startDir = QDir::currentPath();
}

void StartupTest::cleanup()
{
    TestUtil::closeDefaultConnection();
    QDir::setCurrent(startDir);
}

void StartupTest::firstStartCreatesDatabaseBesideSettings()
{
    QVERIFY(!QFile::exists(settingsFile()));
    MessageCapture messages;
    WindowFixture w;

    QVERIFY(QFile::exists(settingsFile()));
    QVERIFY(QFile::exists(databaseFile()));
    QCOMPARE(QSqlDatabase::database().databaseName(), databaseFile());
    QCOMPARE(objects(), schema);
    const QStringList faults = schemaFaults();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QCOMPARE(dictionaryTypes(), QStringList{"1:Eijiro"});
    QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    QCOMPARE(TestUtil::rowCount("t_word"), 0);
    QCOMPARE(messages.all(), QStringList());
}

void StartupTest::laterStartLeavesDatabaseAlone()
{
    {
        WindowFixture first;
        QSqlQuery query;
        QVERIFY(query.exec("INSERT INTO t_dictionary VALUES (1, '/dict/eijiro.txt', '', 2)"));
        QVERIFY(query.exec("INSERT INTO t_word VALUES (1, 0, 'RUN')"));
        QVERIFY(query.exec("INSERT INTO t_word VALUES (1, 40, 'RUNE')"));
    }
    TestUtil::closeDefaultConnection();

    // A creation attempt would fail on the existing tables and say so.
    MessageCapture messages;
    WindowFixture second;
    QCOMPARE(objects(), schema);
    QCOMPARE(dictionaryTypes(), QStringList{"1:Eijiro"});
    QCOMPARE(TestUtil::rowCount("t_dictionary"), 1);
    QCOMPARE(TestUtil::wordRows(), (QStringList{"0:RUN", "40:RUNE"}));
    QCOMPARE(messages.all(), QStringList());
}

void StartupTest::foreignTableMeansNoCreation()
{
    prepareDatabase({"CREATE TABLE notes (text TEXT)"});
    MessageCapture messages;
    WindowFixture w;
    QCOMPARE(objects(), QStringList{"table notes"});
    QCOMPARE(messages.all(), QStringList());
}

void StartupTest::failedCreationRollsBackAndIsRetried()
{
    // A view is no table, so the database counts as empty; its name makes
    // the fourth statement fail after two tables and the seed row exist.
    prepareDatabase({"CREATE VIEW t_word AS SELECT 1 AS x"});
    {
        MessageCapture messages;
        WindowFixture w;
        QCOMPARE(messages.lines(QtCriticalMsg),
                 QStringList{"create table t_word failed. (view t_word already exists Unable to "
                             "execute statement)"});
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"MainWindow::createDatabase failed."});
        QCOMPARE(messages.all().size(), 2);
        QVERIFY(unusableIndexTip(w).contains("view t_word already exists"));
        // Rolled back: the two tables made before the failure are gone.
        QCOMPARE(objects(), QStringList{"view t_word"});
        QVERIFY(!DictionaryDatabase().hasTables());
    }
    TestUtil::closeDefaultConnection();

    prepareDatabase({"DROP VIEW t_word"});
    MessageCapture messages;
    WindowFixture w;
    QCOMPARE(objects(), schema);
    const QStringList faults = schemaFaults();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QCOMPARE(dictionaryTypes(), QStringList{"1:Eijiro"});
    QCOMPARE(messages.all(), QStringList());
    QCOMPARE(unusableIndexTip(w), QString());
}

void StartupTest::unopenableDatabaseStillGivesWindow()
{
    // A folder where the database file should be cannot be opened.
    QVERIFY(QDir().mkpath(databaseFile()));
    MessageCapture messages;
    WindowFixture w;
    QCOMPARE(messages.all(), QStringList{"QSqlDatabase::open failed. \"unable to open database "
                                         "file Error opening database\""});
    QVERIFY(!QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen());
    const QString tip = unusableIndexTip(w);
    QVERIFY2(tip.contains(databaseFile()) && tip.contains("unable to open database file"),
             qPrintable(tip));
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
}

void StartupTest::programKeepsItsFilesUnderItsNames()
{
    // The program names its application object itself: started in a home
    // of its own, it writes its settings there, then creates the database
    // beside them, and nothing else.
    const QString config = TestUtil::makeDir("program/config");
    QProcess orvel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    orvel.setProcessEnvironment(env);
    orvel.setWorkingDirectory(TestUtil::makeDir("program/work"));
    orvel.start(qEnvironmentVariable("ORVEL_BUILD_DIR") + "/app/orvel");
    QVERIFY(orvel.waitForStarted());
    const QString folder = config + "/veldrana";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/orvel.db"), 60000);
    orvel.kill();
    QVERIFY(orvel.waitForFinished());
    const QSettings written(folder + "/orvel.conf", QSettings::IniFormat);
    QCOMPARE(written.value("Window/size").toSize(), QSize(640, 360));
    QCOMPARE(written.value("Preferences/fontSize").toInt(), 10);
    QCOMPARE(QDir(config).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"veldrana"});
}

void StartupTest::translationLoading_data()
{
    // Each file as "name=what Quit becomes in it"; nothing after '=' makes a
    // file without messages.
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("quit"); // empty: the translator stays empty
    QTest::newRow("nothing anywhere") << "xx_YY" << QStringList() << QString();
    QTest::newRow("only under Lang: the second name finds it")
        << "xx_YY" << QStringList{"Lang/orvel_xx_YY.qm=Beenden"} << "Beenden";
    QTest::newRow("first without messages does not stop the second try")
        << "xx_YY" << QStringList{"orvel_xx_YY.qm=", "Lang/orvel_xx_YY.qm=Beenden"} << "Beenden";
    QTest::newRow("a usable first name wins, language only")
        << "xx_YY" << QStringList{"orvel_xx.qm=Quitter", "Lang/orvel_xx_YY.qm=Beenden"}
        << "Quitter";
    // The catalogue compiled into the program comes last.
    QTest::newRow("nothing in the folder: the built-in catalogue")
        << "ja_JP" << QStringList() << "終了";
    QTest::newRow("a catalogue in the folder comes first")
        << "ja_JP" << QStringList{"Lang/orvel_ja_JP.qm=Beenden"} << "Beenden";
}

void StartupTest::translationLoading()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, files);
    QFETCH(QString, quit);
    MessageCapture messages;
    const QString dir =
        TestUtil::makeDir("translations/" + QString::number(qHash(QTest::currentDataTag())));
    QVERIFY(QDir().mkpath(dir + "/Lang"));
    for (const QString &file : std::as_const(files)) {
        const QString text = file.section('=', 1);
        QList<QStringList> translated;
        if (!text.isEmpty())
            translated << QStringList{"MainWindow", "Quit", text};
        QVERIFY(writeTranslation(dir + "/" + file.section('=', 0, 0), translated));
    }
    QVERIFY(QDir::setCurrent(dir));
    QTranslator translator;
    loadTranslation(translator, locale);
    if (quit.isEmpty())
        QVERIFY(translator.isEmpty());
    else
        QCOMPARE(translator.translate("MainWindow", "Quit"), quit);
    QCOMPARE(messages.all(), QStringList());
}

void StartupTest::translationReachesWindow()
{
    const QString dir = TestUtil::makeDir("window-translation");
    QVERIFY(QDir().mkpath(dir + "/Lang"));
    QVERIFY(writeTranslation(
        dir + "/Lang/orvel_xx_YY.qm",
        {{"MainWindow", "Quit", "Beenden"}, {"MainWindow", "&amp;File", "&amp;Datei"}}));
    QVERIFY(QDir::setCurrent(dir));
    QTranslator translator;
    loadTranslation(translator, "xx_YY");
    QCoreApplication::installTranslator(&translator);

    WindowFixture w;
    QCOMPARE(w.window.findChild<QAction *>("actionQuit")->text(), QString("Beenden"));
    QCOMPARE(w.window.findChild<QAction *>("actionQuit")->shortcut(), QKeySequence("Ctrl+Q"));
    QCOMPARE(w.window.findChild<QMenu *>("menuFile")->title(), QString("&Datei"));
    // The program's name is never translated.
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
