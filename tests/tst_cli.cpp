// orvel-cli as it is run: a wrong command line says what is wrong, text
// cannot drive a terminal, a file that is not an Orvel database stays as it is.
#include "robustness.h"
#include "testutil.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using TestUtil::Run;

namespace {

// orvel-cli with stdout and stderr on a terminal that passes bytes as they are.
Run onTerminal(const QStringList &args)
{
    QList<QByteArray> bytes{qgetenv("ORVEL_CLI")};
    for (const QString &arg : args)
        bytes << arg.toUtf8();
    std::vector<char *> argv;
    for (QByteArray &arg : bytes)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    termios raw{};
    cfmakeraw(&raw);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (child < 0)
        return {};
    QByteArray out;
    char chunk[4096];
    for (ssize_t got; (got = read(terminal, chunk, sizeof chunk)) > 0;)
        out.append(chunk, got);
    close(terminal);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return {};
    return {WEXITSTATUS(status), QString::fromUtf8(out), QString()};
}

// What the terminal showed with the Control Pictures and "\uXXXX" put back.
QString putBack(QString shown)
{
    for (QChar &c : shown)
        if (c.unicode() >= 0x2400 && c.unicode() <= 0x2421 && c.unicode() != 0x2420)
            c = QChar(c.unicode() == 0x2421 ? 0x7f : c.unicode() - 0x2400);
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
        for (const QString limit : {"-1", "abc", "99999999999", "0", "100001"})
            QTest::addRow("limit %s", qPrintable(limit))
                << QStringList{"words", "--limit", limit, "a"} << "'" + limit + "'";
        QTest::newRow("limit, no number") << QStringList{"words", "--limit"} << "'--limit'";
        QTest::newRow("remove 0") << QStringList{"remove", "0"} << "'0'";
        QTest::newRow("no word") << QStringList{"lookup"} << "WORD";
        QTest::newRow("two words") << QStringList{"lookup", "run", "away"} << "'away'";
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "list"} << "frobnicate";
        QTest::newRow("unknown lookup option") << QStringList{"lookup", "--bold", "run"} << "bold";
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

    void commandLinesThatWork_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::newRow("limit 100,000")
            << QStringList{"words", "--limit", "100000", "a"} << "apple\nrun\nrun out\ntail\n";
        QTest::newRow("a word with dashes")
            << QStringList{"lookup", "--", "--html"} << "--html is not found.\n";
        QTest::newRow("remove 1") << QStringList{"remove", "1"} << "removed SAMPLE\n";
    }

    void commandLinesThatWork()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        const QString file = Robustness::installed(dir, "sample");
        TestUtil::closeDefaultConnection();
        const Run run = TestUtil::cli(QStringList{"--database", dir + "/sample.db"} + args);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, out.replace("SAMPLE", file));
    }

    void terminalShowsControlCharacters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("shown"); // part of what the terminal shows
        const QString run = QString::fromUtf16(u"走る␛]0;pwned␇␛[31m赤␡");
        QTest::newRow("lookup") << QStringList{"lookup", "run"} << run;
        QTest::newRow("lookup --html") << QStringList{"lookup", "--html", "run"} << run;
        QTest::newRow("not-found page")
            << QStringList{"lookup", QString::fromUtf16(u"a\u202Eb\u0085c\u2066")}
            << QString::fromUtf16(u"a\\u202Eb\\u0085c\\u2066 is not found.");
        QTest::newRow("words") << QStringList{"words", "runn"} << QString::fromUtf16(u"runner␛[5m");
        QTest::newRow("list") << QStringList{"list"} << QString::fromUtf16(u"/d␛[2J\\u202E.txt\n");
        QTest::newRow("failure") << QStringList{"--database", QString::fromUtf16(u"x␛[8m"), "list"}
                                 << QString::fromUtf16(u"no database at x␛[8m");
        QTest::newRow("wrong command line") << QStringList{QString::fromUtf16(u"frob␛]2;x␇")}
                                            << QString::fromUtf16(u"unknown command 'frob␛]2;x␇'");
    }

    // On a terminal nothing it would act on, only replacements that give
    // back what a pipe gets.
    void terminalShowsControlCharacters()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, shown);
        const QString file = TestUtil::writeDictionary(
            dir + QString::fromUtf16(u"/d\x1b[2J\u202E.txt"),
            {Robustness::M + QString::fromUtf16(u"run : 走る\x1b]0;pwned\x07\x1b[31m赤\x7f"),
             Robustness::M + QString::fromUtf16(u"runner\x1b[5m : 走者")});
        const QString db = dir + "/index.db";
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        // The last --database counts ("failure").
        args = QStringList{"--database", db} + putBack(args.join('\n')).split('\n');

        const Run piped = TestUtil::cli(args);
        const Run terminal = onTerminal(args);
        QCOMPARE(terminal.exit, piped.exit);
        QVERIFY2((piped.out + piped.err).contains(putBack(shown)),
                 qPrintable(piped.out + piped.err));
        QVERIFY2(terminal.out.contains(shown), qPrintable(terminal.out));
        static const QRegularExpression control(QString::fromUtf16(
            u"[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}]"));
        QVERIFY(!terminal.out.contains(control));
        QCOMPARE(putBack(terminal.out), piped.out + piped.err);
    }

    void filesThatAreNoOrvelDatabaseStayAsTheyAre_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        for (const QString kind : {"empty", "foreign", "text"})
            for (const auto &[args, failed] : QList<QPair<QStringList, int>>{
                     {{"lookup", "run"}, 2}, {{"list"}, 1}, {{"words", "run"}, 2}, {{"remove"}, 1}})
                QTest::addRow("%s %s", qPrintable(kind), qPrintable(args.first()))
                    << kind << args << (kind == "text" ? failed : 2); // else as if none were there
        QTest::newRow("install into foreign") << "foreign" << QStringList{"install", "FILE"} << 1;
        QTest::newRow("install into text") << "text" << QStringList{"install", "FILE"} << 1;
    }

    // One line, and the file byte for byte as it was.
    void filesThatAreNoOrvelDatabaseStayAsTheyAre()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", Robustness::sample);
        const QString db = TestUtil::writeBytes(dir + "/index.db", kind == "text" ? "text\n" : "");
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
        QVERIFY2(run.err.startsWith("orvel-cli: ") && run.err.count('\n') == 1,
                 qPrintable(run.err));
        QCOMPARE(TestUtil::readBytes(db), before);
        // install alone makes a database, of a file without tables.
        if (kind == "empty")
            QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
