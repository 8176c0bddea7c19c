// orvel-cli as it is run: a wrong command line says what is wrong; text
// from a dictionary or the command line cannot drive a terminal; a file that
// is not an Orvel database is left as it is.
#include "robustness.h"
#include "testutil.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using TestUtil::Run;

namespace {

const QString tryHelp = "Try 'orvel-cli --help'.";

// What orvel-cli shows on a terminal in place of a control character, put
// back: the Control Pictures and the "\uXXXX" escapes.
QString putBack(QString shown)
{
    for (QChar &c : shown) {
        if (c.unicode() >= 0x2400 && c.unicode() <= 0x241f)
            c = QChar(c.unicode() - 0x2400);
        else if (c.unicode() == 0x2421)
            c = QChar(0x7f);
    }
    static const QRegularExpression escape(R"(\\u([0-9A-F]{4}))");
    QRegularExpressionMatch match;
    while ((match = escape.match(shown)).hasMatch())
        shown.replace(match.capturedStart(), match.capturedLength(),
                      QChar(match.captured(1).toUShort(nullptr, 16)));
    return shown;
}

// Any character a terminal would act on rather than show.
const QRegularExpression
    control(QString::fromUtf16(u"[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}"
                               u"\\x{2066}-\\x{2069}]"));

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
        QTest::addColumn<QString>("named"); // what the line must name
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "'frobnicate'";
        QTest::newRow("no command") << QStringList{} << "command";
        QTest::newRow("negative limit") << QStringList{"words", "--limit", "-1", "a"} << "'-1'";
        QTest::newRow("limit no number") << QStringList{"words", "--limit", "abc", "a"} << "'abc'";
        QTest::newRow("limit past int")
            << QStringList{"words", "--limit", "99999999999", "a"} << "'99999999999'";
        QTest::newRow("limit past 100,000")
            << QStringList{"words", "--limit", "100001", "a"} << "'100001'";
        QTest::newRow("limit 0") << QStringList{"words", "--limit", "0", "a"} << "'0'";
        QTest::newRow("limit without number") << QStringList{"words", "--limit"} << "'--limit'";
        QTest::newRow("remove 0") << QStringList{"remove", "0"} << "'0'";
        QTest::newRow("remove a name") << QStringList{"remove", "Eijiro"} << "'Eijiro'";
        QTest::newRow("no word") << QStringList{"lookup"} << "WORD";
        QTest::newRow("no file") << QStringList{"install"} << "FILE";
        QTest::newRow("two words") << QStringList{"lookup", "run", "away"} << "'away'";
        QTest::newRow("argument to list") << QStringList{"list", "all"} << "'all'";
        QTest::newRow("option after the word")
            << QStringList{"lookup", "run", "--html"} << "'--html'";
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "list"} << "frobnicate";
        QTest::newRow("unknown lookup option") << QStringList{"lookup", "--bold", "run"} << "bold";
        QTest::newRow("another command's option")
            << QStringList{"words", "--html", "run"} << "html";
        QTest::newRow("empty database") << QStringList{"--database", "", "list"} << "--database";
        QTest::newRow("database without path") << QStringList{"--database"} << "--database";
    }

    // One line naming the mistake, the pointer to the help, exit 2, and the
    // database is never opened.
    void wrongCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const QString db = dir + "/index.db";
        if (args.value(0) != "--database")
            args = QStringList{"--database", db} + args;
        const Run run = TestUtil::cli(args);
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.out, QString());
        const QStringList lines = run.err.split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("orvel-cli: ") && lines[0].contains(named),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], tryHelp);
        QVERIFY(!QFileInfo::exists(db));
    }

    void commandLinesThatWork_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        const QString help = TestUtil::cli({"--help"}).out;
        QVERIFY(help.startsWith("Usage: orvel-cli [--database PATH] COMMAND\n"));
        QTest::newRow("-h") << QStringList{"-h"} << 0 << help;
        QTest::newRow("help after a command") << QStringList{"words", "--help"} << 0 << help;
        QTest::newRow("limit 1") << QStringList{"words", "--limit", "1", "a"} << 0 << "apple\n";
        QTest::newRow("limit 100,000")
            << QStringList{"words", "--limit=100000", "a"} << 0 << "apple\nrun\nrun out\ntail\n";
        QTest::newRow("a word with dashes")
            << QStringList{"lookup", "--", "--html"} << 1 << "--html is not found.\n";
        QTest::newRow("remove 1") << QStringList{"remove", "1"} << 0 << "removed SAMPLE\n";
    }

    void commandLinesThatWork()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        const QString file = Robustness::installed(dir, "sample");
        TestUtil::closeDefaultConnection();
        const Run run = TestUtil::cli(QStringList{"--database", dir + "/sample.db"} + args);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QString(out).replace("SAMPLE", file));
        QCOMPARE(run.exit, exit);
    }

    void terminalShowsControlCharacters_data()
    {
        QTest::addColumn<QStringList>("args"); // DB: a database with the dictionary
        QTest::addColumn<QString>("shown");    // part of what the terminal shows
        const QString run = QString::fromUtf16(u"走る␛]0;pwned␇␛[31m赤␡");
        QTest::newRow("lookup") << QStringList{"lookup", "run"} << run;
        QTest::newRow("lookup --html") << QStringList{"lookup", "--html", "run"} << run;
        QTest::newRow("not-found page")
            << QStringList{"lookup", QString::fromUtf16(u"a\u202Eb\u0085c\u2066")}
            << QString::fromUtf16(u"a\\u202Eb\\u0085c\\u2066 is not found.");
        QTest::newRow("words") << QStringList{"words", "runn"} << QString::fromUtf16(u"runner␛[5m");
        QTest::newRow("list") << QStringList{"list"}
                              << QString::fromUtf16(u"/dict␛[2J\\u202E.txt\n");
        QTest::newRow("install") << QStringList{"--database", "NEW", "install", "FILE"}
                                 << QString::fromUtf16(u"installed DIR/dict␛[2J\\u202E.txt");
        QTest::newRow("failure") << QStringList{"--database", QString::fromUtf16(u"x␛[8m"), "list"}
                                 << QString::fromUtf16(u"no database at x␛[8m");
        QTest::newRow("wrong command line")
            << QStringList{QString::fromUtf16(u"frob␛]2;x␇")}
            << QString::fromUtf16(u"unknown command 'frob␛]2;x␇'\n") + tryHelp;
    }

    // Into a pipe every character as it is; on a terminal nothing it would
    // act on, only the replacements, which give back the same text.
    void terminalShowsControlCharacters()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, shown);
        const QString file = TestUtil::writeDictionary(
            dir + QString::fromUtf16(u"/dict\x1b[2J\u202E.txt"),
            {Robustness::M + QString::fromUtf16(u"run : 走る\x1b]0;pwned\x07\x1b[31m赤\x7f"),
             Robustness::M + QString::fromUtf16(u"runner\x1b[5m : 走者")});
        const QString db = dir + "/index.db";
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        shown.replace("DIR", dir);
        args = putBack(args.join('\n')).split('\n');
        args.replaceInStrings("FILE", file);
        if (args.value(0) != "--database")
            args = QStringList{"--database", db} + args;

        const int newAt = args.indexOf("NEW");
        if (newAt >= 0)
            args[newAt] = dir + "/piped.db";
        const Run piped = TestUtil::cli(args);
        TestUtil::RunOptions terminal;
        terminal.onTerminal = true;
        if (newAt >= 0)
            args[newAt] = dir + "/shown.db";
        Run onTerminal = TestUtil::cli(args, terminal);
        // install's progress bar, drawn only on a terminal.
        static const QRegularExpression progress(R"((\r\[[= ]{40}\] *\d+%)+\n)");
        onTerminal.out.remove(progress);

        QCOMPARE(onTerminal.exit, piped.exit);
        QVERIFY2(piped.out.contains(putBack(shown)) || piped.err.contains(putBack(shown)),
                 qPrintable(piped.out + piped.err));
        QVERIFY2(onTerminal.out.contains(shown), qPrintable(onTerminal.out));
        QVERIFY2(!onTerminal.out.contains(control), qPrintable(onTerminal.out));
        QCOMPARE(putBack(onTerminal.out), piped.out + piped.err);
    }

    void filesThatAreNoOrvelDatabaseStayAsTheyAre_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        const QList<QPair<QStringList, int>> readers{
            {{"lookup", "run"}, 2}, {{"list"}, 1}, {{"words", "run"}, 2}, {{"remove"}, 1}};
        for (const QString kind : {"empty", "foreign", "text", "damaged"}) {
            for (const auto &[args, failed] : readers) {
                // Nothing of Orvel's there: as if there were no database.
                const int exit = kind == "empty" || kind == "foreign" ? 2 : failed;
                QTest::addRow("%s %s", qPrintable(kind), qPrintable(args.first()))
                    << kind << args << exit;
            }
        }
        const QStringList install{"install", "FILE"};
        QTest::newRow("install into foreign") << "foreign" << install << 1;
        QTest::newRow("install into text") << "text" << install << 1;
    }

    // One line, and the file byte for byte as it was.
    void filesThatAreNoOrvelDatabaseStayAsTheyAre()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", Robustness::sample);
        const QString db = dir + "/index.db";
        if (kind == "empty" || kind == "text") {
            TestUtil::writeBytes(db, kind == "empty" ? "" : "not a database\n");
        } else if (kind == "foreign") {
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                other.setDatabaseName(db);
                QVERIFY(other.open());
                QSqlQuery query(other);
                QVERIFY(query.exec("CREATE TABLE notes (text TEXT)"));
                QVERIFY(query.exec("INSERT INTO notes VALUES ('kept')"));
            }
            QSqlDatabase::removeDatabase("foreign");
        } else {
            QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
            QByteArray bytes = TestUtil::readBytes(db);
            // Every page but the first, which lists the tables, is noise.
            for (qsizetype i = 4096; i < bytes.size(); ++i)
                bytes[i] = char(i * 7919 % 251);
            TestUtil::writeBytes(db, bytes);
        }
        const QByteArray before = TestUtil::readBytes(db);

        const Run run =
            TestUtil::cli(QStringList{"--database", db} + args.replaceInStrings("FILE", file));
        QCOMPARE(run.exit, exit);
        QVERIFY2(run.err.startsWith("orvel-cli: ") && run.err.count('\n') == 1,
                 qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QCOMPARE(TestUtil::readBytes(db), before);
    }

    // install is the one command that makes a database of a file that has
    // no tables yet.
    void installMakesAnEmptyFileADatabase()
    {
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", Robustness::sample);
        const QString db = TestUtil::writeBytes(dir + "/index.db", "");
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        QCOMPARE(TestUtil::cli({"--database", db, "lookup", "run"}).exit, 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
