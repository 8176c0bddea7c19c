// Where the dictionary database lives, and what happens when it cannot be
// created there.
#include "database/database.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QtTest>

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
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
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir + "/file/config");
        cli.setProcessEnvironment(env);
        cli.setWorkingDirectory(dir);
        cli.start(qEnvironmentVariable("ORVEL_CLI"), {"install", "dict.txt"});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        // One line, with SQLite's reason.
        QVERIFY2(err.startsWith("orvel-cli: cannot open the database " + dir +
                                "/file/config/veldrana/orvel.db: ") &&
                     err.count('\n') == 1,
                 qPrintable(err));
        QCOMPARE(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"file"});
        QVERIFY(!QFileInfo::exists("/orvel.db"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
