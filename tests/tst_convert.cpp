// The index builder: exact rows and counts, progress, and every way a build
// can end, on real files and a real database.
#include "dictionary/convertthread.h"
#include "generator.h"
#include "testutil.h"

#include <QFile>
#include <QRegExp>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString M = QString(QChar(0x25A0));

// The index rows a file must produce, computed the slow, obvious way:
// QIODevice::readLine, a fresh decoder per line and QRegExp.
QStringList referenceRows(const QString &path, int *count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QRegExp line("^" + M + "(.+)\\s:\\s");
    QRegExp head("^(.+)\\s\\s\\{(.+)\\}$");
    QStringList rows;
    qint64 offset = 0;
    *count = 0;
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        QStringDecoder decoder("Shift_JIS");
        const QString text = decoder.decode(bytes);
        if (line.indexIn(text, 0, QRegExp::CaretAtZero) != -1) {
            ++*count;
            QString word = line.cap(1);
            if (head.indexIn(word, 0, QRegExp::CaretAtZero) != -1)
                word = head.cap(1);
            if (word.split(' ').size() == 1)
                rows << QString::number(offset) + ":" + word.toUpper();
        }
        offset += bytes.size();
    }
    return rows;
}

// Builds `path`, asking the builder to stop right at its `stopAt`-th
// progress report (on the builder's own thread, so the request lands at a
// known point of the build). Collects the reports.
ConvertThread::Outcome buildStoppingAt(const QString &path, int stopAt, QList<int> *progress)
{
    ConvertThread thread;
    thread.setDictionary("Eijiro", path);
    QObject::connect(
        &thread, &ConvertThread::frameChanged, &thread,
        [&](int p) {
            *progress << p;
            if (progress->size() == stopAt)
                thread.cancel();
        },
        Qt::DirectConnection);
    thread.start();
    if (!thread.wait(60000))
        qFatal("the build did not end");
    return thread.outcome();
}

int storedCount()
{
    QSqlQuery query("SELECT count FROM t_dictionary WHERE id = 1");
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

    QString dir;

private slots:
    void init()
    {
        dir = TestUtil::makeDir(QTest::currentTestFunction());
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
    }

    void exactRowsForHandWrittenLines_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::addColumn<bool>("terminateLast");
        QTest::newRow("LF") << QByteArray("\n") << true;
        QTest::newRow("CR LF") << QByteArray("\r\n") << true;
        QTest::newRow("LF, last line open") << QByteArray("\n") << false;
        QTest::newRow("CR LF, last line open") << QByteArray("\r\n") << false;
    }

    void exactRowsForHandWrittenLines()
    {
        QFETCH(QByteArray, eol);
        QFETCH(bool, terminateLast);
        const QStringList lines = {
            M + "run  {自動-1} : 走る",   // keyed, label stripped
            "not an entry line",          // skipped, bytes still counted
            M + "Run  {名} : 走ること",   // same key as "run"
            M + "run out  {動} : 尽きる", // multi-word: counted, no row
            M + "ｒｕｎ : 全角",          // full-width letters upper-cased
            M + "a\tb : タブ",            // tab stays in the key
            M + "走\u3000る : 全角空白",  // U+3000 stays in the key
            M + "x  y : 二重空白",        // doubled space: no key
            M + "x : y : z",              // longest head, contains spaces
            QString(),                    // empty line
            M + "last : 最後",            // last line, maybe unterminated
        };
        const QString path =
            TestUtil::writeDictionary(dir + "/dict.txt", lines, eol, terminateLast);
        QList<int> progress;
        QCOMPARE(TestUtil::install(path, &progress), int(ConvertThread::Committed));

        // Offsets by hand from the encoded lengths.
        QList<qint64> offsets;
        qint64 at = 0;
        for (const QString &l : lines) {
            offsets << at;
            at += Generator::toShiftJis(l).size() + eol.size();
        }
        const QStringList expected = {
            QString("%1:RUN").arg(offsets[0]),        QString("%1:RUN").arg(offsets[2]),
            QString("%1:ＲＵＮ").arg(offsets[4]),     QString("%1:A\tB").arg(offsets[5]),
            QString("%1:走\u3000る").arg(offsets[6]), QString("%1:LAST").arg(offsets[10]),
        };
        QCOMPARE(TestUtil::wordRows(), expected);
        QCOMPARE(storedCount(), 9);
        QSqlQuery query("SELECT location, encoding IS NULL, encoding FROM t_dictionary");
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), path);
        QCOMPARE(query.value(1).toInt(), 0); // an empty text, not NULL
        QCOMPARE(query.value(2).toString(), QString(""));
        QCOMPARE(progress.last(), 100);
    }

    void generatedFileMatchesTheSlowReading_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::newRow("LF") << false;
        QTest::newRow("CR LF") << true;
    }

    void generatedFileMatchesTheSlowReading()
    {
        QFETCH(bool, crlf);
        const QString path = dir + "/gen.txt";
        QVERIFY(Generator::write(path, {40000, crlf, 3}));
        int count = 0;
        const QStringList expected = referenceRows(path, &count);
        QVERIFY(expected.size() > 10000);
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        QCOMPARE(TestUtil::wordRows(), expected);
        QCOMPARE(storedCount(), count);
    }

    void progressReportsEachPercentageOnceThenHundredAfterCommit()
    {
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << (i % 3 ? M + QString("w%1 : 訳").arg(i, 4, 10, QChar('0')) : "comment");
        const QString path = TestUtil::writeDictionary(dir + "/p.txt", lines);
        const qint64 size = QFileInfo(path).size();
        QList<int> expected;
        qint64 at = 0;
        for (const QString &l : lines) {
            const int p = int(at * 100 / size);
            if (l.startsWith(M) && (expected.isEmpty() || expected.last() != p))
                expected << p;
            at += Generator::toShiftJis(l).size() + 1;
        }
        expected << 100;
        QList<int> progress;
        QCOMPARE(TestUtil::install(path, &progress), int(ConvertThread::Committed));
        QCOMPARE(progress, expected);

        // A file whose only entry starts at offset 0 reports 0, then 100.
        init();
        progress.clear();
        const QString one = TestUtil::writeDictionary(dir + "/one.txt", {M + "a : b", "tail"});
        QCOMPARE(TestUtil::install(one, &progress), int(ConvertThread::Committed));
        QCOMPARE(progress, (QList<int>{0, 100}));
    }

    void emptyFilesAndFilesWithoutEntriesAreInstalled()
    {
        for (const QByteArray &bytes : {QByteArray(), QByteArray("no entries\nhere\n")}) {
            init();
            QList<int> progress;
            const QString path = TestUtil::writeBytes(dir + "/e.txt", bytes);
            QCOMPARE(TestUtil::install(path, &progress), int(ConvertThread::Committed));
            QCOMPARE(progress, QList<int>{100});
            QCOMPARE(TestUtil::rowCount("t_word"), 0);
            QCOMPARE(storedCount(), 0);
        }
    }

    void unreadableInputWritesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << int(ConvertThread::FileOpenFailed)
                                 << "QFile::open failed.";
        QTest::newRow("directory")
            << "directory" << int(ConvertThread::FileOpenFailed) << "QFile::open failed.";
        QTest::newRow("binary") << "binary" << int(ConvertThread::NotText)
                                << "ConvertThread::run failed.";
    }

    void unreadableInputWritesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QString path = dir + "/input";
        if (kind == "directory")
            QDir().mkpath(path);
        if (kind == "binary") {
            QByteArray bytes = Generator::toShiftJis(M + "a : b\n");
            bytes += QByteArray("\x7f"
                                "ELF\x02\x01\x01\0\0\0\n",
                                12);
            TestUtil::writeBytes(path, bytes);
        }
        MessageCapture messages;
        QList<int> progress;
        QCOMPARE(TestUtil::install(path, &progress), outcome);
        QVERIFY(!progress.contains(100));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(message), qPrintable(lines.first()));
    }

    void cancelInTheMiddleRollsBack()
    {
        const QString path = dir + "/big.txt";
        QVERIFY(Generator::write(path, {200000, false, 5}));
        QList<int> progress;
        MessageCapture messages;
        QCOMPARE(buildStoppingAt(path, 1, &progress), ConvertThread::Canceled);
        QVERIFY(!progress.contains(100));
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"Convert thread was canceled."});
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    }

    void cancelAfterTheLastLineStillCommits()
    {
        // The last report of a small file comes after the whole file has
        // been read; a stop request then changes nothing.
        const QString path =
            TestUtil::writeDictionary(dir + "/d.txt", {M + "a : 1", M + "b : 2", M + "c : 3"});
        QList<int> progress;
        QCOMPARE(buildStoppingAt(path, 3, &progress), ConvertThread::Committed);
        QCOMPARE(progress.last(), 100);
        QCOMPARE(TestUtil::rowCount("t_word"), 3);
    }

    void secondBuildOfAnInstalledDictionaryRollsBack()
    {
        const QString path =
            TestUtil::writeDictionary(dir + "/d.txt", {M + "run : 走る", M + "walk : 歩く"});
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        const QStringList before = TestUtil::wordRows();

        MessageCapture messages;
        QList<int> progress;
        QCOMPARE(TestUtil::install(path, &progress), int(ConvertThread::FinalInsertFailed));
        QVERIFY(!progress.contains(100));
        QCOMPARE(TestUtil::wordRows(), before);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 1);

        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 7); // three per failed row, one for the final insert
        // Qt names the placeholders of a failed positional statement :0, :1...
        const QString insert = "QSqlQuery::exec failed. \"INSERT INTO t_word (id, position, "
                               "name) VALUES (:0, :1, :2)\" \"UNIQUE constraint failed: t_word.id, "
                               "t_word.position Unable to fetch row\"";
        QCOMPARE(lines[0], insert);
        QCOMPARE(lines[1], QString("row = 0 [ \"■run : 走る\\n\" ]"));
        QCOMPARE(lines[2], QString("id = 1 , position = 0 , name = \"RUN\""));
        QCOMPARE(lines[3], insert);
        QCOMPARE(lines[4], QString("row = 1 [ \"■walk : 歩く\\n\" ]"));
        QCOMPARE(lines[5], QString("id = 1 , position = %1 , name = \"WALK\"")
                               .arg(Generator::toShiftJis(M + "run : 走る\n").size()));
        QVERIFY2(lines[6].startsWith("QSqlQuery::exec failed. \"INSERT INTO t_dictionary (id, "
                                     "location, encoding, count) VALUES (:0, :1, :2, :3)\" "
                                     "\"UNIQUE constraint failed: t_dictionary.id"),
                 qPrintable(lines[6]));
    }

    void aRowThatCannotBeWrittenAtAllStopsTheBuild()
    {
        // A clash costs one line; any other failure would fail every row
        // alike, so the build stops at the first and rolls back.
        QSqlQuery trigger;
        QVERIFY(trigger.exec("CREATE TRIGGER t AFTER INSERT ON t_word BEGIN "
                             "INSERT INTO gone VALUES (1); END"));
        const QString path = TestUtil::writeDictionary(
            dir + "/d.txt", {M + "run : 走る", M + "walk : 歩く", M + "talk : 話す"});
        MessageCapture messages;
        QList<int> progress;
        ConvertThread thread;
        thread.setDictionary("Eijiro", path);
        connect(&thread, &ConvertThread::frameChanged, this, [&](int p) { progress << p; });
        thread.start();
        QVERIFY(thread.wait(60000));
        QCoreApplication::processEvents();
        QCOMPARE(thread.outcome(), ConvertThread::InsertFailed);
        QVERIFY2(thread.errorString().contains("no such table: main.gone"),
                 qPrintable(thread.errorString()));
        QVERIFY(!progress.contains(100));
        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("QSqlQuery::exec failed. \"INSERT INTO t_word"),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], QString("row = 0 [ \"■run : 走る\\n\" ]"));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    }

    void failedCommitReportsNoHundred()
    {
        const QString path = TestUtil::writeDictionary(dir + "/d.txt", {M + "run : 走る"});
        // A full disk at the commit: the rows are still in the page cache
        // until then, and the commit cannot append them to the log.
        const QString wal = dir + "/orvel.db-wal";
        const qint64 limit = qMax(QFileInfo(wal).size(), QFileInfo(dir + "/orvel.db").size());
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit tight = old;
        tight.rlim_cur = rlim_t(limit + 1024);
        signal(SIGXFSZ, SIG_IGN);
        MessageCapture messages;
        QList<int> progress;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const int outcome = TestUtil::install(path, &progress);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
        QCOMPARE(outcome, int(ConvertThread::CommitFailed));
        QVERIFY(!progress.contains(100));
        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith("QSqlDatabase::commit failed. \""), qPrintable(lines[0]));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
        // Nothing is lost: with room again the same file installs.
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        QCOMPARE(TestUtil::rowCount("t_word"), 1);
    }

    void stopAllWaitsForRunningBuilds()
    {
        const QString path = dir + "/big.txt";
        QVERIFY(Generator::write(path, {300000, false, 9}));
        auto *thread = new ConvertThread;
        thread->setDictionary("Eijiro", path);
        thread->start();
        ConvertThread::stopAll();
        QVERIFY(thread->isFinished());
        QVERIFY(thread->outcome() == ConvertThread::Canceled ||
                thread->outcome() == ConvertThread::Committed);
        const int words = TestUtil::rowCount("t_word");
        QVERIFY(thread->outcome() == ConvertThread::Committed ? words > 0 : words == 0);
        delete thread;
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
