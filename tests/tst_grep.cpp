// The search inside entry lines, through orvel-cli grep and through the
// search itself, against a slow reading of the same files: every entry line
// whose decoded text, without its line end, QString::contains ignoring
// case, whatever bytes are around the match.
#include "generator.h"
#include "lookup/entrysearch.h"
#include "lookup/lineencoding.h"
#include "lookupfixture.h"
#include "slowreading.h"
#include "testutil.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>

#include <memory>
#include <random>

using TestUtil::Run;

namespace {

const SlowGrep &slowGrep(const QString &path)
{
    static QHash<QString, std::shared_ptr<SlowGrep>> read;
    std::shared_ptr<SlowGrep> &slow = read[path];
    if (!slow)
        slow = std::make_shared<SlowGrep>(Slow(path));
    return *slow;
}

EntrySearch::Dictionary dictionary(int id, const QString &path)
{
    return {id, path, QString(), std::nullopt};
}

// The search's rows as orvel-cli prints them; `limit` 0 counts only.
QStringList search(const QList<EntrySearch::Dictionary> &dictionaries, const QString &text,
                   EntrySearch::Outcome *outcome, qint64 limit = -1)
{
    EntrySearch::Request request;
    request.text = text;
    request.dictionaries = dictionaries;
    if (limit >= 0)
        request.limit = limit;
    QStringList rows;
    *outcome = EntrySearch::run(request, [&rows](QList<EntrySearch::Row> &&found) {
        for (const EntrySearch::Row &row : found)
            rows << row.entryWord + u'\t' + row.line;
    });
    return rows;
}

// A character whose two bytes stand across the boundary of two others,
// and those two: "XY" holds Z's bytes but not Z.
struct Straddle
{
    QString x, y, z;
};

Straddle straddle()
{
    QHash<char, QString> byTrail;
    QHash<char, QString> byLead;
    for (char16_t c = 0x4E00; c < 0x9000; ++c) {
        const QByteArray bytes = Generator::toShiftJis(QString(QChar(c)));
        if (bytes.size() == 2 && QStringDecoder("Shift_JIS").decode(bytes) == QString(QChar(c))) {
            byTrail.insert(bytes[1], QString(QChar(c)));
            byLead.insert(bytes[0], QString(QChar(c)));
        }
    }
    for (char16_t c = 0x4E00; c < 0x9000; ++c) {
        const QString z(QChar{c});
        const QByteArray bytes = Generator::toShiftJis(z);
        if (bytes.size() == 2 && byTrail.contains(bytes[0]) && byLead.contains(bytes[1]))
            return {byTrail[bytes[0]], byLead[bytes[1]], z};
    }
    return {};
}

// Lines of random bytes shaped like entry lines: the marker, " : ", ASCII
// letters that are also trail bytes, lead bytes, pairs that are characters
// and pairs that are not, bytes no character has, U+3000, tabs, CR LF.
QByteArray hostileLines(int count, std::mt19937 &random)
{
    const QList<QByteArray> pieces = {
        "a",        "A",        "b",        "\\",       " ",        " : ",      ":",        "\t",
        "\x81\xa1", "\x83\x41", "\x83\x5c", "\x88\x9f", "\x8c\xf5", "\x81\x41", "\x81\x40", "\x81",
        "\x88",     "\xe0",     "\xfc",     "\x80",     "\xa0",     "\xfd",     "\xff",     "\xb1",
        "\x85\x40", "\x81\x20", "\xeb\x40", "\x83\xbf", "\x83\xd0"};
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        if (random() % 5 != 0)
            bytes += "\x81\xa1";
        const int length = int(random() % 12);
        for (int p = 0; p < length; ++p)
            bytes += pieces[random() % pieces.size()];
        bytes += random() % 4 == 0 ? "\r\n" : "\n";
    }
    return bytes;
}

} // namespace

class TestGrep : public QObject
{
    Q_OBJECT

    QString dir;
    // File kind -> the file, and the database it is installed in.
    QHash<QString, QString> files;
    QHash<QString, QString> databases;
    Straddle trap;

    QStringList grepArgs(const QString &kind, const QStringList &args) const
    {
        return QStringList{"--database", databases[kind], "grep"} + args;
    }

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("grep");
        trap = straddle();
        QVERIFY(!trap.z.isEmpty());
        const QString M = LookUpFixture::M;
        files["generated"] = dir + "/generated.txt";
        files["generated, CR LF"] = dir + "/crlf.txt";
        QVERIFY(Generator::write(files["generated"], {4000, false, 7}));
        QVERIFY(Generator::write(files["generated, CR LF"], {4000, true, 7}));
        // Matches that are none: a letter or a backslash as the second
        // byte of a character, a character across two, a line that is not
        // an entry; and letters that fold alike, spaces of all kinds.
        const QStringList traps{M + "ア : ソ表",
                                M + "trap : " + trap.x + trap.y,
                                M + "ΣΑΣ : σας ς",
                                M + "ＲＵＮ : 走る",
                                M + "Ⅱ  {名} : two",
                                M + "tab\there : x",
                                "★word a",
                                " " + M + "lead : a",
                                M + "space\u3000:\u3000a",
                                M + "end :",
                                M + "x" + M + " : ■"};
        files["traps"] = TestUtil::writeDictionary(dir + "/traps.txt", traps);
        QVERIFY(TestUtil::readBytes(files["traps"]).contains(Generator::toShiftJis(trap.z)));
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            databases[it.key()] = dir + "/" + QString::number(databases.size()) + ".db";
            const Run run =
                TestUtil::cli({"--database", databases[it.key()], "install", it.value()});
            QVERIFY2(run.exit == 0, qPrintable(run.err));
        }
        // Two dictionaries in one index, the traps first.
        databases["two"] = databases["the second of two"] = dir + "/two.db";
        for (const QString kind : {"traps", "generated"})
            QCOMPARE(TestUtil::cli({"--database", dir + "/two.db", "install", files[kind]}).exit,
                     0);
        // As an Orvel made it before it recorded the files it installed.
        files["before file records"] = files["generated"];
        databases["before file records"] = dir + "/before.db";
        QVERIFY(QFile::copy(databases["generated"], databases["before file records"]));
        {
            QSqlDatabase before = QSqlDatabase::addDatabase("QSQLITE", "before");
            before.setDatabaseName(databases["before file records"]);
            QVERIFY(before.open() && QSqlQuery(before).exec("DROP TABLE t_file"));
        }
        QSqlDatabase::removeDatabase("before");
    }

    void grepAgreesWithTheSlowReading_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        const QStringList texts{"a", "A", "THE", "tH", "光", "意味", "～について", "、", "【参考】",
                                "■", ":", " : ", "<b>", "&", "\"", "%1", ".*", "[a-z]+",
                                "' OR 1=1 --", "\\", "σ", "ｒｕｎ", "ⅱ", "\t", "\u3000", "■・I ",
                                "ア", trap.z, "zzqxv", QString(10000, u'a'),
                                // Across a line end: the bytes are there, the text is not.
                                "\n", "\r\n", "\n■", "る\n■", "e\r\n■"};
        for (const QString kind : {"generated", "generated, CR LF", "traps"}) {
            for (const QString &text : texts)
                QTest::addRow("%s: %s", qPrintable(kind), qPrintable(text.left(12)))
                    << kind << text;
        }
        for (const QString kind : {"two", "the second of two", "before file records"}) {
            for (const QString &text : {QString("a"), QString("■"), trap.z, QString("zzqxv")})
                QTest::addRow("%s: %s", qPrintable(kind), qPrintable(text)) << kind << text;
        }
    }

    // Every line and only those, in file order, as the entry word, a tab
    // and the line; exit 0 with lines, 1 without.
    void grepAgreesWithTheSlowReading()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        // Two dictionaries: the rows of the first, then those of the second.
        QStringList expected;
        for (const QString &file : kind == "two" ? QStringList{"traps", "generated"}
                                   : kind == "before file records" ? QStringList{"generated"}
                                   : kind == "the second of two"   ? QStringList{"generated"}
                                                                   : QStringList{kind})
            expected += slowGrep(files[file]).grep(text);
        const QStringList only =
            kind == "the second of two" ? QStringList{"--dictionary", "2"} : QStringList();
        const Run run = TestUtil::cli(grepArgs(kind, only + QStringList{"--", text}));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out.split(u'\n'), expected + QStringList{""});
        QCOMPARE(run.exit, expected.isEmpty() ? 1 : 0);
    }

    // The count, read from the bytes where they tell for certain, and the
    // rows, decoded, both as the slow reading has them on random bytes.
    void randomBytesAgreeWithTheSlowReading()
    {
        std::mt19937 random(37);
        const QString file = TestUtil::writeBytes(dir + "/random.txt", hostileLines(3000, random));
        const SlowGrep &slow = slowGrep(file);
        QStringList texts{"a", "A",      "ア",     "\\",   "亜",   ":",
                          " ", "\u3000", "\uFFFD", "\x1a", " : a", "\r"};
        for (int i = 0; i < 60; ++i) {
            const QString &row = slow.texts[random() % slow.texts.size()];
            const int from = int(random() % row.size());
            texts << row.mid(from, 1 + int(random() % 4));
        }
        for (const QString &text : std::as_const(texts)) {
            const QStringList expected = slow.grep(text);
            EntrySearch::Outcome outcome;
            QCOMPARE(search({dictionary(1, file)}, text, &outcome), expected);
            search({dictionary(1, file)}, text, &outcome, 0);
            QVERIFY2(outcome.counted && outcome.count == expected.size(), qPrintable(text));
        }
    }

    // In dictionary order, each dictionary's rows in file order, the count
    // over all; more rows go on after the last one shown, into the next
    // dictionary; a text no line can hold (a lone surrogate) finds none.
    void severalDictionaries()
    {
        const QList<EntrySearch::Dictionary> both{dictionary(7, files["traps"]),
                                                  dictionary(3, files["generated"])};
        const QStringList expected =
            slowGrep(files["traps"]).grep("a") + slowGrep(files["generated"]).grep("a");
        EntrySearch::Outcome outcome;
        QCOMPARE(search(both, "a", &outcome), expected);
        QVERIFY(outcome.counted && outcome.failures.isEmpty());

        EntrySearch::Request request;
        request.text = "a";
        request.dictionaries = both;
        request.limit = 250;
        request.countAll = false;
        QStringList paged;
        for (bool more = true; more;) {
            QList<EntrySearch::Row> page;
            EntrySearch::run(request, [&page](QList<EntrySearch::Row> &&rows) { page += rows; });
            for (const EntrySearch::Row &row : std::as_const(page))
                paged << row.entryWord + u'\t' + row.line;
            more = page.size() == request.limit;
            if (more) {
                request.afterDictionary = page.constLast().dictionary;
                request.afterOffset = page.constLast().offset;
            }
        }
        QCOMPARE(paged, expected);

        QCOMPARE(search(both, QString(QChar(0xD800)), &outcome), QStringList());
        QCOMPARE(outcome.count, qint64(0));
    }

    void utf8AsShiftJis_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString text : {"a", "THE", "光", "～について", "ｒｕｎ", "σ", "■", "\uFFFD"})
            QTest::newRow(qPrintable(text)) << text;
    }

    // A dictionary in UTF-8 gives the rows and the count of the same one
    // in Shift_JIS.
    void utf8AsShiftJis()
    {
        QFETCH(QString, text);
        const QByteArray bytes =
            TestUtil::readBytes(files["traps"]) + TestUtil::readBytes(files["generated"]);
        const QString shiftJis = TestUtil::writeBytes(dir + "/shiftjis.txt", bytes);
        // With a byte-order mark, which the first line is read without.
        const QString decoded = QStringDecoder("Shift_JIS").decode(bytes);
        const QString utf8 =
            TestUtil::writeBytes(dir + "/utf8.txt", "\xEF\xBB\xBF" + decoded.toUtf8());
        EntrySearch::Outcome outcome;
        const QStringList expected = search({dictionary(1, shiftJis)}, text, &outcome);
        QVERIFY(!expected.isEmpty() || text == "\uFFFD");
        EntrySearch::Dictionary inUtf8 = dictionary(2, utf8);
        inUtf8.encoding = "UTF-8";
        QCOMPARE(search({inUtf8}, text, &outcome), expected);
        search({inUtf8}, text, &outcome, 0);
        QCOMPARE(outcome.count, expected.size());
    }

    void theFirstRowsUpToALimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("limit");
        // One row, a block's worth and more, past where the helper's
        // blocks reach, every row; a text of every line and a rare one.
        for (const QString text : {"a", "光"}) {
            for (const qint64 limit : {1, 2999, 3500, 30000, 100000})
                QTest::addRow("%s, %lld", qPrintable(text), limit) << text << limit;
        }
    }

    // With a limit and no count, the rows are the first ones of the file,
    // as many as asked for where it has them.
    void theFirstRowsUpToALimit()
    {
        QFETCH(QString, text);
        QFETCH(qint64, limit);
        const QString file = dir + "/limits.txt";
        if (!QFileInfo::exists(file))
            QVERIFY(Generator::write(file, {60000, false, 8}));
        EntrySearch::Request request;
        request.text = text;
        request.dictionaries = {dictionary(1, file)};
        request.limit = limit;
        request.countAll = false;
        QStringList rows;
        const EntrySearch::Outcome outcome =
            EntrySearch::run(request, [&rows](QList<EntrySearch::Row> &&found) {
                for (const EntrySearch::Row &row : found)
                    rows << row.entryWord + u'\t' + row.line;
            });
        QCOMPARE(rows, slowGrep(file).grep(text).mid(0, limit));
        QCOMPARE(outcome.count, qint64(rows.size()));
        QVERIFY(outcome.failures.isEmpty() && !outcome.stopped);
    }

    // A stop request ends the search within a block: no row after it.
    void aStopEndsTheSearchAtOnce()
    {
        const QString file = dir + "/stop.txt";
        QVERIFY(Generator::write(file, {60000, false, 3}));
        EntrySearch::Request request;
        request.text = "a";
        request.dictionaries = {dictionary(1, file)};
        std::atomic<bool> stop{false};
        int parts = 0;
        int afterStop = 0;
        const EntrySearch::Outcome outcome = EntrySearch::run(
            request,
            [&](QList<EntrySearch::Row> &&) {
                afterStop += stop;
                ++parts;
                stop = true;
            },
            &stop);
        QVERIFY(outcome.stopped && !outcome.counted);
        QCOMPARE(parts, 1);
        QCOMPARE(afterStop, 0);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("file changed") << "changed" << QStringList{"a"} << "rebuild its index";
        QTest::newRow("file gone") << "gone" << QStringList{"a"} << "cannot open";
        QTest::newRow("no such id")
            << "" << QStringList{"--dictionary", "9", "a"} << "no dictionary with id 9";
        QTest::newRow("empty text") << "" << QStringList{""} << "empty";
        QTest::newRow("wrong id") << "" << QStringList{"--dictionary", "x", "a"} << "'x'";
    }

    // A line on stderr saying what failed, exit 2.
    void failures()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const QString file = TestUtil::writeDictionary(dir + "/dict.txt", LookUpFixture::sample);
        const QString db = dir + "/failures.db";
        QFile::remove(db);
        QCOMPARE(TestUtil::cli({"--database", db, "install", file}).exit, 0);
        if (change == "changed")
            TestUtil::writeDictionary(file, LookUpFixture::sample + QStringList{"■added : a"});
        if (change == "gone")
            QVERIFY(QFile::remove(file));
        const Run run = TestUtil::cli(QStringList{"--database", db, "grep"} + args);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QCOMPARE(run.exit, 2);
    }

    // The file changes while it is searched: the search says so.
    void changedWhileSearched()
    {
        const QString file = dir + "/changing.txt";
        QVERIFY(Generator::write(file, {20000, false, 5}));
        EntrySearch::Request request;
        request.text = "a";
        request.dictionaries = {dictionary(4, file)};
        const EntrySearch::Outcome outcome =
            EntrySearch::run(request, [&file](QList<EntrySearch::Row> &&) {
                QFile grown(file);
                QVERIFY(grown.open(QIODevice::Append));
                grown.write("x");
            });
        QCOMPARE(outcome.failures.size(), 1);
        QVERIFY(outcome.failures.first().fileChanged);
        QCOMPARE(outcome.failures.first().dictionary, 4);
    }

    // Shortened while it is searched, far behind the blocks read so far:
    // the pages past its new end read as nothing, the process goes on,
    // and the search says the file changed; the next search reads it as
    // it is now.
    void shortenedWhileSearched()
    {
        const QString file = dir + "/shortened.txt";
        QVERIFY(Generator::write(file, {60000, false, 6}));
        const qint64 kept = 100 << 10;
        QVERIFY(QFileInfo(file).size() >
                kept + (EntrySearch::blocksAhead + 2) * EntrySearch::blockBytes);
        EntrySearch::Request request;
        request.text = "a";
        request.dictionaries = {dictionary(5, file)};
        const EntrySearch::Outcome outcome =
            EntrySearch::run(request, [&file, kept](QList<EntrySearch::Row> &&) {
                QFile shortened(file);
                if (shortened.size() > kept)
                    QVERIFY(shortened.resize(kept));
            });
        QCOMPARE(outcome.failures.size(), 1);
        QVERIFY(outcome.failures.first().fileChanged);

        EntrySearch::Outcome again;
        QCOMPARE(search({dictionary(5, file)}, "a", &again), slowGrep(file).grep("a"));
        QVERIFY(again.failures.isEmpty());
    }

    void sequencesOfAUnit_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("unit");
        // Letters and their cases, full-width ones, a unit two byte pairs
        // stand for (∵), one folded from two (σ, ς, Σ), the space,
        // kana, the stand-in.
        for (const QString encoding : {"", "UTF-8"}) {
            for (const QString unit : {"a", "Z", "ｒ", "Ｒ", "∵", "σ", "ς", "Σ", "\u3000", "ア",
                                       "■", "\\", "~", "\uFFFD"})
                QTest::addRow("%s %s", encoding.isEmpty() ? "Shift_JIS" : "UTF-8", qPrintable(unit))
                    << encoding << unit;
        }
    }

    // The byte sequences the search looks for, for a unit and its cases,
    // as ICU decodes them: every one whose unit folds as the unit does.
    void sequencesOfAUnit()
    {
        QFETCH(QString, encoding);
        QFETCH(QString, unit);
        const char16_t c = unit.front().unicode();
        const LineEncoding::Forms &forms = LineEncoding::named(encoding).forms();
        const auto sorted = [](QList<QByteArray> list) {
            std::sort(list.begin(), list.end());
            return list;
        };
        const char16_t folded = char16_t(QChar::toCaseFolded(c));
        QList<QByteArray> folding, exactly;
        const auto take = [&](const QByteArray &bytes, const QString &decoded) {
            if (decoded.size() != 1)
                return;
            if (QChar::toCaseFolded(decoded.front().unicode()) == folded)
                folding << bytes;
            if (decoded.front() == c)
                exactly << bytes;
        };
        if (encoding.isEmpty()) {
            QStringDecoder icu("Shift_JIS", QStringConverter::Flag::Stateless);
            const auto read = [&icu](const QByteArray &bytes) {
                icu.resetState();
                return QString(icu.decode(bytes));
            };
            for (int b = 0; b < 256; ++b) {
                const QByteArray one(1, char(b));
                if (!read(one).isEmpty()) {
                    take(one, read(one));
                    continue;
                }
                for (int t = 0; t < 256; ++t) {
                    const QByteArray pair = one + char(t);
                    if (read(pair) != read(QByteArray(1, char(t))))
                        take(pair, read(pair));
                }
            }
        } else {
            for (int u = 0; u < 0x10000; ++u) {
                if (!QChar::isSurrogate(char32_t(u)))
                    take(QString(QChar(u)).toUtf8(), QString(QChar(u)));
            }
        }
        QCOMPARE(sorted(forms.folding(c)), sorted(folding));
        QCOMPARE(sorted(forms.exactly(c)), sorted(exactly));
    }
};

QTEST_GUILESS_MAIN(TestGrep)
#include "tst_grep.moc"
