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

// orvel-cli on the index `db`.
Run cli(const QString &db, const QStringList &command,
        const TestUtil::RunOptions &options = TestUtil::RunOptions())
{
    return TestUtil::cli(QStringList{"--database", db} + command, options);
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
        // The row's name is the kind of file.
        QTest::addColumn<QString>("reason"); // after "install failed: "; %1 is the file
        const auto row = [](const char *kind, const char *reason) {
            QTest::newRow(kind) << QString(reason);
        };
        const char *notAFile = "%1 is not a dictionary text file but a folder, a device or a pipe";
        row("directory", notAFile);
        row("FIFO", notAFile);
        row("missing", "cannot open %1: No such file or directory");
        row("binary", "%1 is not a dictionary text file (binary data at byte");
        row("empty name", "no dictionary file was named");
    }

    void unusableDictionaryFilesLoseNothing()
    {
        const QString kind = QTest::currentDataTag();
        QFETCH(QString, reason);
        const QString bad = kind == "empty name" ? QString() : dir + "/bad";
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
        const auto installFails = [&] {
            const Run run = cli(db, {"install", bad});
            QCOMPARE(run.exit, 1);
            QVERIFY2(run.err.contains("orvel-cli: install failed: " +
                                      QString(reason).replace("%1", bad)),
                     qPrintable(run.err));
        };

        // Nothing installed yet: the bad file leaves nothing behind.
        installFails();
        QCOMPARE(contents(db), QStringList());

        // A good install afterwards works, and a later bad attempt keeps it.
        // (A file is only read while nothing is installed.)
        QCOMPARE(cli(db, {"install", good}).exit, 0);
        const QStringList before = contents(db);
        // The registration, four keyed lines, four entry words.
        QCOMPARE(before.size(), 1 + 4 + 4);
        if (kind == "binary")
            reason = "a dictionary is installed already (" + good + ")";
        installFails();
        QCOMPARE(contents(db), before);
        QCOMPARE(cli(db, {"lookup", "run"}).exit, 0);
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
            command << dictionary("good.txt");
        // A mistyped path: only install makes the database.
        const QString db = dir + "/mistyped.db";
        Run run = cli(db, command);
        QCOMPARE(run.exit, install ? 0 : 2);
        if (!install)
            QCOMPARE(run.err,
                     "orvel-cli: no database at " + db + ": nothing has been installed there\n");
        QCOMPARE(QFileInfo::exists(db), install);

        // An empty path would mean Orvel's own database: refused.
        const bool own = QFileInfo::exists(Database::path());
        run = cli("", command);
        QCOMPARE(run.exit, 2);
        QCOMPARE(run.err, QString("orvel-cli: --database needs a file name\n"
                                  "Try 'orvel-cli --help'.\n"));
        QCOMPARE(QFileInfo::exists(Database::path()), own);
    }

    void removeTakesTheDictionaryAndItsIndexAway()
    {
        const QString db = dir + "/index.db";
        const QString good = dictionary("good.txt");
        QCOMPARE(cli(db, {"install", good}).exit, 0);
        const QStringList installed = contents(db);
        QCOMPARE(cli(db, {"remove", "2"}).err,
                 QString("orvel-cli: remove failed: no dictionary with id 2 is installed\n"));
        QCOMPARE(contents(db), installed);

        const Run run = cli(db, {"remove"});
        QCOMPARE(run.exit, 0);
        QCOMPARE(run.out, "removed " + good + "\n");
        QCOMPARE(contents(db), QStringList());
        QCOMPARE(cli(db, {"remove"}).exit, 1);
        QCOMPARE(cli(db, {"install", good}).exit, 0);
    }

    void unreadableDictionaryFile()
    {
        TestUtil::SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("locked.txt"), sample);
        QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        const QString db = shared.file("index.db");
        TestUtil::RunOptions withoutRoot;
        withoutRoot.withoutRoot = true;
        const Run run = cli(db, {"install", file}, withoutRoot);
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
        const QByteArray m = "\x81\xa1"; // the entry marker
        const QList<QByteArray> lines = {
            m + "bad\x81 : x\n",       // lead byte before the separator
            m + "ok : \xff\xfe\xfd\n", // undefined bytes in the body
            m + "lead : end\x81\n",    // lead byte right before the LF
            m + "next : y\r\n",
            m + "\x80\xa0\xfd : z\n", // single bytes that are no characters
            "\x82 : half a marker\n",
            m + "last : \x81", // a lone lead byte at the very end decodes to nothing
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
        const Run run = cli(db, {"install", path});
        qInfo("peak memory of a build with a 100 MB line: %ld MB", peakChildMegabytes());
        // Lines have no length limit, so it must finish, not fail.
        QCOMPARE(run.exit, 0);
        // A guard against copies that grow with every buffer refill.
        QVERIFY2(peakChildMegabytes() < 3000, qPrintable(QString::number(peakChildMegabytes())));

        // Each t_word row as "position length-of-name start-of-name count".
        QStringList rows;
        QSqlDatabase::addDatabase("QSQLITE", "long").setDatabaseName(db);
        {
            QSqlQuery query(QSqlDatabase::database("long"));
            QVERIFY(
                query.exec("SELECT position || ' ' || length(name) || ' ' || substr(name, 1, 3) "
                           "|| ' ' || (SELECT count FROM t_dictionary) "
                           "FROM t_word ORDER BY position"));
            while (query.next())
                rows << query.value(0).toString();
        }
        QSqlDatabase::removeDatabase("long");
        const qint64 second = Generator::toShiftJis(M + "short : 短い\n").size();
        QCOMPARE(rows, (QStringList{"0 5 SHO 2", QString("%1 %2 AAA 2").arg(second).arg(length)}));
        const Run missing = cli(db, {"lookup", "missing"});
        QCOMPARE(missing.exit, 1);
        QVERIFY2(missing.out.contains("is not found."), qPrintable(missing.out));
    }
};

QTEST_GUILESS_MAIN(TestRobustnessFiles)
#include "tst_robustness_files.moc"
