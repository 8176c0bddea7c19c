// Look-ups over what a user can do to them: a dictionary file changed,
// overwritten, cut short or taken away after installation, hostile typed
// words, heads of millions of characters. Each look-up gives a well-formed
// page or a page that says what failed, and never hangs or crashes.
#include "dictionary/format.h"
#include "fuzz/pagecheck.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "lookup/renderer.h"
#include "robustness.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace Robustness;

namespace {

// The byte offset of the first line of `lines` (written with LF) that is
// indexed under `word`, read the slow, obvious way.
qint64 offsetOf(const QStringList &lines, const QString &word)
{
    qint64 offset = 0;
    for (const QString &line : lines) {
        if (Reference::read(line + "\n").key == Eijiro::queryKey(word))
            return offset;
        offset += Generator::toShiftJis(line + "\n").size();
    }
    return -1;
}

// The page of the window of lines that lies at `offset` in the file now:
// split at LF, each line decoded on its own.
Page pageAt(const QString &file, qint64 offset, const QString &word)
{
    const QList<QByteArray> lines = TestUtil::readBytes(file).mid(offset).split('\n');
    ResultRenderer renderer(word);
    Eijiro::Decoder decoder;
    for (int i = 0; i < SearchThread::windowLines && i < lines.size(); ++i)
        renderer.renderLine(decoder.decode(lines[i] + (i + 1 < lines.size() ? "\n" : "")));
    return renderer.finish();
}

} // namespace

class TestRobustnessLookup : public QObject
{
    Q_OBJECT

    QString dir;

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }

    void dictionaryFileChangedAfterInstall_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("seen");
        // The index no longer fits: a page that says so and offers to rebuild.
        QTest::newRow("edited in place") << QString("edit") << QString("changed");
        QTest::newRow("random bytes, NULs included") << QString("noise") << QString("changed");
        QTest::newRow("truncated before the lines") << QString("truncate") << QString("changed");
        // Only the time differs: the checksum shows it is the same file.
        QTest::newRow("touched") << QString("touch") << QString("same");
        // What size and time cannot tell, or an older Orvel did not record:
        // whatever lies at the old offsets.
        QTest::newRow("random bytes, size and time kept")
            << QString("noise, time kept") << QString("unchecked");
        QTest::newRow("edited, no record") << QString("edit, no record") << QString("unchecked");
        // One clear line, and a page that says so.
        QTest::newRow("deleted") << QString("delete") << QString("gone");
        QTest::newRow("a directory in its place") << QString("directory") << QString("gone");
    }

    void dictionaryFileChangedAfterInstall()
    {
        QFETCH(QString, change);
        QFETCH(QString, seen);
        const QString file = installed(dir, "changed");
        const QStringList words{"apple", "run", "tail"};
        QStringList before;
        for (const QString &word : words)
            before << lookUp(word).page;
        const QString original = dir + "/original.txt";
        QVERIFY(QFile::copy(file, original) && TestUtil::copyTime(file, original));

        if (change.startsWith("edit")) {
            QStringList edited = {M + "xyz : 別", M + "more : もっと", M + "run : 新しい"};
            for (int i = 0; i < 200; ++i)
                edited << M + QString("w%1 : 語").arg(i);
            TestUtil::writeDictionary(file, edited);
        } else if (change.startsWith("noise")) {
            QByteArray bytes = TestUtil::readBytes(file);
            QRandomGenerator rng(11);
            for (char &c : bytes)
                c = char(rng.bounded(256));
            QTest::qSleep(10);
            TestUtil::writeBytes(file, bytes);
        } else if (change == "truncate") {
            TestUtil::writeBytes(file, Generator::toShiftJis(M + "a"));
        } else if (change == "touch") {
            QVERIFY(TestUtil::copyTime(TestUtil::writeBytes(dir + "/later", ""), file));
        } else {
            QVERIFY(QFile::remove(file));
            if (change == "directory")
                QVERIFY(QDir().mkpath(file));
        }
        if (change.endsWith("time kept"))
            QVERIFY(TestUtil::copyTime(original, file));
        if (change.endsWith("no record"))
            QVERIFY(QSqlQuery().exec("DELETE FROM t_file"));

        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString &word = words[i];
            MessageCapture messages;
            const LookUp r = lookUp(word);
            if (seen == "same") {
                QCOMPARE(r.status, SearchThread::Found);
                QCOMPARE(r.page, before[i]);
                continue;
            }
            if (seen == "unchecked") {
                QVERIFY(r.status == SearchThread::Found || r.status == SearchThread::NotFound);
                QCOMPARE(r.page, PageHtml::write(pageAt(file, offsetOf(sample, word), word)));
                QCOMPARE(PageCheck::check(r.model, word), QString());
                QVERIFY2(r.page != before[i], qPrintable(word)); // the change shows
                QCOMPARE(messages.all(), QStringList());
                continue;
            }
            QCOMPARE(r.status, SearchThread::Failed);
            if (seen == "changed") {
                QCOMPARE(r.error, SearchThread::fileChangedError(file));
                QVERIFY(
                    r.page.startsWith("The dictionary file has changed since it was installed:"));
                QVERIFY(r.page.endsWith("<a href=\"orvel:rebuild\">Rebuild the index</a>"));
            } else {
                QVERIFY2(r.error.startsWith("cannot open the dictionary file " + file),
                         qPrintable(r.error));
                QCOMPARE(messages.all(), QStringList{"QFile::open failed."});
                QVERIFY(r.page.startsWith("The dictionary file cannot be read:"));
            }

            // The worker delivers that page, and its thread ends.
            SearchThread thread;
            QSignalSpy pages(&thread, &SearchThread::finished);
            QSignalSpy ended(&thread, &QThread::finished);
            thread.setWord(word);
            thread.start();
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
            QCOMPARE(pages.size(), 1);
            QCOMPARE(pages[0][0].toString(), r.page);
        }
    }

    void hostileTypedWords_data() { addHostileWords(); }

    void hostileTypedWords()
    {
        QFETCH(QString, word);
        installed(dir, "typed");
        const LookUp r = lookUp(word);
        QCOMPARE(r.status, SearchThread::NotFound);
        QCOMPARE(r.page, PageCheck::notFoundPage(word));
        QCOMPARE(PageCheck::check(r.model, word), QString());
    }

    void longHeadsRenderCompletely()
    {
        // Highlighting and the label rule once took time quadratic in the
        // head's length; a look-up over such a line never came back.
        const int repeats = 200000;
        ResultRenderer many("run");
        many.renderLine(M + QString("runxxxxxxx").repeated(repeats) + " : x\n");
        PageCheck::Shape shape;
        QCOMPARE(PageCheck::check(many.finish(), "run", &shape), QString());
        QCOMPARE(shape.marks, repeats);
        QCOMPARE(shape.items, 1);

        // Many brace groups: only the last may be the label, and here its
        // content has two separate hyphens, so there is none.
        const QString groups = "w" + QString("  {x").repeated(repeats);
        Eijiro::RendererReading reading;
        const QString twoHyphens = M + groups + "-b-} : y";
        QVERIFY(Eijiro::readRenderer(twoHyphens, &reading));
        QVERIFY(!reading.hasLabel);
        QCOMPARE(reading.entryWord.toString(), groups + "-b-}");
        const QString oneRun = M + groups + "--b} : y";
        QVERIFY(Eijiro::readRenderer(oneRun, &reading));
        QVERIFY(reading.hasLabel);
        QCOMPARE(reading.label.toString(), QString("x"));
        QCOMPARE(reading.entryWord.size(), groups.size() - 4);
    }

    void fuzzSeedsAgreeWithTheReference()
    {
        // The seed inputs of the fuzz targets, replayed in every build.
        const QDir seeds(qEnvironmentVariable("ORVEL_SOURCE_DIR") + "/fuzz/corpus/line");
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 10);
        Eijiro::Decoder decoder;
        for (const QString &name : names) {
            const QString line = decoder.decode(TestUtil::readBytes(seeds.filePath(name)));
            QVERIFY2(Reference::compare(line).isEmpty(), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(TestRobustnessLookup)
#include "tst_robustness_lookup.moc"
