// orvel-cli as it is run: a wrong command line says what is wrong, text
// cannot drive a terminal, a file that is not an Orvel database stays as it
// is, and only install makes a database.
#include "database/database.h"
#include "generator.h"
#include "lookup/pagetext.h"
#include "lookup/wordlistthread.h"
#include "lookupfixture.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <pty.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace LookUpFixture;
using TestUtil::Run;

namespace {

// orvel-cli with stdout and stderr on a terminal that passes bytes as they are.
Run onTerminal(const QStringList &args)
{
    std::vector<QByteArray> bytes{qgetenv("ORVEL_CLI")};
    for (const QString &arg : args)
        bytes.push_back(arg.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &arg : bytes)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    termios raw{};
    cfmakeraw(&raw);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0)
        _exit(execv(argv[0], argv.data()));
    QByteArray out;
    char chunk[4096];
    // Up to the end of the child's output (EIO); a signal (the end of an
    // earlier child) does not cut it short.
    for (ssize_t got; child > 0;) {
        got = read(terminal, chunk, sizeof chunk);
        if (got > 0)
            out.append(chunk, got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    int status = -1;
    if (child > 0 && close(terminal) == 0)
        waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, QString::fromUtf8(out), QString()};
}

// What the terminal showed with the Control Pictures and "\uXXXX" put back;
// tab and line feed are never pictured.
QString putBack(QString shown)
{
    for (QChar &c : shown) {
        const char16_t u = c.unicode();
        if (u >= 0x2400 && u <= 0x2421 && u != 0x2409 && u != 0x240a && u != 0x2420)
            c = QChar(u == 0x2421 ? 0x7f : u - 0x2400);
    }
    static const QRegularExpression escape(R"(\\u([0-9A-F]{4}))");
    for (QRegularExpressionMatch m; (m = escape.match(shown)).hasMatch();)
        shown.replace(m.capturedStart(), 6, QChar(m.captured(1).toUShort(nullptr, 16)));
    return shown;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QString dir;

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }

    void wrongCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named"); // in the line saying what is wrong
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "'frobnicate'";
        for (const QString option : {"limit", "lines"})
            for (const QString value : {"-1", "abc", "99999999999", "0", "100001"})
                QTest::addRow("%s %s", qPrintable(option), qPrintable(value))
                    << QStringList{option == "limit" ? "words" : "lookup", "--" + option, value,
                                   "a"}
                    << "'" + value + "'";
        QTest::newRow("limit, no number") << QStringList{"words", "--limit"} << "'--limit'";
        QTest::newRow("remove 0") << QStringList{"remove", "0"} << "'0'";
        QTest::newRow("rebuild x") << QStringList{"rebuild", "x"} << "'x'";
        QTest::newRow("no word") << QStringList{"lookup"} << "WORD";
        QTest::newRow("two words") << QStringList{"lookup", "run", "away"} << "'away'";
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "list"} << "frobnicate";
        QTest::newRow("unknown lookup option") << QStringList{"lookup", "--bold", "run"} << "bold";
        // Nothing to act on: a quoting mistake, not a word or a file.
        QTest::newRow("empty word") << QStringList{"lookup", ""} << "WORD";
        QTest::newRow("empty text") << QStringList{"grep", ""} << "TEXT";
        QTest::newRow("empty file") << QStringList{"install", ""} << "FILE";
        QTest::newRow("empty name") << QStringList{"install", "--name", " ", "d.txt"} << "name";
        QTest::newRow("help and more") << QStringList{"--help", "extra"} << "'extra'";
        QTest::newRow("version and more") << QStringList{"--version", "list"} << "'list'";
        QTest::newRow("lookup help and more") << QStringList{"lookup", "-h", "run"} << "'run'";
        QTest::newRow("enable x") << QStringList{"enable", "x"} << "'x'";
    }

    // One line naming the mistake, then the way to the help; the database
    // is not even opened.
    void wrongCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const QString db = dir + "/index.db";
        const Run run = TestUtil::cli(QStringList{"--database", db} + args);
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.out, QString());
        const QStringList lines = run.err.split('\n');
        QVERIFY2(lines.size() == 3 && lines[0].startsWith("orvel-cli: ") &&
                     lines[0].contains(named) && lines[1] == "Try 'orvel-cli --help'.",
                 qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(db));
    }

    void terminalShowsControlCharacters_data()
    {
        QTest::addColumn<QStringList>("args"); // each prints control characters
        QTest::newRow("lookup") << QStringList{"lookup", "run"};
        QTest::newRow("lookup --html") << QStringList{"lookup", "--html", "run"};
        QTest::newRow("not-found page") << QStringList{
            "lookup", "--", QString::fromUtf16(u"-a\u202Eb\u0085c\u009F\u2066\u2069")};
        QTest::newRow("words") << QStringList{"words", "--limit", "100000", "runn"};
        QTest::newRow("list") << QStringList{"list"};
        QTest::newRow("failure") << QStringList{"--database", "x\x1b[8m", "list"};
        QTest::newRow("wrong command line") << QStringList{"frob\x1b]2;x\x07"};
    }

    // On a terminal nothing it would act on, only pictures and escapes that
    // give back what a pipe gets.
    void terminalShowsControlCharacters()
    {
        QFETCH(QStringList, args);
        const QString file = TestUtil::writeDictionary(
            dir + QString::fromUtf16(u"/d\x1b[2J\u202E.txt"),
            {M + QString::fromUtf16(u"run : 走る\x1b]0;pwned\x07\x1b[31m赤\x7f"),
             M + QString::fromUtf16(u"runner\x1b[5m : 走者")});
        const QString db = dir + "/index.db";
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        args.prepend(db); // the last --database counts ("failure")
        args.prepend("--database");

        const Run piped = TestUtil::cli(args);
        const Run terminal = onTerminal(args);
        static const QRegularExpression control(QString::fromUtf16(
            u"[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}]"));
        QVERIFY2((piped.out + piped.err).contains(control), qPrintable(piped.out + piped.err));
        QVERIFY2(!terminal.out.contains(control), qPrintable(terminal.out));
        QCOMPARE(putBack(terminal.out), piped.out + piped.err);
        QCOMPARE(terminal.exit, piped.exit);
    }

    void lookupReadsTheLinesAsked_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("senses"); // shown
        QTest::newRow("128 by default") << QStringList{} << 128;
        QTest::newRow("fewer") << QStringList{"--lines", "5"} << 5;
        QTest::newRow("every sense, and the next word") << QStringList{"--lines", "300"} << 200;
    }

    // A word of 200 senses: as many as the lines read.
    void lookupReadsTheLinesAsked()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, senses);
        QStringList entries{M + "young : 若い"};
        for (int i = 200; i >= 1; --i)
            entries.prepend(QString("%1you  {代名-%2} : あなた%2").arg(M).arg(i));
        const QStringList db{"--database", dir + "/index.db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install",
                                                TestUtil::writeDictionary(dir + "/d.txt", entries)})
                     .exit,
                 0);
        const Run run = TestUtil::cli(db + QStringList{"lookup"} + lines + QStringList{"you"});
        QCOMPARE(int(run.out.count("あなた")), senses);
        QCOMPARE(run.out.contains("若い"), senses == 200);
    }

    void wordsStartingWithADash_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("lookup") << QStringList{"lookup", "-ing"};
        QTest::newRow("lookup --html") << QStringList{"lookup", "--html", "-ing"};
        QTest::newRow("words") << QStringList{"words", "--limit", "1", "-in"};
    }

    // Suffixes are entry words: the last argument with one dash is the
    // word, not an unknown option.
    void wordsStartingWithADash()
    {
        QFETCH(QStringList, args);
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", {M + "-ing : suffix"});
        const QString db = dir + "/index.db";
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        const Run run = TestUtil::cli(QStringList{"--database", db} + args);
        QCOMPARE(run.exit, 0);
        QVERIFY2(run.out.contains("-ing"), qPrintable(run.out + run.err));
    }

    // Once the file has changed, look-ups say so until rebuild has built
    // the index of the file as it is now.
    void rebuildAfterTheFileChanged()
    {
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", sample);
        const QStringList db{"--database", dir + "/index.db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install", file}).exit, 0);
        TestUtil::writeDictionary(file, {M + "wander : さまよう"});
        const QStringList lookUp = db + QStringList{"lookup", "wander"};
        QCOMPARE(TestUtil::cli(lookUp).err, "orvel-cli: the dictionary file " + file +
                                                " has changed since it was installed: rebuild "
                                                "its index (orvel-cli rebuild)\n");
        const Run rebuilt = TestUtil::cli(db + QStringList{"rebuild"});
        QCOMPARE(rebuilt.out, "rebuilt " + file + " (1 entry lines)\n");
        QCOMPARE(rebuilt.exit, 0);
        QCOMPARE(TestUtil::cli(lookUp).exit, 0);
    }

    void twoWritersAtOnce_data()
    {
        QTest::addColumn<QStringList>("first");  // holds the write lock a while
        QTest::addColumn<QStringList>("second"); // started meanwhile
        QTest::addColumn<QString>("left");       // the ids then installed
        // Dictionary 1 is small.txt; 2, when there, large.txt.
        QTest::newRow("a removal during an install")
            << QStringList{"install", "large.txt"} << QStringList{"remove", "1"} << "2";
        QTest::newRow("two installs")
            << QStringList{"install", "large.txt"} << QStringList{"install", "new.txt"} << "123";
        QTest::newRow("a removal beside a rebuild")
            << QStringList{"rebuild", "2"} << QStringList{"remove", "1"} << "2";
    }

    // Each waits for the other's change, and each says it succeeded.
    void twoWritersAtOnce()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QString, left);
        QVERIFY(Generator::write(dir + "/large.txt", {300000, false, 4}));
        TestUtil::writeDictionary(dir + "/new.txt", {M + "swim : 泳ぐ"});
        TestUtil::writeDictionary(dir + "/small.txt", sample);
        const QStringList db{"--database", dir + "/index.db"};
        for (const QString file : {"small.txt", "large.txt"}) {
            if (file == "small.txt" || first.first() == "rebuild")
                QCOMPARE(TestUtil::cli(db + QStringList{"install", dir + "/" + file}).exit, 0);
        }
        for (QStringList *args : {&first, &second}) {
            if (args->first() == "install")
                args->last().prepend(dir + "/");
        }
        std::atomic<Run *> firstRun{nullptr};
        std::thread firstWriter([&] { firstRun = new Run(TestUtil::cli(db + first)); });
        // The second starts once the first is seen holding the write lock.
        bool held = false;
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase("QSQLITE", "probe");
            probe.setDatabaseName(dir + "/index.db");
            probe.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
            for (QSqlQuery begin(probe); probe.isOpen() || probe.open();
                 QThread::msleep(5)) { // lets the first writer take the lock
                held = !begin.exec("BEGIN IMMEDIATE") || !probe.rollback();
                if (held || firstRun)
                    break;
            }
        }
        QSqlDatabase::removeDatabase("probe");
        const Run secondRun = TestUtil::cli(db + second);
        firstWriter.join();
        const std::unique_ptr<Run> firstDone(firstRun.load());
        QVERIFY2(held, "the first writer ended before it was seen writing");
        for (const Run *run : {static_cast<const Run *>(firstDone.get()), &secondRun})
            QVERIFY2(run->exit == 0 && run->err.isEmpty(), qPrintable(run->err));
        const TestUtil::Contents contents = TestUtil::contents(dir + "/index.db");
        QString ids;
        for (const QString &dictionary : contents.dictionaries)
            ids += dictionary.section(' ', 1, 1);
        QCOMPARE(ids, left);
        QCOMPARE(contents.integrity, QString("ok"));
    }

    void filesThatAreNoOrvelDatabaseStayAsTheyAre_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        for (const QString kind : {"empty", "foreign", "text", "noise", "damaged header"}) {
            const bool tables = kind == "empty" || kind == "foreign";
            for (const QStringList &args :
                 {QStringList{"lookup", "run"}, QStringList{"list"}, QStringList{"words", "run"},
                  QStringList{"remove"}, QStringList{"install", "FILE"}}) {
                // A file that is no database at all cannot be used: each
                // command's own status (those that show pages as for none).
                const bool install = args.first() == "install";
                const bool pages = args.first() == "lookup" || args.first() == "words";
                if (kind != "empty" || !install)
                    QTest::addRow("%s %s", qPrintable(kind), qPrintable(args.first()))
                        << kind << args << (install || (!tables && !pages) ? 1 : 2);
            }
        }
    }

    // One line, and the file byte for byte as it was: without Orvel's
    // tables it is as if there were no database, and a file that is no
    // database at all is never taken for an empty one.
    void filesThatAreNoOrvelDatabaseStayAsTheyAre()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", sample);
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator rng(3);
        for (char &c : noise)
            c = char(rng.bounded(256));
        const QHash<QString, QByteArray> bytes{
            {"text", "hello, this is not a database\n"},
            {"noise", noise},
            {"damaged header", QByteArray("SQLite format 3\0", 16) + noise}};
        const QString db = TestUtil::writeBytes(dir + "/index.db", bytes.value(kind));
        if (kind == "foreign") {
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                other.setDatabaseName(db);
                QVERIFY(other.open() && QSqlQuery(other).exec("CREATE TABLE notes (text TEXT)"));
            }
            QSqlDatabase::removeDatabase("foreign");
        }
        const QByteArray before = TestUtil::readBytes(db);
        const Run run =
            TestUtil::cli(QStringList{"--database", db} + args.replaceInStrings("FILE", file));
        QCOMPARE(run.exit, exit);
        // A file that is no database is named, not described in SQLite's words.
        QVERIFY2(run.err.startsWith("orvel-cli: " + db + " is ") && run.err.count('\n') == 1 &&
                     run.err.contains(" is not a database") == bytes.contains(kind) &&
                     !run.err.contains("file is not a database"),
                 qPrintable(run.err));
        QCOMPARE(TestUtil::readBytes(db), before);
        // install alone makes a database, of a file without tables.
        if (kind == "empty")
            QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
    }

    void commandsThatOnlyReadNeverCreateADatabase_data()
    {
        QTest::addColumn<QStringList>("command");
        for (const QStringList &command : {QStringList{"list"}, QStringList{"lookup", "run"},
                                           QStringList{"remove"}, QStringList{"install"}})
            QTest::newRow(qPrintable(command.first())) << command;
    }

    void commandsThatOnlyReadNeverCreateADatabase()
    {
        QFETCH(QStringList, command);
        const bool install = command.first() == "install";
        if (install)
            command << TestUtil::writeDictionary(dir + "/good.txt", sample);
        // A mistyped path: only install makes the database.
        const QString db = dir + "/mistyped.db";
        Run run = TestUtil::cli(QStringList{"--database", db} + command);
        QCOMPARE(run.exit, install ? 0 : 2);
        if (!install)
            QCOMPARE(run.err,
                     "orvel-cli: no database at " + db + ": nothing has been installed there\n");
        QCOMPARE(QFileInfo::exists(db), install);

        // An empty path would mean Orvel's own database: refused.
        const bool own = QFileInfo::exists(Database::path());
        run = TestUtil::cli(QStringList{"--database", ""} + command);
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.err, QString("orvel-cli: --database needs a file name\n"
                                  "Try 'orvel-cli --help'.\n"));
        QCOMPARE(QFileInfo::exists(Database::path()), own);
    }

    // Several dictionaries: listed in the user's order with their names;
    // --dictionary limits a look-up to one, whose page is then exactly the
    // page of that dictionary installed alone; remove needs the id.
    void severalDictionariesFromTheCommandLine()
    {
        const QString first = TestUtil::writeDictionary(dir + "/first.txt", sample);
        const QString second =
            TestUtil::writeDictionary(dir + "/second.txt", {M + "run : 走る", M + "swim : 泳ぐ"});
        const QStringList db{"--database", dir + "/several.db"};
        const QStringList alone{"--database", dir + "/alone.db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install", first}).out,
                 "installed " + first + " as dictionary 1, first (5 entry lines)\n");
        QCOMPARE(TestUtil::cli(db + QStringList{"install", "--name", "<b>2nd</b>", second}).exit,
                 0);
        QCOMPARE(TestUtil::cli(alone + QStringList{"install", second}).exit, 0);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", second}).exit, 1);
        QCOMPARE(TestUtil::cli(db + QStringList{"list"}).out,
                 "1\tfirst\tEijiro\ton\t5\t" + first + "\n2\t<b>2nd</b>\tEijiro\ton\t2\t" + second +
                     "\n");
        const Run both = TestUtil::cli(db + QStringList{"lookup", "--html", "run"});
        QVERIFY2(both.out.contains(
                     "<h3 style='background-color:#dde6f0'><a name=\"section-1\">first</a></h3>") &&
                     both.out.contains("&lt;b&gt;2nd&lt;/b&gt;</a></h3>"),
                 qPrintable(both.out));
        for (const QString word : {"run", "swim", "apple"}) {
            const Run one =
                TestUtil::cli(db + QStringList{"lookup", "--dictionary", "2", "--html", word});
            const Run reference = TestUtil::cli(alone + QStringList{"lookup", "--html", word});
            QCOMPARE(one.out, reference.out);
            QCOMPARE(one.exit, reference.exit);
        }
        QCOMPARE(TestUtil::cli(db + QStringList{"words", "--dictionary", "2", "s"}).out,
                 QString("swim\n"));
        QCOMPARE(TestUtil::cli(db + QStringList{"lookup", "--dictionary", "9", "run"}).exit, 2);
        const Run remove = TestUtil::cli(db + QStringList{"remove"});
        QCOMPARE(remove.exit, 1);
        QVERIFY2(remove.err.contains("orvel-cli list"), qPrintable(remove.err));
        QCOMPARE(TestUtil::cli(db + QStringList{"remove", "1"}).exit, 0);
        QCOMPARE(TestUtil::cli(db + QStringList{"lookup", "--html", "run"}).out,
                 TestUtil::cli(alone + QStringList{"lookup", "--html", "run"}).out);
    }

    void pagesAndListsOfSeveralArePrintedWhole_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("broken"); // the dictionary whose file is gone
        for (const QString format : {"text", "html"}) {
            const QStringList html = format == "html" ? QStringList{"--html"} : QStringList();
            const auto row = [&](const char *name, const QStringList &args, const QString &broken) {
                QTest::addRow("%s, %s", qPrintable(format), name) << html + args << broken;
            };
            row("in every one", {"run"}, "");
            row("in the last only", {"swim"}, "");
            row("the first gone, in the later", {"run"}, "first");
            row("the last gone", {"run"}, "third");
            row("the first gone, in none", {"apple"}, "first");
            row("fewer lines", {"--lines", "2", "run"}, "");
            row("an entry", {"--entry", "run out"}, "");
        }
    }

    // A page of several dictionaries is printed a section at a time as it
    // is read, and a word list some rows at a time: what they print is the
    // page and the list as the core makes them whole.
    void pagesAndListsOfSeveralArePrintedWhole()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, broken);
        const QString db = dir + "/several.db";
        QVERIFY(TestUtil::openFreshDatabase(db));
        for (const QString name : {"first", "second", "third"}) {
            const QString file = TestUtil::writeDictionary(
                dir + "/" + name + ".txt",
                name == "first" ? sample
                                : QStringList{M + "run : 走る " + name, M + "run out : 尽きる",
                                              M + "swim : 泳ぐ " + name});
            QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
            if (name == broken)
                QVERIFY(QFile::remove(file));
        }
        const Run printed = TestUtil::cli(QStringList{"--database", db, "lookup"} + args);
        Page page;
        QString error;
        const int lines = args.contains("--lines") ? 2 : SearchThread::windowLines;
        const QString word = args.last();
        const SearchThread::Status status =
            args.contains("--entry") ? SearchThread::lookUpEntry(word, &page, &error, {}, lines)
                                     : SearchThread::lookUp(word, &page, &error, {}, lines);
        if (status == SearchThread::Failed) {
            QCOMPARE(printed.out, QString());
            QCOMPARE(printed.err, "orvel-cli: " + error + "\n");
        } else {
            QCOMPARE(printed.out, args.contains("--html") ? PageHtml::write(page)
                                                          : PageText::write(page) + "\n");
        }
        QCOMPARE(printed.exit, status == SearchThread::Found    ? 0
                               : status == SearchThread::Failed ? 2
                                                                : 1);

        QStringList rows;
        for (const WordListThread::Row &row :
             WordListThread::list(WordListThread::from("", 100)).rows)
            rows << row.shown + "\n";
        QCOMPARE(TestUtil::cli({"--database", db, "words", "--limit", "100", ""}).out,
                 rows.join(QString()));
    }

    // Every dictionary switched off: each command says so and how to switch
    // one on, which enable does; --html gives the window's page all the same.
    void everyDictionarySwitchedOff()
    {
        const QStringList db{"--database", dir + "/off.db"};
        const QString file = TestUtil::writeDictionary(dir + "/d.txt", sample);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", file}).exit, 0);
        Run run = TestUtil::cli(db + QStringList{"disable"});
        QCOMPARE(run.out, QString("switched off 1, d\n"));
        QCOMPARE(TestUtil::cli(db + QStringList{"list"}).out,
                 "1\td\tEijiro\toff\t5\t" + file + "\n");
        for (const QStringList &command : {QStringList{"lookup", "run"}, QStringList{"show", "run"},
                                           QStringList{"words", "r"}, QStringList{"grep", "run"}}) {
            run = TestUtil::cli(db + command);
            QCOMPARE(run.exit, 1);
            QCOMPARE(run.out, QString());
            QCOMPARE(run.err, QString("orvel-cli: every dictionary is switched off: switch one on "
                                      "with orvel-cli enable ID (orvel-cli list shows them)\n"));
        }
        QVERIFY(TestUtil::cli(db + QStringList{"lookup", "--html", "run"})
                    .out.startsWith("Every dictionary is switched off."));
        run = TestUtil::cli(db + QStringList{"enable", "2"});
        QCOMPARE(run.exit, 1);
        QCOMPARE(run.err,
                 QString("orvel-cli: enable failed: no dictionary with id 2 is installed\n"));
        QCOMPARE(TestUtil::cli(db + QStringList{"enable", "1"}).out, QString("switched on 1, d\n"));
        QCOMPARE(TestUtil::cli(db + QStringList{"lookup", "run"}).exit, 0);
    }

    void versionOfTheBuild()
    {
        const Run run = TestUtil::cli({"--version"});
        QCOMPARE(run.exit, 0);
        QVERIFY2(QRegularExpression("^orvel-cli \\d+\\.\\d+\\.\\d+\n$").match(run.out).hasMatch(),
                 qPrintable(run.out));
    }

    void removeTakesTheDictionaryAndItsIndexAway()
    {
        const QStringList db{"--database", dir + "/index.db"};
        const QString good = TestUtil::writeDictionary(dir + "/good.txt", sample);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", good}).exit, 0);
        const QStringList installed = TestUtil::contents(dir + "/index.db").all();
        // The registration, four keyed lines, four entry words.
        QCOMPARE(installed.size(), 1 + 4 + 4);
        const Run wrong = TestUtil::cli(db + QStringList{"remove", "2"});
        QCOMPARE(wrong.err,
                 QString("orvel-cli: remove failed: no dictionary with id 2 is installed\n"));
        QCOMPARE(TestUtil::contents(dir + "/index.db").all(), installed);

        const Run run = TestUtil::cli(db + QStringList{"remove"});
        QCOMPARE(run.exit, 0);
        QCOMPARE(run.out, "removed " + good + "\n");
        QCOMPARE(TestUtil::contents(dir + "/index.db").all(), QStringList());
        QCOMPARE(TestUtil::cli(db + QStringList{"remove"}).exit, 1);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", good}).exit, 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
