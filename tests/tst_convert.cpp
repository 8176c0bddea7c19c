// The index builder: exact rows and counts, progress, and every way a build
// can end, on real files and a real database.
#include "database/database.h"
#include "database/dictionaryremoval.h"
#include "database/diskroom.h"
#include "database/indexreader.h"
#include "database/indexwriter.h"
#include "database/installeddictionaries.h"
#include "database/sql.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryfile.h"
#include "fuzz/pagecheck.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "lookup/searchthread.h"
#include "lookupfixture.h"
#include "testutil.h"

#include <QFile>
#include <QLocale>
#include <QRegExp>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace LookUpFixture;

namespace {

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

// Another connection's write transaction on `dbFile`, held while it lives;
// builds meanwhile give up on the lock after 100 ms.
struct WriteLock
{
    explicit WriteLock(const QString &dbFile)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
        db.setDatabaseName(dbFile);
        if (!db.open() || !QSqlQuery(db).exec("BEGIN IMMEDIATE"))
            qFatal("cannot hold the write lock");
        Database::setBusyTimeout(100);
    }
    ~WriteLock()
    {
        Database::setBusyTimeout(10000);
        QSqlDatabase::database("holder").rollback();
        QSqlDatabase::removeDatabase("holder");
    }
};

using TestUtil::Build;

// Builds `path` to its end, asking the builder to stop right at its
// `stopAt`-th progress report when given.
Build build(const QString &path, int stopAt = 0)
{
    return TestUtil::build(
        path, [stopAt](const QList<int> &progress) { return progress.size() == stopAt; });
}

// What identify() says of the file at `path` now, or without a path what
// dictionary 1's record says; empty when there is nothing.
QString identity(const QString &path = QString())
{
    FileIdentity id;
    QFile file(path);
    if (path.isEmpty() ? InstalledDictionaries().fileIdentity(1, &id) != Records::Answer::Found
                       : !file.open(QIODevice::ReadOnly) || !DictionaryFile::identify(&file, &id))
        return QString();
    return QString("%1 %2 ").arg(id.size).arg(id.modified) + id.checksum.toHex();
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
            M + "c\rr : 復帰",            // a stray CR is no line end
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
            QString("%1:走\u3000る").arg(offsets[6]), QString("%1:C\rR").arg(offsets[10]),
            QString("%1:LAST").arg(offsets[11]),
        };
        QCOMPARE(TestUtil::wordRows(), expected);
        QCOMPARE(storedCount(), 10);
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

        // A file whose only entry starts at offset 0 reports 0, then 100,
        // even when that entry is a phrase without a key.
        init();
        progress.clear();
        const QString one =
            TestUtil::writeDictionary(dir + "/one.txt", {M + "look up : 調べる", "tail"});
        QCOMPARE(TestUtil::install(one, &progress), int(ConvertThread::Committed));
        QCOMPARE(progress, (QList<int>{0, 100}));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
    }

    void refusedFilesWriteNothing_data()
    {
        QTest::addColumn<QString>("kind"); // how the input is made; else it holds `bytes`
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("reason"); // FILE stands for the path
        const QString notRegular =
            "FILE is not a dictionary text file but a folder, a device or a pipe";
        const QString noEntry =
            "FILE holds no dictionary entry: an Eijiro-format text file in Shift_JIS or UTF-8 is "
            "expected, one entry per line (■word : translation)";
        const QByteArray entry = Generator::toShiftJis(M + "a : b\n");
        const auto row = [](const char *name, const QString &kind, const QByteArray &bytes,
                            ConvertThread::Outcome outcome, const QString &reason) {
            QTest::newRow(name) << kind << bytes << int(outcome) << reason;
        };
        row("missing", "missing", {}, ConvertThread::FileOpenFailed,
            "cannot open FILE: No such file or directory");
        row("no name", "no name", {}, ConvertThread::FileOpenFailed,
            "no dictionary file was named");
        row("directory", "directory", {}, ConvertThread::NotRegularFile, notRegular);
        row("FIFO", "FIFO", {}, ConvertThread::NotRegularFile, notRegular);
        row("device", "device", {}, ConvertThread::NotRegularFile, notRegular);
        row("binary", {},
            entry + QByteArray("\x7f"
                               "ELF\0\n",
                               6),
            ConvertThread::NotText, "FILE is not a dictionary text file (binary data at byte 12)");
        // Every chunk is looked at, not only the first MiB.
        const QByteArray lines = entry.repeated((1 << 20) / entry.size() + 100);
        row("NUL after the first MiB", {}, lines + QByteArray("x\0\n", 3), ConvertThread::NotText,
            QString("FILE is not a dictionary text file (binary data at byte %1)")
                .arg(lines.size() + 1));
        row("empty", {}, {}, ConvertThread::NoEntryLines, noEntry);
        row("Latin-1", {}, "\xA0run : caf\xE9\n", ConvertThread::NoEntryLines, noEntry);
        row("CR line ends", {}, QByteArray(entry).replace('\n', '\r').repeated(2),
            ConvertThread::CrLineEnds,
            "FILE ends its lines with CR alone: an Eijiro-format text file with CR LF or LF "
            "line ends is expected");
    }

    void refusedFilesWriteNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        QFETCH(QString, reason);
        // A name that arg() would take for placeholders must come out as is.
        QVERIFY(QDir().mkpath(dir + "/in %1%2"));
        QString path = dir + "/in %1%2/input";
        if (kind == "directory")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "FIFO")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "device")
            path = "/dev/zero";
        else if (kind == "no name")
            path.clear();
        else if (kind.isEmpty())
            TestUtil::writeBytes(path, bytes);
        reason.replace("FILE", path);

        // What is no readable file at all is refused before the write lock
        // is asked for: another writer holding it changes nothing.
        std::optional<WriteLock> lock;
        if (!kind.isEmpty())
            lock.emplace(dir + "/orvel.db");
        MessageCapture messages;
        const Build refused = build(path);
        lock.reset();
        QCOMPARE(int(refused.outcome), outcome);
        QCOMPARE(refused.error, reason);
        // What the first chunk refuses is refused before a line is read.
        QCOMPARE(refused.progress.isEmpty(), bytes.size() <= (1 << 20));
        QVERIFY(!refused.progress.contains(100));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
        // One diagnostic line: the usual one for a file that cannot be
        // opened, one that names the file for a refused one.
        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 1);
        if (kind.isEmpty())
            QVERIFY2(lines[0].contains(path), qPrintable(lines[0]));
        else
            QCOMPARE(lines[0], QString("QFile::open failed."));

        // With a dictionary installed, the file is refused again (one it
        // could read, as a second dictionary) and the installed one stays.
        QCOMPARE(
            TestUtil::install(TestUtil::writeDictionary(dir + "/good.txt", {M + "run : 走る"})),
            int(ConvertThread::Committed));
        const QStringList installed = TestUtil::contents(dir + "/orvel.db").all();
        QCOMPARE(int(build(path).outcome), outcome);
        QCOMPARE(TestUtil::contents(dir + "/orvel.db").all(), installed);
    }

    // A path replaced by a FIFO after open() looked at it: the open
    // descriptor shows it, and nothing blocks.
    void aPathReplacedAfterItsLookIsRefused()
    {
        const QString fifo = dir + "/fifo";
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile file;
        QString error;
        QCOMPARE(DictionaryFile::openLookedAt(&file, fifo, &error), DictionaryFile::NotRegular);
        QCOMPARE(error, QString("not a regular file"));
        QVERIFY(!file.isOpen());
        const QString regular = TestUtil::writeDictionary(dir + "/d.txt", {M + "run : 走る"});
        QCOMPARE(DictionaryFile::openLookedAt(&file, regular), DictionaryFile::Opened);
        QCOMPARE(file.readAll(), TestUtil::readBytes(regular));
    }

    void unreadableFileIsRefused()
    {
        // As user nobody: root reads whatever the mode says.
        TestUtil::SharedDir shared;
        const QString file = TestUtil::writeDictionary(shared.file("locked.txt"), sample);
        QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        const QString db = shared.file("index.db");
        TestUtil::RunOptions withoutRoot;
        withoutRoot.withoutRoot = true;
        const TestUtil::Run run = TestUtil::cli({"--database", db, "install", file}, withoutRoot);
        if (run.notAsNobody)
            QSKIP("running as root, and the user nobody cannot be switched to or cannot run "
                  "orvel-cli");
        QCOMPARE(run.exit, 1);
        QCOMPARE(run.err,
                 "orvel-cli: install failed: cannot open " + file + ": Permission denied\n");
        QCOMPARE(TestUtil::contents(db).all(), QStringList());
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
        // In a process of its own, whose peak memory is the build's.
        const QString db = dir + "/long.db";
        const TestUtil::Run run = TestUtil::cli({"--database", db, "install", path});
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        qInfo("peak memory of a build with a 100 MB line: %ld MB", usage.ru_maxrss / 1024);
        // Lines have no length limit, so it must finish, not fail.
        QCOMPARE(run.exit, 0);
        // A guard against copies that grow with every buffer refill.
        QVERIFY(usage.ru_maxrss / 1024 < 3000);
        // Each t_word row as "position length-of-name start-of-name count".
        QVERIFY(TestUtil::openFreshDatabase(db));
        const QStringList rows =
            TestUtil::pairs("SELECT position, length(name) || ' ' || substr(name, 1, 3) || ' ' || "
                            "(SELECT count FROM t_dictionary) FROM t_word ORDER BY position");
        const qint64 second = Generator::toShiftJis(M + "short : 短い\n").size();
        QCOMPARE(rows, (QStringList{"0:5 SHO 2", QString("%1:%2 AAA 2").arg(second).arg(length)}));
        const TestUtil::Run missing = TestUtil::cli({"--database", db, "lookup", "missing"});
        QCOMPARE(missing.exit, 1);
        QVERIFY2(missing.out.contains("is not found."), qPrintable(missing.out));
    }

    void pathsAreStoredAbsoluteWithLinksKept_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("relative") << "sub/dict.txt";
        QTest::newRow("symbolic link") << "sub/link.txt";
    }

    void pathsAreStoredAbsoluteWithLinksKept()
    {
        QFETCH(QString, given);
        QVERIFY(QDir().mkpath(dir + "/sub"));
        TestUtil::writeDictionary(dir + "/sub/dict.txt", {M + "run : 走る"});
        QVERIFY(QFile::link("dict.txt", dir + "/sub/link.txt"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir));
        const Build built = build(given);
        // Found from any other working folder.
        QVERIFY(QDir::setCurrent(dir + "/sub"));
        Page page;
        const SearchThread::Status found = SearchThread::lookUp("run", &page);
        QDir::setCurrent(before);
        QCOMPARE(built.outcome, ConvertThread::Committed);
        QSqlQuery query("SELECT location FROM t_dictionary");
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), dir + "/" + given);
        QCOMPARE(found, SearchThread::Found);
    }

    void cancelInTheMiddleRollsBack()
    {
        const QString path = dir + "/big.txt";
        QVERIFY(Generator::write(path, {200000, false, 5}));
        MessageCapture messages;
        const Build stopped = build(path, 1);
        QCOMPARE(stopped.outcome, ConvertThread::Canceled);
        QVERIFY(!stopped.progress.contains(100));
        QCOMPARE(messages.lines(QtDebugMsg), QStringList{"Convert thread was canceled."});
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    }

    // A rebuild builds the registered file's index again in one
    // transaction: the old index answers until the commit replaces it, and
    // a rebuild that does not commit leaves it as it was, its record too.
    void rebuildReplacesTheIndexOrLeavesIt_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("outcome");
        QTest::newRow("a new edition") << "edition" << int(ConvertThread::Committed);
        QTest::newRow("canceled") << "cancel" << int(ConvertThread::Canceled);
        QTest::newRow("not installed") << "remove" << int(ConvertThread::NotInstalled);
    }

    void rebuildReplacesTheIndexOrLeavesIt()
    {
        QFETCH(QString, change);
        QFETCH(int, outcome);
        const QString path =
            TestUtil::writeDictionary(dir + "/d.txt", {M + "run : 走る", M + "walk : 歩く"});
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        // Install recorded the file as it read it.
        const QString asInstalled = identity(path);
        QCOMPARE(identity(), asInstalled);
        QVERIFY(change == "remove" ? DictionaryRemoval().remove(1)
                                   : Generator::write(path, {100000, false, 3}));
        const QStringList before = TestUtil::contents(dir + "/orvel.db").all();

        qint64 seenDuring = -1;
        const Build rebuilt = TestUtil::build(
            QString(),
            [&](const QList<int> &progress) {
                if (progress.size() == 1)
                    IndexReader().firstPosition("WALK", &seenDuring);
                return change == "cancel";
            },
            1);
        QCOMPARE(int(rebuilt.outcome), outcome);
        if (outcome != ConvertThread::Committed) {
            QCOMPARE(TestUtil::contents(dir + "/orvel.db").all(), before);
            QCOMPARE(identity(), change == "remove" ? QString() : asInstalled);
            return;
        }
        // The old index answered while the new one was built.
        QCOMPARE(seenDuring, Generator::toShiftJis(M + "run : 走る\n").size());
        int count = 0;
        QCOMPARE(TestUtil::wordRows(), referenceRows(path, &count));
        QCOMPARE(storedCount(), count);
        QCOMPARE(identity(), identity(path));
    }

    void cancelAfterTheLastLineStillCommits()
    {
        // The last report of a small file comes after the whole file has
        // been read; a stop request then changes nothing.
        const QString path =
            TestUtil::writeDictionary(dir + "/d.txt", {M + "a : 1", M + "b : 2", M + "c : 3"});
        const Build late = build(path, 3);
        QCOMPARE(late.outcome, ConvertThread::Committed);
        QCOMPARE(late.progress.last(), 100);
        QCOMPARE(TestUtil::rowCount("t_word"), 3);
    }

    void installingBesideAnInstalledDictionary_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("outcome");
        QTest::newRow("another file") << "other" << int(ConvertThread::Committed);
        QTest::newRow("the same path") << "same" << int(ConvertThread::AlreadyInstalled);
        QTest::newRow("a link to it") << "link" << int(ConvertThread::AlreadyInstalled);
        QTest::newRow("a hard link") << "hard" << int(ConvertThread::AlreadyInstalled);
        QTest::newRow("a copy") << "copy" << int(ConvertThread::AlreadyInstalled);
        // The same size, first and last 64 KiB, one letter apart between.
        QTest::newRow("another edition") << "edition" << int(ConvertThread::Committed);
        // Its record as an older Orvel made it, without the whole file's
        // hash: the installed file is read where it is.
        QTest::newRow("a copy, recorded before")
            << "copy, old" << int(ConvertThread::AlreadyInstalled);
        QTest::newRow("another edition, recorded before")
            << "edition, old" << int(ConvertThread::Committed);
        QTest::newRow("a copy, recorded before, the original gone")
            << "copy, old, gone" << int(ConvertThread::Committed);
        QTest::newRow("canceled") << "cancel" << int(ConvertThread::Canceled);
        QTest::newRow("not a dictionary") << "nul" << int(ConvertThread::NotText);
        QTest::newRow("an empty name") << "name" << int(ConvertThread::NameRefused);
    }

    // A second dictionary gets an id of its own and leaves the first as it
    // was; the same file again, by any path or as a copy, is refused before
    // it is read, and so is anything that would not install alone.
    void installingBesideAnInstalledDictionary()
    {
        QFETCH(QString, second);
        QFETCH(int, outcome);
        QString path = dir + "/d.txt";
        if (second.startsWith("edition") || second.contains("old"))
            QVERIFY(Generator::write(path, {5000, false, 3}));
        else
            TestUtil::writeDictionary(path, {M + "run : 走る", M + "walk : 歩く"});
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        if (second.contains("old"))
            QVERIFY(QSqlQuery().exec("ALTER TABLE t_file DROP COLUMN content"));
        const QStringList before = TestUtil::contents(dir + "/orvel.db").all();

        QString other = dir + "/other.txt";
        if (second.startsWith("edition")) {
            QByteArray bytes = TestUtil::readBytes(path);
            const qsizetype letter = bytes.indexOf(" : ", bytes.size() / 2) - 1;
            bytes[letter] = bytes[letter] == 'x' ? 'y' : 'x';
            TestUtil::writeBytes(other, bytes);
        } else if (second.startsWith("copy")) {
            QVERIFY(QFile::copy(path, other));
        }
        if (second.endsWith("gone"))
            QVERIFY(QFile::remove(path));
        if (second == "same")
            other = path;
        else if (second == "link")
            QVERIFY(QFile::link(path, other));
        else if (second == "hard")
            QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(other)), 0);
        else if (second == "nul")
            TestUtil::writeBytes(other, QByteArray("\x81\xa1"
                                                   "a : b\n\0",
                                                   9));
        else if (!QFileInfo::exists(other))
            Generator::write(other, {20000, false, 5});
        ConvertThread thread;
        thread.setDictionary(second == "name" ? QString(" ") : QString(), other);
        // Asked before it starts: on a loaded machine the first progress
        // report may come after the last line, where a cancel still commits.
        if (second == "cancel")
            thread.cancel();
        MessageCapture messages;
        thread.start();
        QVERIFY(thread.wait(TestUtil::waitTimeout));
        QCOMPARE(int(thread.outcome()), outcome);
        const QStringList after = TestUtil::contents(dir + "/orvel.db").all();
        if (outcome == ConvertThread::Committed) {
            QCOMPARE(thread.installedId(), 2);
            QCOMPARE(after.mid(0, 1), before.mid(0, 1));
            for (const QString &row : before)
                QVERIFY2(after.contains(row), qPrintable(row));
            return;
        }
        QCOMPARE(after, before);
        QCOMPARE(messages.lines(QtDebugMsg).size(), 1);
        if (outcome == ConvertThread::AlreadyInstalled)
            QCOMPARE(thread.errorString(),
                     QDir::cleanPath(other) + " is installed already, as dictionary 1 (Eijiro)");
    }

    void nameIndexBesideAnInstalledDictionary_data()
    {
        QTest::addColumn<int>("firstLines");
        QTest::addColumn<int>("secondLines");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("kept");
        QTest::newRow("small beside large") << 20000 << 30 << false << true;
        QTest::newRow("large beside small") << 30 << 20000 << false << false;
        QTest::newRow("canceled beside large") << 60000 << 20000 << true << true;
    }

    // A build beside a dictionary with more rows than it brings keeps the
    // name index and writes into it rather than sorting every row again;
    // either way every word of both is found through it, and a build that
    // does not commit leaves the index as it was.
    void nameIndexBesideAnInstalledDictionary()
    {
        QFETCH(int, firstLines);
        QFETCH(int, secondLines);
        QFETCH(bool, cancel);
        QFETCH(bool, kept);
        const QString first = dir + "/first.txt", second = dir + "/second.txt";
        QVERIFY(Generator::write(first, {firstLines, false, 5}));
        QVERIFY(Generator::write(second, {secondLines, false, 6}));
        QCOMPARE(TestUtil::install(first), int(ConvertThread::Committed));
        // Dropping and making the index again changes the schema.
        const auto schema = [] {
            QSqlQuery query("PRAGMA schema_version");
            return query.next() ? query.value(0).toInt() : -1;
        };
        const int version = schema();
        const QStringList before = TestUtil::contents(dir + "/orvel.db").all();
        ConvertThread thread;
        thread.setDictionary(QString(), second);
        // Asked before it starts, as a report may come after the last line.
        if (cancel)
            thread.cancel();
        thread.start();
        QVERIFY(thread.wait(TestUtil::waitTimeout));
        QCOMPARE(schema() == version, kept || cancel);
        const TestUtil::Contents after = TestUtil::contents(dir + "/orvel.db");
        QCOMPARE(after.integrity, QString("ok"));
        if (cancel) {
            QCOMPARE(int(thread.outcome()), int(ConvertThread::Canceled));
            QCOMPARE(after.all(), before);
            return;
        }
        QCOMPARE(int(thread.outcome()), int(ConvertThread::Committed));
        // Each row found by its name through the index, as look-ups ask.
        QSqlQuery byName;
        byName.prepare("SELECT COUNT(*) FROM t_word INDEXED BY i_word_name WHERE name = ? AND "
                       "id = ? AND position = ?");
        int rows = 0;
        for (const int id : {1, 2}) {
            QSqlQuery all(QString("SELECT name, position FROM t_word WHERE id = %1").arg(id));
            while (all.next()) {
                byName.addBindValue(all.value(0));
                byName.addBindValue(id);
                byName.addBindValue(all.value(1));
                QVERIFY(byName.exec() && byName.next());
                QCOMPARE(byName.value(0).toInt(), 1);
                ++rows;
            }
        }
        QCOMPARE(rows, TestUtil::rowCount("t_word"));
    }

    // Rows of dictionary 1 left without its registration (a program that
    // did not know a table, a database edited by hand) are gone before the
    // build writes; another dictionary's stay.
    void rowsLeftOfTheDictionaryAreRemovedFirst_data()
    {
        QTest::addColumn<QString>("left"); // "t_file", or a statement
        QTest::newRow("t_word") << "INSERT INTO t_word (id, position, name) VALUES (1, 0, 'OLD')";
        QTest::newRow("t_file") << "t_file";
        QTest::newRow("another's") << "INSERT INTO t_word (id, position, name) VALUES (2, 0, 'X')";
        // A name and place left by a removal that did not know them.
        QTest::newRow("t_installed") << "t_installed";
    }

    void rowsLeftOfTheDictionaryAreRemovedFirst()
    {
        QFETCH(QString, left);
        if (left == "t_installed") {
            QVERIFY(QSqlQuery().exec(Sql::createSettings));
            QVERIFY(QSqlQuery().exec("INSERT INTO t_installed VALUES (1, 'Gone', 5, 0)"));
        } else {
            QVERIFY(left == "t_file"
                        ? IndexWriter(QSqlDatabase::database()).recordFile(1, {-7, 0, "x", {}})
                        : QSqlQuery().exec(left));
        }
        const QString path =
            TestUtil::writeDictionary(dir + "/d.txt", {M + "run : 走る", M + "walk : 歩く"});
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        const QString walkAt = QString::number(Generator::toShiftJis(M + "run : 走る\n").size());
        QCOMPARE(TestUtil::wordRows(), (QStringList{"0:RUN", walkAt + ":WALK"}));
        QCOMPARE(TestUtil::pairs("SELECT key, position FROM t_entry"),
                 (QStringList{"RUN:0", "WALK:" + walkAt}));
        QCOMPARE(TestUtil::pairs("SELECT id, size FROM t_file WHERE size = -7"), QStringList());
        QCOMPARE(TestUtil::rowCount("t_word"), left.contains("(2,") ? 3 : 2);
        if (left == "t_installed")
            QCOMPARE(TestUtil::pairs("SELECT name, enabled FROM t_installed"),
                     QStringList{"Eijiro:1"});
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
        const Build failed = build(path);
        QCOMPARE(failed.outcome, ConvertThread::InsertFailed);
        QVERIFY2(failed.error.contains("no such table: main.gone"), qPrintable(failed.error));
        QVERIFY(!failed.progress.contains(100));
        const QStringList lines = messages.lines(QtDebugMsg);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("QSqlQuery::exec failed. \"INSERT INTO t_word"),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], QString("row = 0 [ \"■run : 走る\\n\" ]"));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    }

    // A file long enough for entry rows to go many to a statement: a row
    // that clashes with one for the same line costs its line only; any
    // other refused row, or one dropped unseen, fails the whole build.
    void aRefusedRowAmongManyCostsWhatItAlwaysCost_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("words");
        QTest::addColumn<QStringList>("reported");
        const QStringList line40{"row = 40 [ \"■w40 : x\\n\" ]",
                                 "id = 1 , position = 400 , name = \"W40\""};
        const int committed = ConvertThread::Committed, failed = ConvertThread::InsertFailed;
        // A row for line 40's offset written before it: line 40 alone is out.
        QTest::newRow("clash") << "CREATE TRIGGER t AFTER INSERT ON t_word WHEN NEW.name = "
                                  "'W39' BEGIN INSERT INTO t_word VALUES (1, 400, 'OLD'); END"
                               << committed << 100 << line40;
        QTest::newRow("refused by a trigger")
            << "CREATE TRIGGER t BEFORE INSERT ON t_word WHEN NEW.name = 'W40' BEGIN "
               "SELECT RAISE(ABORT, 'refused'); END"
            << failed << 0 << line40;
        QTest::newRow("dropped by a trigger")
            << "CREATE TRIGGER t BEFORE INSERT ON t_word WHEN NEW.name = 'W40' BEGIN "
               "SELECT RAISE(IGNORE); END"
            << failed << 0 << line40;
        QTest::newRow("entry dropped by a trigger")
            << "CREATE TRIGGER t BEFORE INSERT ON t_entry WHEN NEW.key = 'W40' BEGIN "
               "SELECT RAISE(IGNORE); END"
            << failed << 0 << QStringList();
        // SQLite itself ends the transaction: no row may be committed alone.
        QTest::newRow("transaction ended")
            << "CREATE TRIGGER t BEFORE INSERT ON t_word WHEN NEW.name = 'W40' BEGIN "
               "SELECT RAISE(ROLLBACK, 'refused'); END"
            << failed << 0 << line40;
    }

    void aRefusedRowAmongManyCostsWhatItAlwaysCost()
    {
        QFETCH(QString, setup);
        QFETCH(int, outcome);
        QFETCH(int, words);
        QFETCH(QStringList, reported);
        QVERIFY(QSqlQuery().exec(setup));
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << M + QString("w%1 : x").arg(i, 2, 10, QChar('0'));
        const QString path = TestUtil::writeDictionary(dir + "/d.txt", lines);
        MessageCapture messages;
        QCOMPARE(TestUtil::install(path), outcome);
        QCOMPARE(TestUtil::rowCount("t_word"), words);
        QCOMPARE(TestUtil::rowCount("t_entry"), outcome == ConvertThread::Committed ? 100 : 0);
        const QStringList debug = messages.lines(QtDebugMsg);
        QVERIFY2(!debug.isEmpty(), "no diagnostic line");
        QCOMPARE(debug.mid(1, reported.size()), reported);
    }

    // A full disk while the rows go in, or at the commit (the rows are in
    // the page cache until then): rolled back, no 100, and the log emptied.
    void failedCommitReportsNoHundred_data()
    {
        QTest::addColumn<int>("size"); // lines
        QTest::addColumn<int>("room"); // for the log to grow
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("failure");
        QTest::newRow("rows") << 100000 << (256 << 10) << int(ConvertThread::InsertFailed)
                              << "QSqlQuery::exec failed. \"INSERT INTO";
        QTest::newRow("commit") << 1 << 1024 << int(ConvertThread::CommitFailed)
                                << "QSqlDatabase::commit failed. \"";
    }

    void failedCommitReportsNoHundred()
    {
        QFETCH(int, size);
        QFETCH(int, room);
        QFETCH(int, expected);
        QFETCH(QString, failure);
        const QString path = dir + "/d.txt";
        QVERIFY(Generator::write(path, {size, false, 7}));
        QVERIFY(DiskRoom().keepReserve()); // kept from an earlier install
        const QString wal = dir + "/orvel.db-wal";
        const qint64 limit = qMax(QFileInfo(wal).size(), QFileInfo(dir + "/orvel.db").size());
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit tight = old;
        tight.rlim_cur = rlim_t(limit + room);
        signal(SIGXFSZ, SIG_IGN);
        MessageCapture messages;
        QList<int> progress;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const int outcome = TestUtil::install(path, &progress);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
        QCOMPARE(outcome, expected);
        QVERIFY(!progress.contains(100));
        const QStringList lines = messages.lines(QtDebugMsg);
        QVERIFY2(lines.value(0).startsWith(failure), qPrintable(lines.value(0)));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
        QCOMPARE(QFileInfo(wal).size(), 0);
        // Nothing is lost: with room again the same file installs.
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        QVERIFY(TestUtil::rowCount("t_word") > 0);
    }

    // The room a build needs on the database's disk is checked before it
    // writes: about half the file's size, once in the log and once in the
    // database, where a removed dictionary's pages are used again.
    void aBuildWithoutRoomIsRefusedBeforeWriting()
    {
        const QString path = dir + "/d.txt";
        QVERIFY(Generator::write(path, {200000, false, 8}));
        const QString db = dir + "/orvel.db";
        QVERIFY(DiskRoom().truncateLog());
        const QByteArray before = TestUtil::readBytes(db);
        // As much free as the file is large.
        const qint64 free = QFileInfo(path).size();
        DiskRoom::pretendFreeSpace(free);
        const Build refused = TestUtil::build(path);
        DiskRoom::pretendFreeSpace(-1);
        QCOMPARE(refused.outcome, ConvertThread::NoRoom);
        QCOMPARE(TestUtil::readBytes(db), before);
        QCOMPARE(QFileInfo(db + "-wal").size(), 0);
        QVERIFY2(refused.error.startsWith("not enough free space on the disk of " + db +
                                          ": the index needs ") &&
                     refused.error.endsWith(", " + QLocale().formattedDataSize(free) + " are free"),
                 qPrintable(refused.error));
        // Removed as an older Orvel removed it, leaving its pages free.
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        for (const char *table : {"t_word", "t_entry", "t_dictionary"})
            QVERIFY(QSqlQuery().exec(QString("DELETE FROM ") + table));
        DiskRoom::pretendFreeSpace(free);
        QCOMPARE(TestUtil::install(path), int(ConvertThread::Committed));
        DiskRoom::pretendFreeSpace(-1);
    }

    void roomIsCheckedToTheByte_data()
    {
        QTest::addColumn<bool>("reserved");  // the reserve is beside the database already
        QTest::addColumn<qint64>("missing"); // bytes fewer free than needed
        QTest::newRow("reserved, as much as needed") << true << qint64(0);
        QTest::newRow("reserved, a byte short") << true << qint64(1);
        QTest::newRow("no reserve, as much as needed") << false << qint64(0);
        QTest::newRow("no reserve, a byte short") << false << qint64(1);
    }

    // Into an empty database: the index, about half the file and a MiB,
    // twice over (the log, then the file), and the reserve unless it is
    // there.
    void roomIsCheckedToTheByte()
    {
        QFETCH(bool, reserved);
        QFETCH(qint64, missing);
        const QString path = dir + "/d.txt";
        QVERIFY(Generator::write(path, {20000, false, 8}));
        const QString reserve = DiskRoom::reserveFile(dir + "/orvel.db");
        QVERIFY(reserved ? DiskRoom().keepReserve()
                         : !QFile::exists(reserve) || QFile::remove(reserve));
        const qint64 index = QFileInfo(path).size() / 2 + (1 << 20);
        const qint64 needed = 2 * index + (reserved ? 0 : DiskRoom::reserveSize);
        DiskRoom::pretendFreeSpace(needed - missing);
        const Build build = TestUtil::build(path);
        DiskRoom::pretendFreeSpace(-1);
        QCOMPARE(build.outcome, missing > 0 ? ConvertThread::NoRoom : ConvertThread::Committed);
        QCOMPARE(QFile::exists(reserve), reserved || missing == 0);
    }

    void stopAllWaitsForRunningBuilds()
    {
        // As at Quit after Cancel: one build reading a big file, one whose
        // chosen file is a FIFO that nobody ever writes.
        const QString path = dir + "/big.txt";
        QVERIFY(Generator::write(path, {300000, false, 9}));
        const QString fifo = dir + "/fifo";
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        auto *thread = new ConvertThread;
        thread->setDictionary("Eijiro", path);
        auto *blocked = new ConvertThread;
        blocked->setDictionary("Eijiro", fifo);
        thread->start();
        blocked->start();
        std::atomic_bool returned{false};
        std::thread quit([&] {
            ConvertThread::stopAll();
            returned = true;
        });
        const bool inTime = QTest::qWaitFor([&] { return returned.load(); }, 30000);
        if (!inTime)
            TestUtil::releaseFifo(fifo);
        quit.join();
        QVERIFY(inTime);
        QVERIFY(thread->isFinished());
        QVERIFY(thread->outcome() == ConvertThread::Canceled ||
                thread->outcome() == ConvertThread::Committed);
        const int words = TestUtil::rowCount("t_word");
        QVERIFY(thread->outcome() == ConvertThread::Committed ? words > 0 : words == 0);
        QCOMPARE(blocked->outcome(), ConvertThread::NotRegularFile);
        delete thread;
        delete blocked;
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
