#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/searchthread.h"
#include "testutil.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

namespace {
const QString heading = "<h2 style='font-weight:bold'>";
const QString mark = "<span style='color:#C00000'>";
const QString noDictionaryPage =
    "Any dictionaries are found.<br /><br />Please setup new dictionaries on preferences "
    "dialog.<br />[Edit] - [Preferences] - [Dictionary] Tab";

struct Result
{
    SearchThread::Status status;
    QString page;
    QString error;
};

Result lookUp(const QString &word)
{
    Result r;
    r.page = "untouched";
    r.status = SearchThread::lookUp(word, &r.page, &r.error);
    return r;
}

bool exec(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query;
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    return query.exec();
}
} // namespace

class TestSearchThread : public QObject
{
    Q_OBJECT

private:
    QString m_dir;
    QString m_file;

    // A fresh database with the schema and nothing installed.
    void freshDatabase(const QString &name)
    {
        QVERIFY(TestUtil::openFreshDatabase(m_dir + "/" + name + ".db"));
    }

    // A fresh database with `lines` installed as the one dictionary.
    void installed(const QString &name, const QStringList &lines)
    {
        freshDatabase(name);
        m_file = TestUtil::writeDictionary(m_dir + "/" + name + ".txt", lines);
        QCOMPARE(TestUtil::install(m_file), int(ConvertThread::Committed));
    }

    void installSample(const QString &name)
    {
        installed(name, {
                            "■apple : りんご",
                            "■run  {自動-1} : 走る",
                            "■run  {自動-2} : 経営する■・run a shop",
                            "■run out : 尽きる",
                            "■Run  {名} : 走ること",
                            "not an entry line",
                            "■tail : 尾",
                        });
    }

private slots:
    void initTestCase() { m_dir = TestUtil::makeDir("search"); }

    void foundAndNotFound()
    {
        installSample("sample");
        MessageCapture messages;

        // The window runs from the word's first line to the end of the file.
        const Result run = lookUp("run");
        QCOMPARE(run.status, SearchThread::Found);
        const QString badge = "<span style='background-color:#e0e0e0'>&nbsp;";
        QCOMPARE(run.page,
                 "<ol></ol>" + heading + mark + "run</span></h2><ol></ol><ol>" + badge +
                     "自動&nbsp;</span><li>走る\n</li><li>経営する<br />・run a shop\n</li></ol>" +
                     heading + mark + "run</span> out</h2><ol><li>尽きる\n</li></ol>" + heading +
                     mark + "run</span></h2><ol></ol><ol>" + badge +
                     "名&nbsp;</span><li>走ること\n</li></ol>" + heading +
                     "tail</h2><ol><li>尾\n</li></ol>");

        // The last line of the file: the window ends there.
        const Result tail = lookUp("tail");
        QCOMPARE(tail.status, SearchThread::Found);
        QCOMPARE(tail.page,
                 "<ol></ol>" + heading + mark + "tail</span></h2><ol><li>尾\n</li></ol>");

        const Result missing = lookUp("walk");
        QCOMPARE(missing.status, SearchThread::NotFound);
        QCOMPARE(missing.page, QString("<h2>walk  is not found.</h2>"));
        QVERIFY(missing.error.isEmpty());

        QCOMPARE(messages.all(), QStringList());
    }

    void queryKey()
    {
        installSample("keys");
        const QString page = lookUp("run").page;
        // Any case finds the first "run" line; the mark shows the typed case.
        for (const QString &typed : QStringList{"RUN", "Run", "rUn"}) {
            const Result r = lookUp(typed);
            QCOMPARE(r.status, SearchThread::Found);
            QVERIFY(r.page.contains(mark + typed + "</span>"));
            QCOMPARE(QString(r.page).replace(mark + typed, mark + "run"), page);
        }
        // Surrounding whitespace is not trimmed, so nothing matches.
        QCOMPARE(lookUp("run ").page, QString("<h2>run   is not found.</h2>"));
        QCOMPARE(lookUp(" run").status, SearchThread::NotFound);
        // Words only inside multi-word heads are not indexed.
        QCOMPARE(lookUp("out").status, SearchThread::NotFound);
        QCOMPARE(lookUp("run out").status, SearchThread::NotFound);
    }

    void windowIs128Lines()
    {
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines << QString("■w%1 : x").arg(i, 3, 10, QChar('0'));
        installed("window", lines);
        const QString page = lookUp("w010").page;
        QVERIFY(page.contains(">w010</span></h2>"));
        QVERIFY(page.contains(heading + "w137</h2>"));
        QVERIFY(!page.contains("w138"));
        QCOMPARE(page.count("<li>"), 128);
        // Near the end the window stops at the end of the file.
        QCOMPARE(lookUp("w290").page.count("<li>"), 10);
    }

    void noDictionary()
    {
        freshDatabase("empty");
        MessageCapture messages;
        const Result r = lookUp("run");
        QCOMPARE(r.status, SearchThread::NoDictionary);
        QCOMPARE(r.page, noDictionaryPage);
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"QSqlQuery::next failed."});
    }

    void dictionaryFileGone()
    {
        installSample("gone");
        QVERIFY(QFile::remove(m_file));
        MessageCapture messages;
        const Result r = lookUp("run");
        QCOMPARE(r.status, SearchThread::Failed);
        QCOMPARE(r.page, QString("untouched"));
        QVERIFY(r.error.contains(m_file));
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"QFile::open failed."});
    }

    void failedQueries()
    {
        // No schema at all: the dictionary query fails.
        {
            const QString file = m_dir + "/noschema.db";
            QFile::remove(file);
            QVERIFY(TestUtil::openFreshDatabase(file));
            QVERIFY(exec("DROP INDEX i_word_name"));
            for (const char *table : {"t_word", "t_dictionary", "m_dictionary"})
                QVERIFY(exec(QString("DROP TABLE ") + table));
        }
        MessageCapture messages;
        Result r = lookUp("run");
        QCOMPARE(r.status, SearchThread::Failed);
        QCOMPARE(r.page, QString("untouched"));
        QVERIFY(!r.error.isEmpty());
        QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(
            lines[0].startsWith(
                "QSqlQuery::exec failed. \"SELECT location FROM t_dictionary\" \"no such table"),
            qPrintable(lines[0]));

        // A dictionary row but no word index: the position query fails.
        QVERIFY(exec("CREATE TABLE t_dictionary (id INTEGER NOT NULL, location TEXT NOT NULL, "
                     "encoding TEXT, count INTEGER, PRIMARY KEY (id))"));
        QVERIFY(exec("INSERT INTO t_dictionary VALUES (1, 'x.txt', '', 0)"));
        messages.clear();
        r = lookUp("run");
        QCOMPARE(r.status, SearchThread::Failed);
        QCOMPARE(r.page, QString("untouched"));
        lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 1);
        // Qt shows the executed text with its placeholder renamed (":0").
        QVERIFY2(lines[0].startsWith("QSqlQuery::exec failed. \"SELECT position FROM t_word "
                                     "WHERE name = ") &&
                     lines[0].contains(" LIMIT 1\" \"no such table: t_word"),
                 qPrintable(lines[0]));
    }

    void storedOffsets()
    {
        freshDatabase("offsets");
        // A sparse file with an entry line just past 2 GiB.
        const QString file = m_dir + "/big.txt";
        TestUtil::writeDictionary(file, {"■apple : りんご"});
        const qint64 far = (qint64(1) << 31) + 4096;
        {
            QFile big(file);
            QVERIFY(big.open(QIODevice::ReadWrite));
            QVERIFY(big.resize(far));
            QVERIFY(big.seek(far));
            QVERIFY(big.write(Generator::toShiftJis("■giant : 巨大\n")) > 0);
        }
        const qint64 size = QFileInfo(file).size();
        QVERIFY(exec("INSERT INTO t_dictionary VALUES (1, ?, '', 2)", {file}));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'GIANT')", {far}));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'BEYOND')", {size + 1000}));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, -5, 'NEGATIVE')"));

        const Result r = lookUp("giant");
        QCOMPARE(r.status, SearchThread::Found);
        QCOMPARE(r.page,
                 "<ol></ol>" + heading + mark + "giant</span></h2><ol><li>巨大\n</li></ol>");

        // Offsets the file does not have show nothing, in particular not the
        // lines at its start.
        QCOMPARE(lookUp("beyond").page, QString("<h2>beyond  is not found.</h2>"));
        QCOMPARE(lookUp("negative").page, QString("<h2>negative  is not found.</h2>"));
    }

    void threadDeliversPage()
    {
        installSample("thread");
        const QString expected = lookUp("tail").page;

        SearchThread thread;
        thread.setWord("tail");
        QThread *emitter = nullptr;
        connect(
            &thread, qOverload<const QString &>(&SearchThread::finished), this,
            [&emitter] { emitter = QThread::currentThread(); }, Qt::DirectConnection);
        QSignalSpy pages(&thread, qOverload<const QString &>(&SearchThread::finished));
        QSignalSpy ended(&thread, &QThread::finished);
        thread.start(QThread::InheritPriority);
        QVERIFY(ended.wait(10000));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0][0].toString(), expected);
        QVERIFY(emitter && emitter != QThread::currentThread());

        // A failed look-up emits no page, but the thread still finishes.
        QVERIFY(QFile::remove(m_file));
        SearchThread failing;
        failing.setWord("tail");
        QSignalSpy noPage(&failing, qOverload<const QString &>(&SearchThread::finished));
        QSignalSpy failingEnded(&failing, &QThread::finished);
        failing.start();
        QVERIFY(failingEnded.wait(10000));
        QCOMPARE(noPage.size(), 0);
    }

    void threadsRunTogether()
    {
        installSample("together");
        const QStringList words{"apple", "run", "tail", "walk", "Run", "TAIL"};
        QList<SearchThread *> threads;
        QStringList received;
        for (const QString &word : words) {
            auto *thread = new SearchThread;
            thread->setWord(word);
            connect(thread, qOverload<const QString &>(&SearchThread::finished), this,
                    [&received](const QString &page) { received << page; });
            threads << thread;
        }
        for (SearchThread *thread : threads)
            thread->start();
        for (SearchThread *thread : threads)
            QVERIFY(thread->wait(10000));
        QTRY_COMPARE(received.size(), threads.size());
        QStringList expected;
        for (const QString &word : words)
            expected << lookUp(word).page;
        received.sort();
        expected.sort();
        QCOMPARE(received, expected);
        qDeleteAll(threads);
    }

    void commandLine()
    {
        const QString cli = qEnvironmentVariable("ORVEL_CLI");
        if (cli.isEmpty())
            QSKIP("ORVEL_CLI is not set");
        const QString db = m_dir + "/cli.db";
        QVERIFY(TestUtil::openFreshDatabase(db));
        m_file = TestUtil::writeDictionary(
            m_dir + "/cli.txt", {
                                    "■run  {自動-1} : 走る",
                                    "■run  {自動-2} : 経営する■・run a shop■・run a race",
                                    "■run out : 尽きる",
                                    "■run out : 切れる",
                                    "■R&D  {名} : 研究&amp;開発 & \"x\" <y>",
                                });
        QCOMPARE(TestUtil::install(m_file), int(ConvertThread::Committed));

        const auto run = [&](const QStringList &args, int *code, QByteArray *err = nullptr) {
            QProcess process;
            process.start(cli, QStringList{"--database", db} + args);
            if (!process.waitForFinished(60000))
                return QByteArray("timed out");
            *code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            if (err)
                *err = process.readAllStandardError();
            return process.readAllStandardOutput();
        };
        int code = -1;
        QByteArray out = run({"lookup", "--html", "Run"}, &code);
        QCOMPARE(code, 0);
        QCOMPARE(QString::fromUtf8(out), lookUp("Run").page + "\n");

        out = run({"lookup", "run"}, &code);
        QCOMPARE(code, 0);
        QCOMPARE(QString::fromUtf8(out), QString("run\n"
                                                 "  [自動]\n"
                                                 "  1. 走る\n"
                                                 "  2. 経営する\n"
                                                 "       ・run a shop\n"
                                                 "       ・run a race\n"
                                                 "\n"
                                                 "run out\n"
                                                 "  1. 尽きる\n"
                                                 "  1. 切れる\n"
                                                 "\n"
                                                 "R&D\n"
                                                 "  [名]\n"
                                                 "  1. 研究&amp;開発 & \"x\" <y>\n"));

        out = run({"lookup", "<walk>"}, &code);
        QCOMPARE(code, 1);
        QCOMPARE(out, QByteArray("<walk> is not found.\n"));

        QByteArray err;
        QVERIFY(QFile::remove(m_file));
        out = run({"lookup", "run"}, &code, &err);
        QCOMPARE(code, 2);
        QCOMPARE(out, QByteArray());
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("cli.txt"), err.constData());

        QVERIFY(exec("DELETE FROM t_word"));
        QVERIFY(exec("DELETE FROM t_dictionary"));
        out = run({"lookup", "run"}, &code, &err);
        QCOMPARE(code, 1);
        QCOMPARE(out,
                 QByteArray("Any dictionaries are found.\n\nPlease setup new dictionaries on "
                            "preferences dialog.\n[Edit] - [Preferences] - [Dictionary] Tab\n"));
        QCOMPARE(err, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestSearchThread)
#include "tst_searchthread.moc"
