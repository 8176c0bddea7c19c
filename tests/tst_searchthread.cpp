// The look-up: its pages, what it reads, and what it makes of a dictionary
// file changed, replaced or taken away after installation, of an index
// that cannot be read and of hostile typed words; each look-up gives a
// well-formed page or one that says what failed, and never hangs.
#include "dictionary/convertthread.h"
#include "fuzz/pagecheck.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "lookup/boundedreader.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"
#include "lookupfixture.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <optional>
#include <sys/stat.h>

using namespace LookUpFixture;

namespace {
const QString heading = "<h2 style='font-weight:bold'>";
const QString mark = "<span style='color:#C00000'>";
const QString badge = "<span style='background-color:#e0e0e0'>&nbsp;";

QString pageOf(const QString &word)
{
    return lookUp(word).page;
}

bool exec(const QString &sql, const QVariant &value = QVariant())
{
    QSqlQuery query;
    query.prepare(sql);
    if (value.isValid())
        query.addBindValue(value);
    return query.exec();
}
} // namespace

class TestSearchThread : public QObject
{
    Q_OBJECT

    QString m_dir;
    QString m_file;
    QString m_databaseFile;

    // A fresh database; with `lines`, installed as the one dictionary.
    void database(const QString &name, const QStringList &lines = {})
    {
        m_databaseFile = m_dir + "/" + name + ".db";
        QVERIFY(TestUtil::openFreshDatabase(m_databaseFile));
        if (lines.isEmpty())
            return;
        m_file = TestUtil::writeDictionary(m_dir + "/" + name + ".txt", lines);
        QCOMPARE(TestUtil::install(m_file), int(ConvertThread::Committed));
    }

    void sample(const QString &name)
    {
        database(name, {"■apple : りんご", "■run  {自動-1} : 走る",
                        "■run  {自動-2} : 経営する■・run a shop", "■run out : 尽きる",
                        "■Run  {名} : 走ること", "not an entry line", "■tail : 尾"});
    }

private slots:
    void initTestCase() { m_dir = TestUtil::makeDir("search"); }

    void found()
    {
        sample("found");
        MessageCapture messages;
        const QString page = pageOf("run");
        QCOMPARE(lookUp("run").status, SearchThread::Found);
        // From the word's first line to the end of the file, whatever follows.
        QCOMPARE(page,
                 "<ol></ol>" + heading + mark + "run</span></h2><ol></ol><ol>" + badge +
                     "自動&nbsp;</span><li>走る\n</li><li>経営する<br />・run a shop\n</li></ol>" +
                     heading + mark + "run</span> out</h2><ol><li>尽きる\n</li></ol>" + heading +
                     mark + "run</span></h2><ol></ol><ol>" + badge +
                     "名&nbsp;</span><li>走ること\n</li></ol>" + heading +
                     "tail</h2><ol><li>尾\n</li></ol>");
        // Any case finds the same first line; the mark shows the typed case.
        for (const QString typed : {"RUN", "rUn"})
            QCOMPARE(pageOf(typed).replace(mark + typed, mark + "run"), page);
        QCOMPARE(pageOf("tail"),
                 "<ol></ol>" + heading + mark + "tail</span></h2><ol><li>尾\n</li></ol>");
        QCOMPARE(messages.all(), QStringList());
    }

    void notFound()
    {
        sample("notfound");
        QCOMPARE(lookUp("walk").status, SearchThread::NotFound);
        QCOMPARE(pageOf("walk"), QString("<h2>walk  is not found.</h2>"));
        // The typed text is not trimmed; multi-word heads are not indexed.
        QCOMPARE(pageOf("run "), QString("<h2>run   is not found.</h2>"));
        for (const char *word : {" run", "out", "run out"})
            QCOMPARE(lookUp(word).status, SearchThread::NotFound);
    }

    // Whether the window fits in one read of the file, spans several, or
    // each of its lines is longer than a read.
    void windowIs128Lines_data()
    {
        QTest::addColumn<int>("bodyLength");
        QTest::newRow("short lines") << 1;
        QTest::newRow("window over several reads") << 300;
        QTest::newRow("lines longer than a read") << int(SearchThread::readAhead) + 1;
    }

    void windowIs128Lines()
    {
        QFETCH(int, bodyLength);
        const QString body(bodyLength, QChar('x'));
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines << QString("■w%1 : %2").arg(i, 3, 10, QChar('0')).arg(body);
        database(QString("window%1").arg(bodyLength), lines);
        const QString page = pageOf("w010");
        QVERIFY(page.contains(heading + "w137</h2>"));
        QVERIFY(!page.contains("w138"));
        QCOMPARE(page.count("<li>"), 128);
        QCOMPARE(page.count("<li>" + body + "\n</li>"), 128);
        QCOMPARE(pageOf("w290").count("<li>"), 10);
    }

    // Whatever stands at a word's offset, a look-up reads a bounded stretch
    // of the file: a line past longestLine is cut there and marked, even
    // inside a two-byte character, and the window ends after mostBytes.
    // run's line holds `kana` such characters after an odd number of bytes.
    void readingIsBounded_data()
    {
        QTest::addColumn<int>("kana");
        QTest::addColumn<bool>("zeros"); // the file becomes zeros of its size and time
        QTest::addColumn<bool>("tailShown");
        QTest::newRow("a line of 6 MiB") << (3 << 20) << false << false;
        QTest::newRow("a line of 1.5 MiB, then more") << (3 << 18) << false << true;
        // No look at the file's size and time can tell this one; the line
        // at the word's offset does.
        QTest::newRow("zeros in its place") << (3 << 20) << true << false;
    }

    void readingIsBounded()
    {
        QFETCH(int, kana);
        QFETCH(bool, zeros);
        QFETCH(bool, tailShown);
        database(QString("bounded%1").arg(QTest::currentDataTag()).remove(' '),
                 {"■run : x" + QString(kana, QChar(0x3042)), "■tail : 尾"});
        const qint64 size = QFileInfo(m_file).size();
        const QString stamp = TestUtil::writeBytes(m_file + ".time", "");
        QVERIFY(!zeros || (TestUtil::copyTime(m_file, stamp) && QFile::resize(m_file, 0) &&
                           QFile::resize(m_file, size) && TestUtil::copyTime(stamp, m_file)));
        const qint64 before = TestUtil::bytesRead();
        Page page;
        const SearchThread::Status status = SearchThread::lookUp("run", &page);
        const qint64 read = TestUtil::bytesRead() - before;
        QVERIFY2(read < BoundedReader::mostBytes + (256 << 10), qPrintable(QString::number(read)));
        QCOMPARE(status, zeros ? SearchThread::Failed : SearchThread::Found);
        if (zeros)
            return;
        const QString item = page.blocks.at(1).text;
        QVERIFY(item.size() <= BoundedReader::longestLine && item.size() > (1 << 18));
        QVERIFY(item.endsWith(QString(QChar(0x3042)) + QChar(0x2026)));
        QCOMPARE(PageHtml::write(page).contains("尾"), tailShown);
    }

    // Only one look-up at a time reads more than the free bytes: one that
    // needs a long window waits for the permit, a short window does not.
    void longWindowsTakeTurns()
    {
        database("turns", {"■run : " + QString(1 << 20, 'x'), "■tail : 尾"});
        std::optional<LongReadPermit> held(std::in_place);
        held->take();
        SearchThread longWindow, shortWindow;
        longWindow.setWord("run");
        shortWindow.setWord("tail");
        QSignalSpy longEnded(&longWindow, &QThread::finished);
        QSignalSpy shortEnded(&shortWindow, &QThread::finished);
        longWindow.start();
        shortWindow.start();
        QTRY_COMPARE_WITH_TIMEOUT(shortEnded.size(), 1, 10000);
        QTest::qWait(300);
        QCOMPARE(longEnded.size(), 0);
        held.reset();
        QTRY_COMPARE_WITH_TIMEOUT(longEnded.size(), 1, 10000);
        QCOMPARE(longWindow.status(), SearchThread::Found);
    }

    void noDictionary()
    {
        MessageCapture messages;
        database("empty");
        const LookUp r = lookUp("run");
        QCOMPARE(r.status, SearchThread::NoDictionary);
        QCOMPARE(r.page,
                 QString("No dictionary is installed.<br /><br />Please setup new "
                         "dictionaries on preferences dialog.<br />[Edit] - [Preferences] - "
                         "[Dictionary] Tab"));
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"QSqlQuery::next failed."});
    }

    // A failed look-up gives a page that says what failed and what to do,
    // not the previous word's page; the debug line stays.
    void failurePages_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("debug");
        QTest::addColumn<QString>("shown");
        const QString open = "QFile::open failed.";
        const QString location = "QSqlQuery::exec failed. \"SELECT location FROM t_dictionary\"";
        QTest::newRow("file deleted") << "delete" << open << "file";
        QTest::newRow("directory in its place") << "directory" << open << "file";
        // Opening a FIFO for reading would wait for a writer forever.
        QTest::newRow("FIFO in its place") << "fifo" << open << "file";
        // Qt shows the executed text with its placeholder renamed (":0").
        QTest::newRow("word index gone")
            << "DROP TABLE t_word"
            << "QSqlQuery::exec failed. \"SELECT position FROM t_word WHERE"
            << "index cannot be read:<br />no such table: t_word";
        QTest::newRow("dictionary table gone")
            << "DROP TABLE t_dictionary" << location
            << "index cannot be read:<br />no such table: t_dictionary";
        // Another file in the index's place: no shared cache serves it.
        QTest::newRow("index file damaged")
            << "index damaged" << location << "index cannot be read:<br />file is not a database";
        QTest::newRow("index file a folder")
            << "index folder" << location
            << "index cannot be read:<br />unable to open database file";
    }

    void failurePages()
    {
        QFETCH(QString, change);
        QFETCH(QString, debug);
        QFETCH(QString, shown);
        // Markup and a placeholder in the path are shown as they are.
        sample(QString("fail <b>&%1 ") + QTest::currentDataTag());
        if (change.startsWith("DROP"))
            QVERIFY(exec(change));
        else if (change == "index damaged") {
            // Without its log too, which would still hold every page.
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(m_databaseFile + suffix);
            TestUtil::writeBytes(m_databaseFile, QByteArray(8192, 'x'));
        } else if (change == "index folder")
            QVERIFY(QFile::remove(m_databaseFile) && QDir().mkdir(m_databaseFile));
        else
            QVERIFY(QFile::remove(m_file));
        if (change == "directory")
            QVERIFY(QDir().mkdir(m_file));
        if (change == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(m_file).constData(), 0600), 0);
        if (shown == "file")
            shown = "file cannot be read:<br />" + m_file.toHtmlEscaped() + "<br />";
        MessageCapture messages;
        const auto [status, model, page, error] = lookUp("run");
        QCOMPARE(status, SearchThread::Failed);
        QVERIFY2(page.startsWith("The dictionary " + shown) &&
                     page.endsWith("<br />[Edit] - [Preferences] - [Dictionary] Tab"),
                 qPrintable(page));
        // Trying again cannot mend a damaged index file: the page names it.
        if (change.startsWith("index "))
            QVERIFY2(page.contains("<br />" + m_databaseFile.toHtmlEscaped() + "<br />") &&
                         page.contains("move it away"),
                     qPrintable(page));
        else if (change.startsWith("DROP"))
            QVERIFY2(page.contains("Please try again."), qPrintable(page));
        const QStringList lines = messages.lines(QtDebugMsg);
        QVERIFY2(lines.size() == 1 && lines[0].startsWith(debug), qPrintable(lines.join('\n')));
        QVERIFY(!error.isEmpty() && !error.contains('\n'));
    }

    // The dictionary file changed after installation: a page that says so
    // and offers to rebuild, where its size, time or checksum shows it and
    // where only the line at a word's offset can (its size and time kept,
    // or no record of them); the same pages where only its time changed.
    void dictionaryFileChangedAfterInstall_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("seen");
        QTest::newRow("edited in place") << "edit"
                                         << "changed";
        QTest::newRow("random bytes, NULs included") << "noise"
                                                     << "changed";
        QTest::newRow("truncated before the lines") << "truncate"
                                                    << "changed";
        QTest::newRow("touched") << "touch"
                                 << "same";
        QTest::newRow("random bytes, size and time kept") << "noise, time kept"
                                                          << "changed";
        QTest::newRow("lines reversed, size and time kept") << "reverse, time kept"
                                                            << "changed";
        QTest::newRow("a byte dropped before the words and one added after, size and time kept")
            << "shift, time kept"
            << "changed";
        QTest::newRow("edited, no record") << "edit, no record"
                                           << "changed";
    }

    void dictionaryFileChangedAfterInstall()
    {
        QFETCH(QString, change);
        QFETCH(QString, seen);
        // tail's lines go on past a window.
        QStringList lines = LookUpFixture::sample;
        for (int i = 0; i < SearchThread::windowLines; ++i)
            lines << M + QString("tail : 尾%1").arg(i);
        database(QString("changed ") + QTest::currentDataTag(), lines);
        const QStringList words{"apple", "run", "tail"};
        QStringList before;
        for (const QString &word : words)
            before << pageOf(word);
        const PageContinuation next = lookUp("tail").model.next;
        QVERIFY(next.isValid());
        const QString original = m_file + ".original";
        QVERIFY(QFile::copy(m_file, original) && TestUtil::copyTime(m_file, original));
        if (change.startsWith("edit")) {
            QStringList edited = {M + "xyz : 別", M + "more : もっと", M + "run : 新しい"};
            for (int i = 0; i < 200; ++i)
                edited << M + QString("w%1 : 語").arg(i);
            TestUtil::writeDictionary(m_file, edited);
        } else if (change.startsWith("noise")) {
            QByteArray bytes = TestUtil::readBytes(m_file);
            QRandomGenerator rng(11);
            for (char &c : bytes)
                c = char(rng.bounded(256));
            QTest::qSleep(10);
            TestUtil::writeBytes(m_file, bytes);
        } else if (change == "truncate") {
            TestUtil::writeBytes(m_file, Generator::toShiftJis(M + "a"));
        } else if (change.startsWith("reverse")) {
            QStringList reversed = lines;
            std::reverse(reversed.begin(), reversed.end());
            TestUtil::writeDictionary(m_file, reversed);
        } else if (change.startsWith("shift")) {
            TestUtil::writeBytes(m_file, TestUtil::readBytes(m_file).mid(1) + "\n");
        } else {
            QVERIFY(TestUtil::copyTime(TestUtil::writeBytes(m_file + ".later", ""), m_file));
        }
        if (change.endsWith("time kept"))
            QVERIFY(TestUtil::copyTime(original, m_file));
        if (change.endsWith("no record"))
            QVERIFY(exec("DELETE FROM t_file"));

        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString &word = words[i];
            MessageCapture messages;
            const LookUp r = lookUp(word);
            if (seen == "same") {
                QCOMPARE(r.status, SearchThread::Found);
                QCOMPARE(r.page, before[i]);
            } else {
                QCOMPARE(r.status, SearchThread::Failed);
                QCOMPARE(r.error, SearchThread::fileChangedError(m_file));
                QVERIFY(
                    r.page.startsWith("The dictionary file has changed since it was installed:"));
                QVERIFY(r.page.endsWith("<a href=\"orvel:rebuild\">Rebuild the index</a>"));
            }
            // Every other reader of the index's offsets tells the same.
            Page page;
            QString error;
            const SearchThread::Status status =
                seen == "same" ? SearchThread::Found : SearchThread::Failed;
            QCOMPARE(SearchThread::lookUpEntry(word, &page, &error), status);
            QCOMPARE(error, r.error);
            QCOMPARE(SearchThread::findWhatIMean(word, &page, nullptr, &error), status);
            QCOMPARE(error, r.error);
            const WordListThread::List list = WordListThread::list(WordListThread::from(word, 3));
            QCOMPARE(list.status,
                     seen == "same" ? WordListThread::Listed : WordListThread::FileChanged);
        }
        Page page;
        QString error;
        QCOMPARE(SearchThread::lookUpNext(next, &page, &error),
                 seen == "same" ? SearchThread::Found : SearchThread::Failed);
        QCOMPARE(error, seen == "same" ? QString() : SearchThread::fileChangedError(m_file));
    }

    void hostileTypedWords_data() { addHostileWords(); }

    void hostileTypedWords()
    {
        QFETCH(QString, word);
        sample(QString("hostile ") + QTest::currentDataTag());
        const LookUp r = lookUp(word);
        QCOMPARE(r.status, SearchThread::NotFound);
        QCOMPARE(r.page, PageCheck::notFoundPage(word));
        QCOMPARE(PageCheck::check(r.model, word), QString());
    }

    void storedOffsets()
    {
        database("offsets");
        // A sparse file with an entry line just past 2 GiB.
        const QString file =
            TestUtil::writeDictionary(m_dir + "/big.txt", {"■apple : りんご■pear : 梨"});
        const qint64 far = (qint64(1) << 31) + 4096;
        {
            QFile big(file);
            QVERIFY(big.open(QIODevice::ReadWrite) && big.resize(far) && big.seek(far - 1));
            QVERIFY(big.write(Generator::toShiftJis("\n■giant : 巨大\n")) > 0);
        }
        QVERIFY(exec("INSERT INTO t_dictionary VALUES (1, ?, '', 2)", file));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'GIANT')", far));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'BEYOND')", QFileInfo(file).size() + 1000));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'FAR')", qint64(1) << 62));
        QVERIFY(exec("INSERT INTO t_word VALUES (1, -5, 'NEGATIVE')"));
        // Inside apple's line, where its text reads as an entry of pear.
        QVERIFY(exec("INSERT INTO t_word VALUES (1, ?, 'PEAR')",
                     Generator::toShiftJis("■apple : りんご").size()));
        QCOMPARE(pageOf("giant"),
                 "<ol></ol>" + heading + mark + "giant</span></h2><ol><li>巨大\n</li></ol>");
        // Offsets where the file has no line of the word show no lines,
        // and no raw warning of the file system reaches the terminal.
        for (const char *word : {"beyond", "far", "negative", "pear"}) {
            MessageCapture messages;
            const LookUp r = lookUp(word);
            QCOMPARE(r.status, SearchThread::Failed);
            QCOMPARE(r.error, SearchThread::fileChangedError(file));
            QCOMPARE(messages.lines(QtWarningMsg), QStringList());
        }
    }

    void thread()
    {
        sample("thread");
        const QString expected = pageOf("tail");
        QThread *emitter = nullptr;
        SearchThread worker;
        worker.setWord("tail");
        connect(
            &worker, qOverload<const QString &>(&SearchThread::finished), this,
            [&emitter] { emitter = QThread::currentThread(); }, Qt::DirectConnection);
        QSignalSpy pages(&worker, qOverload<const QString &>(&SearchThread::finished));
        QSignalSpy ended(&worker, &QThread::finished);
        worker.start(QThread::InheritPriority);
        // Not ended.wait(): a look-up may end before the wait begins.
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0][0].toString(), expected);
        QVERIFY(emitter && emitter != QThread::currentThread());
        QCOMPARE(worker.status(), SearchThread::Found);

        // A failed look-up sends its failure page and says so.
        QVERIFY(QFile::remove(m_file));
        const QString failurePage = pageOf("tail");
        QCOMPARE(lookUp("tail").status, SearchThread::Failed);
        SearchThread failing;
        failing.setWord("tail");
        QSignalSpy failed(&failing, qOverload<const QString &>(&SearchThread::finished));
        QSignalSpy failingEnded(&failing, &QThread::finished);
        failing.start();
        QTRY_COMPARE_WITH_TIMEOUT(failingEnded.size(), 1, 10000);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), failurePage);
        QCOMPARE(failing.status(), SearchThread::Failed);
    }

    void commandLine()
    {
        database("cli", {"■run  {自動-1} : 走る", "■run  {自動-2} : 経営する■・a shop■・a race",
                         "■run out : 尽きる", "■run out : 切れる",
                         "■R&D  {名} : 研究&amp;開発 & \"x\" <y>"});
        int code = -1;
        QString err;
        const auto run = [&](const QStringList &args) {
            const TestUtil::Run lookup =
                TestUtil::cli(QStringList{"--database", m_dir + "/cli.db", "lookup"} + args);
            code = lookup.exit;
            err = lookup.err;
            return lookup.out;
        };
        QCOMPARE(run({"--html", "Run"}), pageOf("Run"));
        QCOMPARE(code, 0);
        QCOMPARE(run({"run"}), QString("run\n  [自動]\n  1. 走る\n  2. 経営する\n       ・a shop\n"
                                       "       ・a race\n\nrun out\n  1. 尽きる\n  1. 切れる\n\n"
                                       "R&D\n  [名]\n  1. 研究&amp;開発 & \"x\" <y>\n"));
        QCOMPARE(code, 0);
        QCOMPARE(run({"<walk>"}), QString("<walk> is not found.\n"));
        QCOMPARE(code, 1);

        QVERIFY(QFile::remove(m_file));
        QCOMPARE(run({"run"}), QString());
        QCOMPARE(code, 2);
        QVERIFY2(err.count('\n') == 1 && err.contains("cli.txt"), qPrintable(err));

        QVERIFY(exec("DELETE FROM t_dictionary"));
        QCOMPARE(run({"run"}),
                 QString("No dictionary is installed.\n\nPlease setup new dictionaries "
                         "on preferences dialog.\n[Edit] - [Preferences] - "
                         "[Dictionary] Tab\n"));
        QCOMPARE(code, 1);
        QCOMPARE(err, QString());
    }
};

QTEST_GUILESS_MAIN(TestSearchThread)
#include "tst_searchthread.moc"
