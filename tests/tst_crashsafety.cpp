// An installation killed at any moment leaves the database intact, holding
// either no dictionary or the whole index and word list, never a part of
// them; the next installation then succeeds. orvel-cli install is killed with SIGKILL at 20
// moments spread over a build of a few hundred thousand lines.
#include "generator.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {

constexpr int kills = 20;

struct State
{
    QString integrity; // "ok" when PRAGMA integrity_check passes
    int dictionaries = 0;
    int count = -1;      // t_dictionary.count, -1 without a row
    QStringList rows;    // t_word rows as "position:name"
    QStringList entries; // t_entry rows as "key:position"
    bool tables = true;  // false when killed before the schema existed
};

// Reads a database the way the next program start would: a connection of
// its own, which also recovers a write-ahead log left by a killed writer.
State inspect(const QString &dbFile)
{
    State state;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "inspect");
        db.setDatabaseName(dbFile);
        if (!db.open()) {
            state.integrity = "open failed: " + db.lastError().text();
            return state;
        }
        QSqlQuery query(db);
        query.exec("PRAGMA integrity_check");
        while (query.next())
            state.integrity += query.value(0).toString();
        state.tables = db.tables(QSql::Tables).contains("t_word");
        if (state.tables) {
            query.exec("SELECT count FROM t_dictionary");
            while (query.next()) {
                ++state.dictionaries;
                state.count = query.value(0).toInt();
            }
            query.exec("SELECT position, name FROM t_word ORDER BY id, position");
            while (query.next())
                state.rows << query.value(0).toString() + ":" + query.value(1).toString();
            query.exec("SELECT key, position FROM t_entry ORDER BY id, key");
            while (query.next())
                state.entries << query.value(0).toString() + ":" + query.value(1).toString();
        }
    }
    QSqlDatabase::removeDatabase("inspect");
    return state;
}

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

    QString dir, dictionary;
    qint64 size = 0;
    QStringList cleanRows;
    QStringList cleanEntries;
    int cleanCount = 0;

    QString cli() const { return qEnvironmentVariable("ORVEL_CLI"); }

    // Verifies the complete index: the rows and count of a clean build.
    void verifyComplete(const State &state)
    {
        QCOMPARE(state.dictionaries, 1);
        QCOMPARE(state.count, cleanCount);
        QCOMPARE(state.rows.size(), cleanRows.size());
        QVERIFY(state.rows == cleanRows);
        QCOMPARE(state.entries.size(), cleanEntries.size());
        QVERIFY(state.entries == cleanEntries);
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
        const QString clean = dir + "/clean.db";
        QProcess build;
        build.start(cli(), {"--database", clean, "install", dictionary});
        QVERIFY(build.waitForFinished(-1));
        QCOMPARE(build.exitCode(), 0);
        const State state = inspect(clean);
        QCOMPARE(state.integrity, QString("ok"));
        cleanRows = state.rows;
        cleanEntries = state.entries;
        cleanCount = state.count;
        QVERIFY(cleanRows.size() > 80000);
        QVERIFY(cleanEntries.size() > cleanRows.size());
    }

    void killedInstallLeavesNothingOrEverything_data()
    {
        // Moments: at once; at 17 points of the file read; after the last
        // line was read (inserting, committing); after the commit was
        // reported (closing, checkpointing).
        QTest::addColumn<int>("round");
        for (int round = 0; round < kills; ++round)
            QTest::addRow("kill %d", round) << round;
    }

    void killedInstallLeavesNothingOrEverything()
    {
        QFETCH(int, round);
        // One database through all rounds, so each install also meets what
        // the killed one before it left behind. It does not exist at first:
        // the first kill may come while the schema is being created.
        const QString db = dir + "/crash.db";
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
        const State state = inspect(db);
        QCOMPARE(state.integrity, QString("ok"));
        if (state.dictionaries == 0) {
            QVERIFY2(state.rows.isEmpty() && state.entries.isEmpty(),
                     qPrintable(QString("%1 rows, %2 entries without a dictionary")
                                    .arg(state.rows.size())
                                    .arg(state.entries.size())));
            qInfo("no dictionary left");
            // The next install succeeds and builds the whole index.
            QProcess again;
            again.start(cli(), {"--database", db, "install", dictionary});
            QVERIFY(again.waitForFinished(-1));
            QCOMPARE(again.exitStatus(), QProcess::NormalExit);
            QCOMPARE(again.exitCode(), 0);
            verifyComplete(inspect(db));
        } else {
            qInfo("the complete index left");
            verifyComplete(state);
        }
        // Removed again, as the preferences dialog does, for the next round.
        QProcess remove;
        remove.start(cli(), {"--database", db, "remove"});
        QVERIFY(remove.waitForFinished(-1));
        QCOMPARE(remove.exitCode(), 0);
        QVERIFY(inspect(db).entries.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
