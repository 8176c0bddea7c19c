// The word list of every entry word and the pages of its entries, through
// orvel-cli and the core's API, against a slow reading of the file. Also what
// databases made before the list do, and that removing, cancelling or
// re-building leaves no stray rows.
#include "database/dictionaryremoval.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/boundedreader.h"
#include "lookup/wordlistthread.h"
#include "slowreading.h"
#include "testutil.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTest>

namespace {

const QString M = QString(Eijiro::marker);

// Written after a generated file: letter case, widths and scripts whose
// order or first line is easy to get wrong.
const QStringList cornerLines = {
    M + "march : 行進する",   M + "march on : 進み続ける",
    M + "March  {名} : 三月", M + "Mayday : 救難信号",
    M + "MAYDAY  {名} : 同",  M + "ⅱ : 小文字",
    M + "Ⅱ : 大文字",         M + "ｒｕｎ : 全角",
    M + "走る : run",         M + "走る  {動} : to run",
    M + "～について : about", M + " lead : 先頭の空白",
    M + "a\tb : タブ",        M + "x : y : z",
    "not an entry line",
};

using TestUtil::Run;

Run cli(const QString &db, const QStringList &args)
{
    return TestUtil::cli(QStringList{"--database", db} + args);
}

QStringList shownForms(const WordListThread::List &list)
{
    QStringList out;
    for (const WordListThread::Row &row : list.rows)
        out << row.shown;
    return out;
}

QString lines(const QStringList &words)
{
    return words.isEmpty() ? QString() : words.join('\n') + '\n';
}

QString entryPage(const QString &word, SearchThread::Status *status = nullptr)
{
    Page page;
    const SearchThread::Status s = SearchThread::lookUpEntry(word, &page);
    if (status)
        *status = s;
    return PageHtml::write(page);
}

} // namespace

class TestWordList : public QObject
{
    Q_OBJECT

    QString dir, file, db;
    std::unique_ptr<Slow> slow;

    // `file` installed into a new database `db` (made of `name`).
    void install(const QString &name = "orvel", const QString &dictionary = QString())
    {
        db = TestUtil::makeDir(name) + "/orvel.db";
        QVERIFY(TestUtil::openFreshDatabase(db));
        QCOMPARE(TestUtil::install(dictionary.isEmpty() ? file : dictionary),
                 int(ConvertThread::Committed));
    }

    // Swaps the first two neighbouring entry lines of one length in the
    // middle of `path`, the first the first line of its word, keeping the
    // file's size and time; that word, whose stored offset now holds the
    // other line.
    static QString swapLinesInTheMiddle(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadWrite))
            return QString();
        const QDateTime time = f.fileTime(QFileDevice::FileModificationTime);
        QList<QByteArray> lines = f.readAll().split('\n');
        const auto word = [&lines](qsizetype i) {
            return Reference::read(QStringDecoder("Shift_JIS").decode(lines[i]))
                .entryWord.toUpper();
        };
        for (qsizetype i = lines.size() / 2; i + 1 < lines.size(); ++i) {
            if (lines[i].size() != lines[i + 1].size() || word(i).isEmpty() ||
                word(i) == word(i - 1) || word(i) == word(i + 1))
                continue;
            const QString swapped = word(i);
            lines.swapItemsAt(i, i + 1);
            f.seek(0);
            f.write(lines.join('\n'));
            f.setFileTime(time, QFileDevice::FileModificationTime);
            return swapped;
        }
        return QString();
    }

    // A build of a big file, stopped at its first progress report.
    void cancelledBuild()
    {
        const QString big = dir + "/big.txt";
        if (!QFile::exists(big))
            QVERIFY(Generator::write(big, {200000, false, 5}));
        QCOMPARE(TestUtil::build(big, [](const QList<int> &) { return true; }).outcome,
                 ConvertThread::Canceled);
    }

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("wordlist");
        file = dir + "/dict.txt";
        QByteArray bytes = Generator::generate({20000, false, 13});
        for (const QString &line : cornerLines)
            bytes += Generator::toShiftJis(line) + "\n";
        TestUtil::writeBytes(file, bytes);
        slow = std::make_unique<Slow>(file);
        install();
    }

    void theListHoldsEachKeysFirstLine()
    {
        QStringList expected;
        for (const QString &key : std::as_const(slow->keys))
            expected << "entry 1 " + key + " " + QString::number(slow->offsets[slow->first[key]]);
        QCOMPARE(TestUtil::contents(db).entries, expected);
        // Realistic: most distinct entry words are phrases.
        QVERIFY(std::count_if(slow->keys.begin(), slow->keys.end(), [](const QString &key) {
                    return key.contains(' ');
                }) > slow->keys.size() / 2);
    }

    void listsFollowTheSlowReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        for (const char *text :
             {"", "a", "ru", "Run ", "march", "MAYDAY", "ⅱ", "ｒ", "走", "～", " ", "zzzz", "\t"})
            QTest::newRow(text) << QString::fromUtf8(text) << 25;
        // After every key in code point order, yet before the full-width
        // ones in UTF-16's.
        QTest::newRow("beyond the last key") << QString::fromUtf8("\U0001F600") << 25;
        // Far more rows than one window's reading spells.
        QTest::newRow("every key") << QString() << 100000;
    }

    void listsFollowTheSlowReading()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        const QStringList expected = slow->list(text, limit);
        const Run words = cli(db, {"words", "--limit", QString::number(limit), text});
        QCOMPARE(words.exit, 0);
        QCOMPARE(words.err, QString());
        QCOMPARE(words.out, lines(expected));

        // Scrolling on from the last row gives the rows that follow.
        const WordListThread::List head = WordListThread::list(WordListThread::from(text, 10));
        QCOMPARE(head.status, WordListThread::Listed);
        QVERIFY(head.phrases);
        QCOMPARE(shownForms(head), expected.mid(0, 10));
        if (!head.rows.isEmpty()) {
            const WordListThread::List more =
                WordListThread::list(WordListThread::after(head.rows.last().key, 15));
            QCOMPARE(shownForms(more), expected.mid(10, 15));
        }
    }

    // Two dictionaries' lists, far longer than what is read of either at
    // a time, merged: each key once, as the first dictionary spells it.
    void aLongListOfTwoFollowsTheSlowReading()
    {
        const QString second = dir + "/second.txt";
        QVERIFY(Generator::write(second, {8000, false, 14, false, true}));
        install("two");
        QCOMPARE(TestUtil::install(second), int(ConvertThread::Committed));
        const Slow other(second);
        const Run words = cli(db, {"words", "--limit", "100000", "b"});
        QCOMPARE(words.exit, 0);
        QCOMPARE(words.out, lines(mergedList({slow.get(), &other}, "b", 100000)));
        install();
    }

    void entryPagesFollowTheSlowReading()
    {
        QStringList keys;
        for (int i = 0; i < slow->keys.size(); i += slow->keys.size() / 60)
            keys << slow->keys[i];
        keys << "MARCH"
             << "MAYDAY"
             << "Ⅱ"
             << "ＲＵＮ"
             << "走る"
             << " LEAD"
             << "X : Y";
        for (const QString &key : std::as_const(keys)) {
            const QString expected = slow->page(key);
            SearchThread::Status status;
            QCOMPARE(entryPage(key.toLower(), &status), expected);
            QCOMPARE(status, SearchThread::Found);
            // A word with an index key: the page of the word as first spelt.
            if (!key.contains(' ')) {
                Page typed;
                SearchThread::lookUp(slow->shown[key], &typed);
                QCOMPARE(PageHtml::write(typed), expected);
            }
        }
        const Run phrase = cli(db, {"lookup", "--entry", "--html", "march ON"});
        QCOMPARE(phrase.exit, 0);
        QCOMPARE(phrase.out, slow->page("MARCH ON"));
        const Run missing = cli(db, {"lookup", "--entry", "march of"});
        QCOMPARE(missing.exit, 1);
        QCOMPARE(missing.out, QString("march of is not found.\n"));
    }

    void workersDeliverWhatTheCallsReturn()
    {
        WordListThread list;
        list.setRequest(WordListThread::from("ma", 5));
        QSignalSpy listed(&list, &WordListThread::listReady);
        list.start();
        QVERIFY(list.wait(30000));
        QCOMPARE(listed.size(), 1);
        QCOMPARE(shownForms(list.result()), slow->list("ma", 5));
        // SQLite would take a negative limit for none.
        QCOMPARE(WordListThread::list(WordListThread::from("ma", -1)).rows.size(), 0);

        SearchThread page;
        page.setEntry("MARCH ON");
        QSignalSpy delivered(&page, qOverload<const QString &>(&SearchThread::finished));
        page.start();
        QVERIFY(page.wait(30000));
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(delivered[0][0].toString(), slow->page("MARCH ON"));
    }

    // A list reads its rows' first lines within one look-up's bounds: the
    // first rows as the file spells them (cut lines), the rest by key.
    void listReadingIsBounded()
    {
        QStringList longLines;
        for (const char *word : {"Alpha", "Beta", "Delta", "Gamma"})
            longLines << M + word + " : " + QString(2 << 20, 'x');
        install("bounded", TestUtil::writeDictionary(dir + "/long.txt", longLines));
        const qint64 before = TestUtil::bytesRead();
        const WordListThread::List list = WordListThread::list(WordListThread::from("a", 10));
        const qint64 read = TestUtil::bytesRead() - before;
        QVERIFY2(read < BoundedReader::mostBytes + (256 << 10), qPrintable(QString::number(read)));
        QCOMPARE(list.status, WordListThread::Listed);
        QCOMPARE(list.rows.size(), 4);
        QCOMPARE(list.rows.first().shown, QString("Alpha"));
        QCOMPARE(list.rows.last().key, QString("GAMMA"));
    }

    void commandLineFailures_data()
    {
        QTest::addColumn<QString>("change"); // what happens to the database first
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("err");
        const QStringList run{"words", "run"};
        QTest::newRow("file gone")
            << "file" << run << 2 << "orvel-cli: cannot open the dictionary file";
        // Words the index offers would show other words' entries.
        QTest::newRow("file changed") << "edit" << run << 2
                                      << "orvel-cli: the dictionary file " + dir +
                                             "/failing.txt has changed since it was installed";
        // Two lines of one length swapped, the file's time put back: the
        // list shows no key the page cannot show ("ORVEL" for orvel).
        QTest::newRow("same size, lines swapped")
            << "swap" << QStringList{"words"} << 2
            << "orvel-cli: the dictionary file " + dir +
                   "/failing.txt has changed since it was installed";
        QTest::newRow("no dictionary")
            << "DELETE FROM t_dictionary" << run << 1 << "orvel-cli: no dictionary is installed\n";
        QTest::newRow("no database") << "database" << run << 2 << "orvel-cli: no database at";
    }

    void commandLineFailures()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, err);
        const QString copy = dir + "/failing.txt";
        QFile::remove(copy);
        QVERIFY(QFile::copy(file, copy));
        install("failing", copy);
        if (change == "file")
            QVERIFY(QFile::remove(copy));
        else if (change == "edit")
            TestUtil::writeDictionary(copy, {M + "run : 走る"});
        else if (change == "swap")
            args << swapLinesInTheMiddle(copy);
        else if (change.startsWith("DELETE"))
            QVERIFY(QSqlQuery().exec(change));
        const Run run = cli(change == "database" ? dir + "/none.db" : db, args);
        QCOMPARE(run.exit, exit);
        // One line per failure.
        QVERIFY2(run.err.startsWith(err) && run.err.count('\n') == 1, qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }

    // The debug channel says what happened: nothing when no dictionary is
    // installed, the reason when the index cannot be read.
    void theListSaysWhatHappened_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // what the one debug line holds
        QTest::newRow("no dictionary")
            << "DELETE FROM t_dictionary" << int(WordListThread::NoDictionary) << QString();
        QTest::newRow("index gone")
            << "DROP TABLE t_word" << int(WordListThread::Failed) << "no such table: t_word";
    }

    void theListSaysWhatHappened()
    {
        QFETCH(QString, change);
        QFETCH(int, status);
        QFETCH(QString, line);
        install("diagnostics");
        QVERIFY(QSqlQuery().exec("DROP TABLE t_entry") && QSqlQuery().exec(change));
        MessageCapture messages;
        QCOMPARE(int(WordListThread::list(WordListThread::from("run", 5)).status), status);
        const QStringList lines = messages.all();
        if (line.isEmpty())
            QCOMPARE(lines, QStringList());
        else
            QVERIFY2(lines.size() == 1 && lines[0].contains(line) &&
                         !lines[0].startsWith("QSqlQuery"),
                     qPrintable(lines.join('\n')));
    }

    // A database made before the list: look-ups as before, a list of the
    // single words, no page for phrases; removing and installing again
    // brings the phrases.
    void aDatabaseWithoutTheListListsSingleWords()
    {
        install("old");
        const QString before = entryPage("march");
        QVERIFY(QSqlQuery().exec("DROP TABLE t_entry"));

        const Run words = cli(db, {"words", "--limit", "30", "march"});
        QCOMPARE(words.exit, 0);
        QCOMPARE(words.out, lines(slow->list("march", 30, true)));
        QVERIFY2(words.err.contains("install it again"), qPrintable(words.err));
        QVERIFY(!WordListThread::list(WordListThread::from("a", 5)).phrases);
        QCOMPARE(entryPage("MARCH"), before);
        SearchThread::Status status;
        entryPage("march on", &status);
        QCOMPARE(status, SearchThread::NotFound);

        // Removed, and a cancelled build does not leave the table behind.
        QVERIFY(DictionaryRemoval().remove(1));
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        cancelledBuild();
        QVERIFY(!QSqlDatabase::database().tables().contains("t_entry"));

        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        QCOMPARE(entryPage("march on"), slow->page("MARCH ON"));
    }

    // Nothing of the list outlives its dictionary, and rows a program
    // without the list left behind do not hide a key's first line.
    void removalCancelAndStaleRowsLeaveNoStrayRows()
    {
        install("removal");
        const QStringList built = TestUtil::contents(db).entries;
        QVERIFY(DictionaryRemoval().remove(1));
        QCOMPARE(TestUtil::contents(db).all(), QStringList());

        cancelledBuild();
        QCOMPARE(TestUtil::contents(db).all(), QStringList());

        QVERIFY(QSqlQuery().exec("INSERT INTO t_entry VALUES (1, 'MARCH', 1), (1, 'GONE', 2)"));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        QCOMPARE(TestUtil::contents(db).entries, built);
    }
};

QTEST_GUILESS_MAIN(TestWordList)
#include "tst_wordlist.moc"
