// Dictionary files of every kind through the index builder and orvel-cli:
// unusable, unreadable, invalid Shift_JIS and one endless line, and the
// commands around them. Each ends with a clear diagnostic, loses nothing
// already installed, and never crashes.
#include "database/database.h"
#include "fuzz/pagecheck.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "robustness.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Robustness;
using TestUtil::Run;

namespace {

QStringList contents(const QString &dbFile)
{
    return TestUtil::contents(dbFile).all();
}

long peakChildMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

class TestRobustnessFiles : public QObject
{
    Q_OBJECT

    QString dir;

    QString dictionary(const QString &name, const QStringList &lines = sample)
    {
        return TestUtil::writeDictionary(dir + "/" + name, lines);
    }

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }
    void unusableDictionaryFilesLoseNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("directory")
            << "directory"
            << "install failed: %1 is not a dictionary text file but a folder, a device or a pipe";
        QTest::newRow("FIFO")
            << "FIFO"
            << "install failed: %1 is not a dictionary text file but a folder, a device or a pipe";
        QTest::newRow("missing") << "missing"
                                 << "install failed: cannot open %1: No such file or directory";
        QTest::newRow("binary")
            << "binary"
            << "install failed: %1 is not a dictionary text file (binary data at byte";
        QTest::newRow("empty name") << "empty name"
                                    << "install failed: no dictionary file was named";
    }

    void unusableDictionaryFilesLoseNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QString bad = kind == "empty name" ? QString() : dir + "/bad";
        if (kind == "directory")
            QVERIFY(QDir().mkpath(bad));
        if (kind == "FIFO")
            QCOMPARE(mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        if (kind == "binary") {
            // A few good lines, then an ELF header: refused as a whole.
            QByteArray bytes = Generator::generate({200, false, 4});
            bytes += QByteArray("\x7f"
                                "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0>\0",
                                20);
            TestUtil::writeBytes(bad, bytes);
        }
        const QString db = dir + "/index.db";
        const QString good = dictionary("good.txt");

        // Nothing installed yet: the bad file leaves nothing behind.
        Run run = TestUtil::cli({"--database", db, "install", bad});
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.contains("orvel-cli: " + QString(reason).replace("%1", bad)),
                 qPrintable(run.err));
        QCOMPARE(contents(db), QStringList());

        // A good install afterwards works, and a later bad attempt keeps it.
        // (A file is only read while nothing is installed.)
        QCOMPARE(TestUtil::cli({"--database", db, "install", good}).exit, 0);
        const QStringList before = contents(db);
        // The registration, four keyed lines, four entry words.
        QCOMPARE(before.size(), 1 + 4 + 4);
        run = TestUtil::cli({"--database", db, "install", bad});
        QCOMPARE(run.exit, 1);
        if (kind == "binary")
            reason = "install failed: a dictionary is installed already (" + good + ")";
        QVERIFY2(run.err.contains("orvel-cli: " + QString(reason).replace("%1", bad)),
                 qPrintable(run.err));
        QCOMPARE(contents(db), before);
        QCOMPARE(TestUtil::cli({"--database", db, "lookup", "run"}).exit, 0);
    }

    void commandsThatOnlyReadNeverCreateADatabase_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("list") << QStringList{"list"};
        QTest::newRow("lookup") << QStringList{"lookup", "run"};
        QTest::newRow("remove") << QStringList{"remove"};
        QTest::newRow("install") << QStringList{"install"};
    }

    void commandsThatOnlyReadNeverCreateADatabase()
    {
        QFETCH(QStringList, command);
        const bool install = command.first() == "install";
        if (install)
            command << dictionary("good.txt");
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
        QCOMPARE(run.err, QString("orvel-cli: --database needs a file name\n"));
        QCOMPARE(QFileInfo::exists(Database::path()), own);
    }

    void removeTakesTheDictionaryAndItsIndexAway()
    {
        const QString db = dir + "/index.db";
        const QString good = dictionary("good.txt");
        QCOMPARE(TestUtil::cli({"--database", db, "install", good}).exit, 0);
        const QStringList installed = contents(db);
        QCOMPARE(TestUtil::cli({"--database", db, "remove", "2"}).err,
                 QString("orvel-cli: remove failed: no dictionary with id 2 is installed\n"));
        QCOMPARE(contents(db), installed);

        const Run run = TestUtil::cli({"--database", db, "remove"});
        QCOMPARE(run.exit, 0);
        QCOMPARE(run.out, "removed " + good + "\n");
        QCOMPARE(contents(db), QStringList());
        QCOMPARE(TestUtil::cli({"--database", db, "remove"}).exit, 1);
        QCOMPARE(TestUtil::cli({"--database", db, "install", good}).exit, 0);
    }

    void unreadableDictionaryFile()
    {
        TestUtil::SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("locked.txt"), sample);
        QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        const QString db = shared.file("index.db");
        TestUtil::RunOptions withoutRoot;
        withoutRoot.withoutRoot = true;
        const Run run = TestUtil::cli({"--database", db, "install", file}, withoutRoot);
        if (run.notAsNobody)
            QSKIP("running as root, and the user nobody cannot be switched to or cannot run "
                  "orvel-cli");
        QCOMPARE(run.exit, 1);
        QCOMPARE(
            run.err,
            QString("orvel-cli: install failed: cannot open %1: Permission denied\n").arg(file));
        QCOMPARE(contents(db), QStringList());
    }

    void invalidShiftJisIsIndexedAsDecoded()
    {
        // Invalid sequences decode to the substitute character U+001A and
        // never take a separator, a line end or the next line with them.
        const QList<QByteArray> lines = {
            "\x81\xa1"
            "bad\x81 : x\n", // lead byte before the separator
            "\x81\xa1"
            "ok : \xff\xfe\xfd\n", // undefined bytes in the body
            "\x81\xa1"
            "lead : end\x81\n", // lead byte right before the LF
            "\x81\xa1"
            "next : y\r\n",
            "\x81\xa1\x80\xa0\xfd : z\n", // single bytes that are no characters
            "\x82 : half a marker\n",
            "\x81\xa1"
            "last : \x81", // a lone lead byte at the very end decodes to nothing
        };
        const QString path = TestUtil::writeBytes(dir + "/invalid.txt", lines.join());
        QVERIFY(TestUtil::openFreshDatabase(dir + "/index.db"));
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));

        QStringList expected;
        qint64 offset = 0;
        for (const QByteArray &bytes : lines) {
            QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
            const Reference::Reading reading = Reference::read(decoder.decode(bytes));
            if (!reading.key.isNull())
                expected << QString::number(offset) + ":" + reading.key;
            offset += bytes.size();
        }
        QCOMPARE(TestUtil::wordRows(), expected);
        QVERIFY(expected.contains(
            QString("%1:NEXT").arg(lines[0].size() + lines[1].size() + lines[2].size())));

        for (const QString &word : QStringList{"next", "bad\x1a", "lead", "ok"}) {
            const LookUp r = lookUp(word);
            QVERIFY2(r.status == SearchThread::Found, qPrintable(Reference::dump(word)));
            QCOMPARE(PageCheck::check(r.model, word), QString());
        }
        QVERIFY(lookUp("next").page.contains("<li>y\r\n</li>"));
        // Indexed, but with its body gone the line renders nothing.
        QCOMPARE(lookUp("last").page, PageCheck::notFoundPage("last"));
    }

    void hundredMegabyteLineWithoutLineEnd()
    {
        const QString path = dir + "/long.txt";
        const qint64 length = 100 * 1000 * 1000;
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Generator::toShiftJis(M + "short : 短い\n" + M));
            const QByteArray chunk(1000 * 1000, 'a');
            for (qint64 written = 0; written < length; written += chunk.size())
                file.write(chunk);
            file.write(Generator::toShiftJis(" : 長い"));
        }
        const QString db = dir + "/index.db";
        const Run run = TestUtil::cli({"--database", db, "install", path});
        qInfo("peak memory of a build with a 100 MB line: %ld MB", peakChildMegabytes());
        // Lines have no length limit, so it must finish, not fail.
        QCOMPARE(run.exit, 0);
        // A guard against copies that grow with every buffer refill.
        QVERIFY2(peakChildMegabytes() < 3000, qPrintable(QString::number(peakChildMegabytes())));

        QSqlDatabase::addDatabase("QSQLITE", "long").setDatabaseName(db);
        {
            QSqlDatabase long_ = QSqlDatabase::database("long");
            QSqlQuery query(long_);
            QVERIFY(query.exec("SELECT position, length(name), substr(name, 1, 3), "
                               "(SELECT count FROM t_dictionary) FROM t_word ORDER BY position"));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toLongLong(), 0);
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toLongLong(),
                     Generator::toShiftJis(M + "short : 短い\n").size());
            QCOMPARE(query.value(1).toLongLong(), length);
            QCOMPARE(query.value(2).toString(), QString("AAA"));
            QCOMPARE(query.value(3).toInt(), 2);
            QVERIFY(!query.next());
        }
        QSqlDatabase::removeDatabase("long");
        const Run missing = TestUtil::cli({"--database", db, "lookup", "missing"});
        QCOMPARE(missing.exit, 1);
        QVERIFY2(missing.out.contains("is not found."), qPrintable(missing.out));
    }
};

QTEST_GUILESS_MAIN(TestRobustnessFiles)
#include "tst_robustness_files.moc"
