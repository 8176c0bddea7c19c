// The notebook: history counting and its bound, stars that outlive the
// index, cards that carry any text and read back, word lists in any
// encoding with bounded memory, a damaged file moved aside, and orvel-cli's
// commands on it.
#include "database/database.h"
#include "generator.h"
#include "lookup/edictrenderer.h"
#include "lookupfixture.h"
#include "notebook/cards.h"
#include "notebook/notebook.h"
#include "notebook/pageentries.h"
#include "notebook/starring.h"
#include "notebook/wordlistfile.h"
#include "notebook/wordlistimport.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTest>

using LookUpFixture::M;

namespace {

// The highest resident memory of the process so far, in kB (VmHWM).
qint64 peakMemory()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Every word a word list gives, or the one line that refused it.
QStringList wordsOf(const QString &path, int *skipped = nullptr)
{
    WordListFile file(path);
    QStringList words;
    QString word;
    if (file.open()) {
        while (file.next(&word))
            words << word;
    }
    if (skipped)
        *skipped = file.skipped();
    return file.error().isEmpty() ? words : QStringList{"refused: " + file.error()};
}

QStringList historyWords(Notebook &notebook, int limit = -1)
{
    QList<HistoryWord> rows;
    [&] { QVERIFY2(notebook.history(&rows, limit), qPrintable(notebook.lastError())); }();
    QStringList words;
    for (const HistoryWord &row : rows)
        words << QString("%1 %2").arg(row.word).arg(row.count);
    return words;
}

QList<Star> starsOf(Notebook &notebook)
{
    QList<Star> stars;
    [&] { QVERIFY2(notebook.stars(&stars), qPrintable(notebook.lastError())); }();
    return stars;
}

} // namespace

class NotebookTest : public QObject
{
    Q_OBJECT

    QString dir;
    QString path() const { return dir + "/notebook.db"; }

private slots:
    void init() { dir = TestUtil::makeDir(QTest::currentTestFunction()); }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    // A word list of any size is read with bounded memory: a 64 MB line
    // without a break is skipped unheld, the word after it read. First, so
    // that nothing before raised the high-water mark.
    void aLongLineIsSkippedUnheld()
    {
        const QString file = dir + "/long.txt";
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            const QByteArray block(1 << 20, 'a');
            for (int i = 0; i < 64; ++i)
                QVERIFY(out.write(block) == block.size());
            QVERIFY(out.write("\nrun\n") == 5);
        }
        const qint64 before = peakMemory();
        int skipped = 0;
        QCOMPARE(wordsOf(file, &skipped), QStringList{"run"});
        QCOMPARE(skipped, 1);
        QVERIFY2(peakMemory() - before < 20 * 1024,
                 qPrintable(QString("%1 kB more").arg(peakMemory() - before)));

        // A gigabyte of zeros is refused at its first bytes.
        const QString zeros = dir + "/zeros.bin";
        QFile sparse(zeros);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 30));
        sparse.close();
        const qint64 read = TestUtil::bytesRead();
        const QStringList refused = wordsOf(zeros);
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused.first().contains("no text file (a NUL byte at offset 0)"),
                 qPrintable(refused.first()));
        QVERIFY(TestUtil::bytesRead() - read < 2 << 20);
    }

    void historyCountsAndKeepsTheNewest()
    {
        Notebook notebook(path());
        QCOMPARE(notebook.open(), Notebook::Opened::Ready);
        QVERIFY(notebook.record("run", 1000));
        QVERIFY(notebook.record("apple", 2000));
        QVERIFY(notebook.record("run", 3000));
        QVERIFY(notebook.record(QString(), 3500));
        QCOMPARE(historyWords(notebook), (QStringList{"run 2", "apple 1"}));

        // 100,000 words at once, then five more: the five oldest go, and a
        // word looked up again stays as the newest.
        QStringList many;
        for (int i = 0; i < Notebook::historyCapacity; ++i)
            many << QString("w%1").arg(i);
        QVERIFY(notebook.record(many, 4000));
        QCOMPARE(historyWords(notebook).size(), Notebook::historyCapacity);
        QVERIFY(!historyWords(notebook).contains("run 2"));
        QVERIFY(notebook.record({"x1", "x2", "x3", "x4", "w0"}, 5000));
        const QStringList kept = historyWords(notebook);
        QCOMPARE(kept.size(), Notebook::historyCapacity);
        QCOMPARE(kept.mid(0, 5), (QStringList{"w0 2", "x4 1", "x3 1", "x2 1", "x1 1"}));
        for (const char *gone : {"w1 1", "w2 1", "w3 1", "w4 1"})
            QVERIFY2(!kept.contains(gone), gone);
        QVERIFY(kept.contains("w5 1"));
        QCOMPARE(historyWords(notebook, 2), (QStringList{"w0 2", "x4 1"}));

        QVERIFY(notebook.removeFromHistory({"w0", "x4"}));
        QCOMPARE(historyWords(notebook, 1), QStringList{"x3 1"});
        QVERIFY(notebook.clearHistory());
        QCOMPARE(historyWords(notebook), QStringList());
    }

    // The entry on the page, read as the notebook keeps it: the word as
    // the dictionary spells it whatever was typed, the reading, the lines.
    void entriesAreReadFromThePage()
    {
        LookUpFixture::installed(dir, "d",
                                 {M + "apple  {名} : りんご■・an apple a day 1日1個のリンゴ",
                                  M + "apple  {名} : 【＠】アップル、【変化】apples",
                                  M + "apple pie : アップルパイ", M + "愛｛あい｝ : love"});
        Page page;
        QCOMPARE(SearchThread::lookUp("APPLE", &page), SearchThread::Found);
        const QList<Star> entries = PageEntries::read(page, "d");
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(0).word, QString("apple"));
        QCOMPARE(entries.at(0).reading, QString("アップル"));
        QCOMPARE(entries.at(0).dictionary, QString("d"));
        QCOMPARE(
            entries.at(0).lines,
            QString(
                "[名] りんご\n・an apple a day 1日1個のリンゴ\n【＠】アップル、【変化】apples"));
        QCOMPARE(entries.at(1).word, QString("apple pie"));
        QCOMPARE(entries.at(1).lines, QString("アップルパイ"));
        QCOMPARE(entries.at(2).word, QString("愛｛あい｝"));

        Star star;
        QCOMPARE(Starring::find("愛｛あい｝", {}, "d", &star), SearchThread::Found);
        QCOMPARE(star.reading, QString("あい"));
        QCOMPARE(Cards::card(star, Cards::Format::Tsv), QString("愛 【あい】\tlove\td\n"));
        QCOMPARE(Starring::find("pear", {}, "d", &star), SearchThread::NotFound);
    }

    // An EDICT entry: the head and its reading apart, a sense a line.
    void edictEntriesAreReadFromThePage()
    {
        EdictRenderer renderer("みず", "みず");
        QVERIFY(renderer.renderLine("水 [みず] /(n) (1) water/(n) (2) flood/(P)/"));
        QVERIFY(renderer.renderLine("みず /(n) a head in kana/"));
        const QList<Star> entries = PageEntries::read(renderer.finish(), "d");
        QCOMPARE(entries.size(), 2);
        QCOMPARE(PageEntries::find(entries, "みず"), &entries.at(1)); // a head comes first
        const QList<Star> first = entries.mid(0, 1);
        QCOMPARE(PageEntries::find(first, "みず"), &first.at(0)); // then a reading
        QCOMPARE(entries.at(0).word, QString("水"));
        QCOMPARE(entries.at(0).reading, QString("みず"));
        QCOMPARE(entries.at(0).lines, QString("[n] water\nflood"));
        QCOMPARE(Cards::card(entries.at(0), Cards::Format::Tsv).section(u'\t', 0, 0),
                 QString("水 【みず】"));
    }

    void readings_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("front");
        QTest::newRow("braces after the head") << "愛｛あい｝"
                                               << "love"
                                               << "あい"
                                               << "愛 【あい】";
        QTest::newRow("after 【＠】") << "apple"
                                      << "[名] りんご\n【＠】アップル、【変化】apples"
                                      << "アップル"
                                      << "apple 【アップル】";
        QTest::newRow("up to the next mark") << "run"
                                             << "【＠】ラン◆to run"
                                             << "ラン"
                                             << "run 【ラン】";
        QTest::newRow("none") << "run"
                              << "走る"
                              << ""
                              << "run";
        QTest::newRow("braces alone") << "｛あい｝"
                                      << ""
                                      << ""
                                      << "｛あい｝";
        QTest::newRow("empty braces") << "愛｛｝"
                                      << ""
                                      << ""
                                      << "愛｛｝";
        QTest::newRow("braces inside") << "a｛b｝c"
                                       << ""
                                       << ""
                                       << "a｛b｝c";
    }

    void readings()
    {
        QFETCH(QString, word);
        QFETCH(QString, lines);
        QFETCH(QString, reading);
        QFETCH(QString, front);
        QCOMPARE(PageEntries::readingOf(word, lines), reading);
        const Star star{word, reading, "d", lines, 0, QString()};
        QCOMPARE(Cards::fields(Cards::card(star, Cards::Format::Tsv), Cards::Format::Tsv).first(),
                 front);
        // The front reads back to the word as a card's front shows it.
        QCOMPARE(Cards::starOf({front}).reading, reading);
    }

    // Stars and history live beside the settings, not in the index: they
    // stay when the index database is removed, and orvel-cli reads them.
    void theNotebookOutlivesTheIndex()
    {
        QVERIFY(QDir().mkpath(QFileInfo(Notebook::defaultPath()).path()));
        QVERIFY(TestUtil::openFreshDatabase(Database::path()));
        const QString dictionary = TestUtil::writeDictionary(dir + "/d.txt", LookUpFixture::sample);
        QCOMPARE(TestUtil::install(dictionary), int(ConvertThread::Committed));
        TestUtil::closeDefaultConnection();

        // Reading makes no notebook.
        QCOMPARE(TestUtil::cli({"history"}).out, QString());
        QCOMPARE(TestUtil::cli({"notebook", "--format", "csv"}).out, QString());
        QCOMPARE(TestUtil::cli({"unstar", "run"}).exit, 1);
        QVERIFY(!QFileInfo::exists(Notebook::defaultPath()));

        QCOMPARE(TestUtil::cli({"star", "RUN"}).out, QString("starred run (Eijiro)\n"));
        QCOMPARE(TestUtil::cli({"star", "run"}).out, QString("run (Eijiro) was starred already\n"));
        const TestUtil::Run missing = TestUtil::cli({"star", "pear"});
        QCOMPARE(missing.exit, 1);
        QCOMPARE(missing.err, QString("orvel-cli: pear is not found: nothing was starred\n"));
        {
            Notebook notebook;
            QCOMPARE(notebook.open(), Notebook::Opened::Ready);
            QVERIFY(notebook.record("run", 1700000000000));
            QVERIFY(notebook.setNote("run", "Eijiro", "走る, 経営する"));
        }

        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(Database::path() + suffix);
        const TestUtil::Run cards = TestUtil::cli({"notebook", "--format", "csv"});
        QCOMPARE(cards.exit, 0);
        QCOMPARE(cards.out,
                 QString("run,\"[自動] 走る<br>経営する<br>・run a shop<hr>走る, 経営する\","
                         "Eijiro\r\n"));
        const TestUtil::Run history = TestUtil::cli({"history", "--limit", "5"});
        QCOMPARE(history.exit, 0);
        QVERIFY2(history.out.endsWith("\t1\trun\n"), qPrintable(history.out));
        QCOMPARE(TestUtil::cli({"unstar", "run"}).out, QString("unstarred run\n"));
        QCOMPARE(TestUtil::cli({"unstar", "run"}).exit, 1);
        QCOMPARE(TestUtil::cli({"star", "run"}).exit, 2); // no index any more
        QCOMPARE(TestUtil::cli({"notebook", "--format", "xml"}).exit, 2);
    }

    // Any word and note make one card a line, in both formats, whose
    // fields read back to the very text; the export reads back as a word
    // list too.
    void cardsCarryAnyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("tab") << "a\tb";
        QTest::newRow("line feed") << "a\nb";
        QTest::newRow("carriage return, line feed") << "a\r\nb";
        QTest::newRow("quotes") << "\"quoted\" 'single'";
        QTest::newRow("commas") << "a, b,,c";
        QTest::newRow("markup") << "<b>bold</b> &amp; <br> <hr>";
        QTest::newRow("placeholders") << "%1 %2 %L1";
        QTest::newRow("10,000 characters") << QString("word ").repeated(2000);
        QTest::newRow("hash first") << "#tag";
        QTest::newRow("backslash") << "a\\tb\\";
        QTest::newRow("line separator") << QString("a\u2028b");
        QTest::newRow("control characters") << QString::fromUtf16(u"\x01\x1b[31m\x7f");
        QTest::newRow("Japanese") << "走る【はしる】";
    }

    void cardsCarryAnyText()
    {
        QFETCH(QString, text);
        const Star star{text, QString(), "my dict", "[名] " + text + "\n・" + text, 7, text};
        const HistoryWord word{text, 3, 1700000000000};
        for (const Cards::Format format : {Cards::Format::Tsv, Cards::Format::Csv}) {
            const QString end = format == Cards::Format::Tsv ? "\n" : "\r\n";
            const QString card = Cards::card(star, format);
            QVERIFY(card.endsWith(end));
            QCOMPARE(card.count('\n'), 1);
            QCOMPARE(card.count('\r'), format == Cards::Format::Csv ? 1 : 0);
            QVERIFY(!card.startsWith('#'));
            const QStringList fields = Cards::fields(card, format);
            QCOMPARE(fields.size(), 3);
            QCOMPARE(fields.at(2), QString("my_dict"));
            const Star back = Cards::starOf(fields);
            QCOMPARE(back.word, text);
            QCOMPARE(back.lines, star.lines);
            QCOMPARE(back.note, text);

            const QString line = Cards::historyLine(word, format);
            QCOMPARE(line.count('\n'), 1);
            QCOMPARE(Cards::fields(line, format),
                     (QStringList{Cards::fields(line, format).at(0), "3", "2023-11-14T22:13:20Z"}));
            QCOMPARE(Cards::text(Cards::fields(line, format).at(0)), text);

            // Written as an export, it reads back as the word list of its
            // fronts.
            const QString file = dir + (format == Cards::Format::Tsv ? "/cards.tsv" : "/cards.csv");
            TestUtil::writeBytes(file, (Cards::header(format, false) + card + card).toUtf8());
            QCOMPARE(wordsOf(file), QStringList(2, text.trimmed()));
        }
    }

    void wordListsInEveryEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("words");
        const QString text = "run\r\n  走る \n\napple pie\n";
        const QStringList read{"run", "走る", "apple pie"};
        QStringEncoder le(QStringEncoder::Utf16LE), be(QStringEncoder::Utf16BE);
        QTest::newRow("UTF-8") << text.toUtf8() << read;
        QTest::newRow("UTF-8, byte-order mark") << "\xef\xbb\xbf" + text.toUtf8() << read;
        QTest::newRow("UTF-16LE, byte-order mark")
            << "\xff\xfe" + QByteArray(le.encode(text)) << read;
        QTest::newRow("UTF-16BE, byte-order mark")
            << "\xfe\xff" + QByteArray(be.encode(text)) << read;
        QTest::newRow("UTF-16LE") << QByteArray(le.encode(text)) << read;
        QTest::newRow("Shift_JIS") << Generator::toShiftJis(text) << read;
        QTest::newRow("no line end at the end")
            << QByteArray("run\napple") << QStringList{"run", "apple"};
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("a NUL later") << QByteArray("run\napple\0pie\n", 14)
                                     << QStringList{"refused: %1 cannot be imported: it is no "
                                                    "text file (a NUL byte at offset 9)"};
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << QStringList{"refused: %1 cannot be imported: it is no text "
                                               "file (a NUL byte at offset 7)"};
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\nna\xefve\n")
                                 << QStringList{"refused: %1 cannot be imported: it is neither "
                                                "UTF-8, UTF-16 nor Shift_JIS text"};
    }

    void wordListsInEveryEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, words);
        const QString file = TestUtil::writeBytes(dir + "/words.txt", bytes);
        for (QString &word : words)
            word = word.contains("%1") ? word.arg(file) : word;
        QCOMPARE(wordsOf(file), words);
    }

    void importStarsWhatADictionaryHas()
    {
        LookUpFixture::installed(dir, "d");
        Notebook notebook(path());
        QCOMPARE(notebook.open(), Notebook::Opened::Ready);
        QVERIFY(notebook.star({{"run", "", "Eijiro", "old lines", 1, "mine"}}));
        const QString file =
            TestUtil::writeBytes(dir + "/list.txt", "apple\nRUN\npear\nrun out\n\nzzz\n");
        const WordListImport::Outcome outcome = WordListImport::run(file, &notebook);
        QCOMPARE(outcome.error, QString());
        QCOMPARE(outcome.starred, 2);
        QCOMPARE(outcome.already, 1);
        QCOMPARE(outcome.notFound, 2);
        QStringList starred;
        for (const Star &star : starsOf(notebook))
            starred << star.word + "|" + star.note;
        starred.sort();
        // The star made before keeps its lines and note.
        QCOMPARE(starred, (QStringList{"apple|", "run out|", "run|mine"}));

        std::atomic<bool> stop{true};
        QVERIFY(WordListImport::run(file, &notebook, &stop).stopped);
        QVERIFY(
            WordListImport::run(dir + "/none.txt", &notebook).error.contains("cannot be imported"));
    }

    // A damaged file, or another program's database, is moved aside with
    // one line and a new notebook starts; a notebook made by a newer Orvel
    // is left alone.
    void aDamagedFileIsMovedAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("moved");
        QTest::newRow("garbage") << "garbage" << true;
        QTest::newRow("another program's database") << "foreign" << true;
        QTest::newRow("a newer notebook") << "newer" << false;
    }

    void aDamagedFileIsMovedAside()
    {
        QFETCH(QString, kind);
        QFETCH(bool, moved);
        if (kind == "garbage") {
            TestUtil::writeBytes(path(), QByteArray(8192, 'x'));
        } else {
            {
                Notebook made(path());
                QCOMPARE(made.open(), Notebook::Opened::Ready);
                QVERIFY(made.star({{"run", "", "d", "x", 1, ""}}));
            }
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(path());
            QVERIFY(db.open());
            QSqlQuery(db).exec(kind == "foreign" ? "PRAGMA application_id = 7"
                                                 : "PRAGMA user_version = 2");
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("raw");
        }
        MessageCapture capture;
        Notebook notebook(path());
        QString message;
        QCOMPARE(notebook.open(&message),
                 moved ? Notebook::Opened::MovedAside : Notebook::Opened::Failed);
        const QStringList aside = QDir(dir).entryList({"notebook.db.damaged-*"});
        QCOMPARE(aside.size(), moved ? 1 : 0);
        QCOMPARE(capture.lines(QtWarningMsg).size(), moved ? 1 : 0);
        if (moved) {
            QVERIFY2(message.contains(dir + "/" + aside.first()) && !message.contains('\n'),
                     qPrintable(message));
            QVERIFY(notebook.star({{"apple", "", "d", "y", 2, ""}}));
            QCOMPARE(starsOf(notebook).size(), 1);
        } else {
            QCOMPARE(notebook.lastError(), QString("it was made by a newer Orvel"));
        }
    }
};

QTEST_GUILESS_MAIN(NotebookTest)
#include "tst_notebook.moc"
