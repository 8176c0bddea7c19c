// An installation killed at any moment leaves the database intact, holding
// either no dictionary or the whole index and word list, never a part of
// them; the next installation then succeeds. orvel-cli install is killed with SIGKILL at 20
// moments spread over a build of a few hundred thousand lines, and at half
// of them again while it installs beside a larger dictionary installed
// before (whose name index the build writes into), which stays as it was.
// A program writing the notebook, killed as often, leaves it whole too.
#include "generator.h"
#include "notebook/notebook.h"
#include "testutil.h"

#include <QHash>
#include <QRandomGenerator>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

namespace {

constexpr int kills = 20;
// Under the sanitizers every process runs several times slower; their run
// looks for memory errors, the plain run covers every kill moment.
#ifdef ORVEL_SANITIZED
constexpr int thinning = 2;
#else
constexpr int thinning = 1;
#endif

// How far the process has read `file`: the position of its descriptor on
// it, from /proc. -1 when it has no such descriptor (not yet, or no more).
qint64 readPosition(qint64 pid, const QString &file)
{
    const QString fds = QString("/proc/%1/fd").arg(pid);
    const QStringList entries =
        QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : entries) {
        if (QFile::symLinkTarget(fds + "/" + fd) != file)
            continue;
        QFile info(QString("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
        if (!info.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray first = info.readLine(); // "pos:\t<offset>"
        if (first.startsWith("pos:"))
            return first.mid(4).trimmed().toLongLong();
    }
    return -1;
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    QString dir, dictionary, installed;
    qint64 size = 0;
    TestUtil::Contents clean, installedClean;

    QString cli() const { return qEnvironmentVariable("ORVEL_CLI"); }

    // The rows of `state` of dictionary `id`, as of dictionary 1. Rows are
    // space-separated with the dictionary's id second; a million of them
    // are filtered each round, so without splitting every row.
    static TestUtil::Contents ofDictionary(const TestUtil::Contents &state, int id)
    {
        TestUtil::Contents one = state;
        const QString wanted = QString::number(id);
        const auto only = [&wanted](const QStringList &rows) {
            QStringList kept;
            for (const QString &row : rows) {
                const qsizetype first = row.indexOf(' ');
                if (first < 0)
                    continue;
                qsizetype second = row.indexOf(' ', first + 1);
                if (second < 0)
                    second = row.size();
                if (QStringView(row).sliced(first + 1, second - first - 1) != wanted)
                    continue;
                kept << (wanted == QLatin1String("1")
                             ? row
                             : row.left(first + 1) + '1' + row.mid(second));
            }
            return kept;
        };
        one.dictionaries = only(state.dictionaries);
        one.words = only(state.words);
        one.entries = only(state.entries);
        return one;
    }

    // Verifies the complete index of the killed install's dictionary, its
    // rows as of dictionary 1: the registration and rows of a clean build.
    void verifyComplete(const TestUtil::Contents &big)
    {
        QCOMPARE(big.dictionaries, clean.dictionaries);
        QCOMPARE(big.words.size(), clean.words.size());
        QVERIFY(big.words == clean.words);
        QCOMPARE(big.entries.size(), clean.entries.size());
        QVERIFY(big.entries == clean.entries);
    }

    // The dictionary installed before, as it was.
    void verifyInstalled(const TestUtil::Contents &state)
    {
        const TestUtil::Contents one = ofDictionary(state, 1);
        QCOMPARE(one.dictionaries, installedClean.dictionaries);
        QVERIFY(one.words == installedClean.words);
        QVERIFY(one.entries == installedClean.entries);
    }

    // Reads a database the way the next program start would: a connection
    // of its own, which also recovers a write-ahead log a killed writer left.
    static TestUtil::Contents inspect(const QString &dbFile)
    {
        return TestUtil::contents(dbFile, TestUtil::Access::AsTheProgram);
    }

    // The kill moments as data rows: every `step`th of them.
    static void addKillRounds(int step)
    {
        QTest::addColumn<int>("round");
        for (int round = 0; round < kills; round += step)
            QTest::addRow("kill %d", round) << round;
    }

    // One kill of an install at moment `round`, then the database checked.
    void killInstall(bool beside)
    {
        QFETCH(int, round);
        // One database through all rounds, so each install also meets what
        // the killed one before it left behind. It does not exist at first:
        // the first kill may come while the schema is being created.
        const QString db = dir + (beside ? "/beside.db" : "/crash.db");
        const QString id = beside ? "2" : "1";
        const bool atOnce = round == 0;
        const bool afterCommit = round == kills - 1;
        const qint64 target = atOnce || afterCommit ? 0 : size * round / (kills - 2);

        QProcess install;
        install.start(cli(), {"--database", db, "install", dictionary});
        QVERIFY(install.waitForStarted());
        const qint64 pid = install.processId();
        bool finishedFirst = false;
        while (!atOnce) {
            if (afterCommit) {
                if (install.waitForReadyRead(10) &&
                    install.readAllStandardOutput().startsWith("installed"))
                    break;
            } else if (readPosition(pid, dictionary) >= target) {
                break;
            } else {
                QThread::usleep(200);
            }
            // Also brings QProcess up to date with an install that ended.
            if (install.waitForFinished(0) || install.state() == QProcess::NotRunning) {
                finishedFirst = true;
                break;
            }
        }
        if (finishedFirst) {
            qInfo("the install ended before its kill");
        } else {
            install.kill();
            QVERIFY(install.waitForFinished(-1));
        }

        // Intact, and nothing or everything.
        const TestUtil::Contents state = inspect(db);
        QCOMPARE(state.integrity, QString("ok"));
        // Killed before the schema existed, the file has no tables yet.
        QVERIFY2(state.failure.isEmpty() || state.failure.contains("no such table"),
                 qPrintable(state.failure));
        const TestUtil::Contents big = beside ? ofDictionary(state, 2) : state;
        if (beside)
            verifyInstalled(state);
        if (big.dictionaries.isEmpty()) {
            QVERIFY2(big.words.isEmpty() && big.entries.isEmpty(),
                     qPrintable(QString("%1 rows, %2 entries without a dictionary")
                                    .arg(big.words.size())
                                    .arg(big.entries.size())));
            qInfo("no dictionary left");
            // The next install succeeds and builds the whole index.
            QCOMPARE(TestUtil::cli({"--database", db, "install", dictionary}).exit, 0);
            const TestUtil::Contents after = inspect(db);
            verifyComplete(beside ? ofDictionary(after, 2) : after);
            if (beside)
                verifyInstalled(after);
        } else {
            qInfo("the complete index left");
            verifyComplete(big);
        }
        // Removed again, as the preferences dialog does, for the next round.
        QCOMPARE(TestUtil::cli({"--database", db, "remove", id}).exit, 0);
        QCOMPARE(ofDictionary(inspect(db), beside ? 2 : 1).entries, QStringList());
    }

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("crash");
        dictionary = dir + "/big.txt";
        QVERIFY(Generator::write(dictionary, {300000, false, 21}));
        size = QFileInfo(dictionary).size();
        // /proc names the file by its canonical path.
        dictionary = QFileInfo(dictionary).canonicalFilePath();

        // The rows every complete install must have.
        const QString cleanDb = dir + "/clean.db";
        QCOMPARE(TestUtil::cli({"--database", cleanDb, "install", dictionary}).exit, 0);
        clean = inspect(cleanDb);
        QCOMPARE(clean.integrity, QString("ok"));
        QCOMPARE(clean.failure, QString());
        QCOMPARE(clean.dictionaries.size(), 1);
        QVERIFY(clean.words.size() > 80000);
        QVERIFY(clean.entries.size() > clean.words.size());

        // The dictionary every install beside one meets, with more rows
        // than the one installed beside it.
        installed = QFileInfo(dir + "/installed.txt").absoluteFilePath();
        QVERIFY(Generator::write(installed, {450000, false, 22}));
        const QString besideDb = dir + "/beside.db";
        QCOMPARE(TestUtil::cli({"--database", besideDb, "install", installed}).exit, 0);
        installedClean = inspect(besideDb);
        QCOMPARE(installedClean.dictionaries.size(), 1);
    }

    // Moments: at once; at 17 points of the file read; after the last line
    // was read (inserting, committing); after the commit was reported
    // (closing, checkpointing). Beside another dictionary at every other
    // moment, in a function of its own so each has its own time budget.
    void killedInstallLeavesNothingOrEverything_data() { addKillRounds(thinning); }
    void killedInstallLeavesNothingOrEverything() { killInstall(false); }
    void killedInstallBesideAnotherLeavesItAsItWas_data() { addKillRounds(2 * thinning); }
    void killedInstallBesideAnotherLeavesItAsItWas() { killInstall(true); }

    // Killed after 0 to 19 changes and a moment more, the writer leaves the
    // notebook intact (no file moved aside), each change it committed there
    // whole, and no part of one it did not: a change's 200 stars all or
    // none, its two words both or neither, and the words never before the
    // stars they follow.
    void killedNotebookWritesLeaveWholeChanges()
    {
        const QString file = dir + "/notebook.db";
        QRandomGenerator random(47);
        int next = 0;
        for (int round = 0; round < kills; ++round) {
            const int first = next;
            QProcess writer;
            writer.start(ORVEL_NOTEBOOK_WRITER, {file, QString::number(first)});
            QVERIFY(writer.waitForStarted());
            int printed = first - 1;
            while (printed < first + round - 1 && writer.state() == QProcess::Running) {
                if (writer.waitForReadyRead(1000))
                    while (writer.canReadLine())
                        printed = writer.readLine().trimmed().toInt();
            }
            QThread::usleep(random.bounded(3000));
            writer.kill();
            QVERIFY(writer.waitForFinished(-1));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            while (writer.canReadLine())
                printed = writer.readLine().trimmed().toInt();

            Notebook notebook(file);
            QCOMPARE(notebook.open(), Notebook::Opened::Ready);
            QList<Star> stars;
            QList<HistoryWord> words;
            QVERIFY(notebook.stars(&stars) && notebook.history(&words));
            QHash<int, int> starsOf, wordsOf;
            for (const Star &star : std::as_const(stars))
                ++starsOf[star.word.mid(1).section('-', 0, 0).toInt()];
            for (const HistoryWord &word : std::as_const(words))
                ++wordsOf[word.word.mid(1).section('-', 0, 0).toInt()];
            for (auto change = starsOf.cbegin(); change != starsOf.cend(); ++change)
                QCOMPARE(change.value(), 200);
            for (auto change = wordsOf.cbegin(); change != wordsOf.cend(); ++change) {
                QCOMPARE(change.value(), 2);
                QVERIFY(starsOf.contains(change.key()));
            }
            for (int change = first; change <= printed; ++change)
                QVERIFY2(wordsOf.contains(change), qPrintable(QString::number(change)));
            next =
                starsOf.isEmpty() ? 0 : *std::max_element(starsOf.keyBegin(), starsOf.keyEnd()) + 1;
            qInfo("round %d: %d changes committed, %d said", round, next, printed + 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
