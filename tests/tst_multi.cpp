// Several dictionaries at once: the merged page and word list of two and
// three dictionaries (English and Japanese heads, keys they share, one
// switched off, the order changed) against a slow reading of each file; a
// UTF-8 file against the same dictionary in Shift_JIS; encodings refused;
// look-ups while another dictionary installs; an EDICT dictionary among
// them.
#include "database/dictionarysettings.h"
#include "database/indexreader.h"
#include "dictionary/convertthread.h"
#include "edictgenerator.h"
#include "edictreading.h"
#include "generator.h"
#include "lookup/edictrenderer.h"
#include "lookup/wordlistthread.h"
#include "lookupfixture.h"
#include "slowreading.h"
#include "testutil.h"

#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <thread>

using namespace LookUpFixture;

constexpr int windowLines = SearchThread::windowLines;

namespace {

struct Dictionary
{
    QString name;
    QStringList lines;
    bool utf8 = false; // written in UTF-8 with a byte-order mark
};

// The sample with "run" long enough to go on past a window.
QStringList withLongRun()
{
    QStringList lines = sample;
    for (int i = 3; i <= SearchThread::windowLines + 2; ++i)
        lines.insert(i, QString("%1run  {名-%2} : 走り %2").arg(M).arg(i));
    return lines;
}

const QList<Dictionary> dictionaries = {
    {"English", withLongRun() + QStringList{M + "Water  {名} : 水", M + "ru : ルテニウム",
                                            M + "sunset : 日没", M + "ＡＢＣ : 全角"}},
    {"和英 <b>&amp;</b>",
     {M + "水  {名} : water", M + "走る  {動} : run■・走り回る", M + "run : 走ること",
      M + "りんご : apple", M + "水遊び : water play"},
     true},
    {"Abbreviations",
     {M + "ASAP : as soon as possible", M + "RUN  {略} : 走査", M + "tail : 尾部",
      M + "sunrise : 日の出"}},
    // A key beyond the BMP: before the full-width one in UTF-16, after it
    // in code point order.
    {"Extension B", {M + "\U00020BB7 : よし"}, true},
};

QByteArray encoded(const Dictionary &dictionary, const QByteArray &eol = "\n")
{
    QByteArray bytes = dictionary.utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QString &line : dictionary.lines)
        bytes += (dictionary.utf8 ? line.toUtf8() : Generator::toShiftJis(line)) + eol;
    return bytes;
}

// Installs `file` as `name`; its id, or 0.
int install(const QString &file, const QString &name)
{
    ConvertThread thread;
    thread.setDictionary(name, file);
    thread.start();
    thread.wait();
    return thread.outcome() == ConvertThread::Committed ? thread.installedId() : 0;
}

// A section of a page of several, as the reader sees it: under its
// dictionary's name, the anchor of the top line's link `number` (none: 0).
QString section(const QString &name, int number, const Page &page)
{
    const QString shown = name.toHtmlEscaped();
    return "<h3 style='background-color:#dde6f0'>" +
           (number > 0 ? QString("<a name=\"section-%1\">%2</a>").arg(number).arg(shown) : shown) +
           "</h3>" + PageHtml::write(page);
}

// The section of an EDICT file's `lines` for `word`, read slowly: every
// line with its key, common ones first, then the ten keys after it in code
// point order, each as its first line spells it; without a line of the key,
// those from the first key that begins with it. `count`: lines of the key.
Page edictSection(const QStringList &lines, const QString &word, int *count)
{
    const QString key = word.toUpper();
    std::map<QList<uint>, std::pair<QString, QString>> keys; // key, spelling
    QStringList common, other;
    for (const QString &line : lines) {
        const std::optional<SlowEdict::Line> read = SlowEdict::read(line);
        for (qsizetype i = 0; read && i < read->keys.size(); ++i)
            keys.emplace(read->keys[i].toUcs4(), std::pair(read->keys[i], read->spellings[i]));
        if (read && read->keys.contains(key))
            (read->common ? common : other) << line;
    }
    *count = int(common.size() + other.size());
    EdictRenderer renderer(word, key);
    for (const QString &line : common + other)
        renderer.renderLine(line);
    Page page = *count > 0 ? renderer.finish() : Page();
    auto from = *count > 0 ? keys.upper_bound(key.toUcs4()) : keys.lower_bound(key.toUcs4());
    if (*count == 0 && (from == keys.end() || !from->second.first.startsWith(key)))
        return page;
    PageBlock then{PageBlock::Then, QString(), {}};
    for (int n = 0; from != keys.end() && n < SearchThread::foldedWords; ++from, ++n) {
        if (n > 0)
            then.cuts << then.text.size();
        then.text += from->second.second;
    }
    if (!then.text.isEmpty())
        page.blocks.append(then);
    return page;
}

// A page of several, built a section at a time: the top line links to
// those with lines of the word (`count`), with how many.
struct Several
{
    QStringList links;
    QString sections;

    void add(const QString &name, const Page &page, int count)
    {
        if (page.blocks.isEmpty())
            return;
        if (count > 0)
            links << QString("<a href=\"#section-%1\">%2 (%3)</a>")
                         .arg(links.size() + 1)
                         .arg(name.toHtmlEscaped())
                         .arg(count);
        sections += section(name, count > 0 ? int(links.size()) : 0, page);
    }
    // The not-found page of `word` without a section.
    QString page(const QString &word) const
    {
        if (sections.isEmpty())
            return PageHtml::write(ResultRenderer(word).finish());
        if (links.isEmpty())
            return sections;
        return "<p>" + Page::contentsLead() + " " + links.join(", ") + "</p>" + sections;
    }
};

// How a section of a page of several is read slowly: its page and how many
// lines of the word it has.
using SectionReading = std::function<Page(const Slow &, int *count)>;

} // namespace

class TestMulti : public QObject
{
    Q_OBJECT

    QString dir;
    // The dictionaries of the current row in the order of `dictionaries`,
    // their slow readings, and the ids switched on in the user's order.
    QList<std::shared_ptr<Slow>> slow;
    QList<int> order;

    // The ids of the dictionaries whose sections go on, in the page's
    // order, as the last expectedPage() read them.
    QList<int> expectedMore;

    // The page of the dictionaries switched on, read slowly: of one, `read`
    // gives its page. Of several, `sectionOf` gives each one's section: the
    // top line names those with lines of the word, with how many, each a
    // link to its section; the sections in the user's order.
    QString expectedPage(const QString &word, const std::function<Page(const Slow &)> &read,
                         const SectionReading &sectionOf)
    {
        expectedMore.clear();
        if (order.size() == 1) {
            const Page page = read(*slow[order.first() - 1]);
            return PageHtml::write(page.isResult() ? page : ResultRenderer(word).finish());
        }
        Several several;
        for (const int id : std::as_const(order)) {
            int count = 0;
            Page page = sectionOf(*slow[id - 1], &count);
            for (PageBlock &block : page.blocks) {
                if (block.kind == PageBlock::More) {
                    block.marked = expectedMore.size();
                    expectedMore << id;
                }
            }
            several.add(dictionaries[id - 1].name, page, count);
        }
        return several.page(word);
    }

    // The first key of the dictionaries read that starts with `text`; none
    // when there is none.
    QString nearest(const QString &text)
    {
        QString first;
        for (const int id : std::as_const(order)) {
            for (const QString &key : slow[id - 1]->keys) {
                if (key.startsWith(text.toUpper()) &&
                    (first.isNull() || key.toUcs4() < first.toUcs4()))
                    first = key;
            }
        }
        return first;
    }

    // The dictionary whose lines a page of `word` goes on with: the last
    // section's, when its word's lines go on past its window.
    int goesOnIn(const QString &word)
    {
        const QString key = word.toUpper();
        int last = 0;
        for (const int id : std::as_const(order)) {
            if (slow[id - 1]->first.contains(key))
                last = id;
        }
        if (last == 0)
            return 0;
        const Slow &reading = *slow[last - 1];
        const int after = reading.first[key] + SearchThread::windowLines;
        return after < reading.lines.size() &&
                       Reference::read(reading.lines[after]).entryWord.toUpper() == key
                   ? last
                   : 0;
    }

    // The rows from `text` on, each key once in code point order, spelt
    // as the first dictionary in the order that has it.
    QStringList expectedList(const QString &text, int limit)
    {
        QList<const Slow *> readings;
        for (const int id : std::as_const(order))
            readings << slow[id - 1].get();
        return mergedList(readings, text, limit);
    }

private slots:
    void initTestCase() { dir = TestUtil::makeDir("multi"); }

    void pagesAndListsOfSeveralFollowTheSlowReading_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("two") << QStringList{"install 1", "install 2"} << QList<int>{1, 2};
        QTest::newRow("three") << QStringList{"install 1", "install 2", "install 3"}
                               << QList<int>{1, 2, 3};
        QTest::newRow("one switched off")
            << QStringList{"install 1", "install 2", "install 3", "off 2"} << QList<int>{1, 3};
        QTest::newRow("order changed")
            << QStringList{"install 1", "install 2", "install 3", "order 3 1 2"}
            << QList<int>{3, 1, 2};
        QTest::newRow("all but one off")
            << QStringList{"install 1", "install 2", "off 1"} << QList<int>{2};
        QTest::newRow("the long entry last")
            << QStringList{"install 1", "install 2", "install 3", "order 2 3 1"}
            << QList<int>{2, 3, 1};
        QTest::newRow("four, one beyond the BMP")
            << QStringList{"install 1", "install 2", "install 3", "install 4"}
            << QList<int>{1, 2, 3, 4};
    }

    void pagesAndListsOfSeveralFollowTheSlowReading()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, shown);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/" + QTest::currentDataTag() + ".db"));
        slow.clear();
        for (const QString &step : std::as_const(steps)) {
            const QStringList words = step.split(' ');
            if (words[0] == "install") {
                const Dictionary &d = dictionaries[words[1].toInt() - 1];
                const QString file =
                    TestUtil::writeBytes(dir + "/" + words[1] + ".txt", encoded(d));
                QCOMPARE(install(file, d.name), words[1].toInt());
                slow << std::make_shared<Slow>(file);
            } else if (words[0] == "off") {
                QVERIFY(DictionarySettings().setEnabled(words[1].toInt(), false));
            } else {
                QVERIFY(DictionarySettings().setOrder(
                    {words[1].toInt(), words[2].toInt(), words[3].toInt()}));
            }
        }
        order = shown;
        for (const QString word :
             {"run", "RUN", "水", "走る", "tail", "apple", "asap", "ru", "none"}) {
            const LookUp typed = lookUp(word);
            const QString key = word.toUpper();
            QCOMPARE(typed.page, expectedPage(
                                     word, [&](const Slow &s) { return s.typed(word); },
                                     [&](const Slow &s, int *count) {
                                         return s.section(key, word, !key.contains(u' '), true,
                                                          windowLines, count);
                                     }));
            QCOMPARE(typed.status == SearchThread::Found, !typed.page.contains("is not found"));
            // One dictionary's page goes on at its end; each section of
            // several at its own link, with the rest of its lines only.
            const PageContinuation &next = typed.model.next;
            QCOMPARE(next.isValid() ? next.dictionary : 0, order.size() == 1 ? goesOnIn(word) : 0);
            QList<int> goesOn;
            for (const PageContinuation &more : typed.model.more)
                goesOn << more.dictionary;
            QCOMPARE(goesOn, expectedMore);
            for (qsizetype i = 0; i < typed.model.more.size(); ++i) {
                Page window;
                QCOMPARE(SearchThread::lookUpNext(typed.model.more[i], &window),
                         SearchThread::Found);
                Page extended = typed.model;
                extended.extendSection(i, window.blocks, window.next);
                // The section as if its window were twice as long.
                int count = 0;
                Page whole =
                    slow[goesOn[i] - 1]->section(key, word, true, true, 2 * windowLines, &count);
                whole.blocks.prepend({PageBlock::Dictionary, dictionaries[goesOn[i] - 1].name, {}});
                const auto from = std::find_if(
                    extended.blocks.cbegin(), extended.blocks.cend(), [&](const PageBlock &b) {
                        return b.kind == PageBlock::Dictionary && b.text == whole.blocks[0].text;
                    });
                QVERIFY(from != extended.blocks.cend());
                const qsizetype at = from - extended.blocks.cbegin();
                QVERIFY(at + whole.blocks.size() <= extended.blocks.size());
                for (qsizetype b = 1; b < whole.blocks.size(); ++b) {
                    const PageBlock &got = extended.blocks[at + b], &want = whole.blocks[b];
                    QCOMPARE(got.kind, want.kind);
                    QCOMPARE(got.text, want.text);
                    QCOMPARE(got.cuts, want.cuts);
                }
            }
        }
        // What the user means, across them all: the rule that holds in any.
        QList<std::pair<QString, QString>> meant = {
            {"水", "水"}, {"runs", "RUN"}, {"水遊", "水遊び"}, {"tails", "TAIL"}};
        // The first key in key order, whichever dictionary has it.
        if (const QString first = nearest("sun"); !first.isNull())
            meant.append({"sun", first});
        for (const auto &[text, key] : meant) {
            Page page;
            Meaning meaning;
            SearchThread::findWhatIMean(text, &page, &meaning);
            page.note.clear();
            const QString upper = key.toUpper();
            const bool word = meaning.rule == Meaning::Word;
            const QString expected = expectedPage(
                text,
                [&](const Slow &s) {
                    return !s.first.contains(upper) ? Page()
                           : word                   ? s.typed(text)
                                                    : s.entry(upper);
                },
                [&](const Slow &s, int *count) {
                    return s.section(upper, word ? text : s.shown[upper], true, false, windowLines,
                                     count);
                });
            QCOMPARE(PageHtml::write(page), expected);
        }
        for (const QString text : {"", "r", "RUN ", "水", "t", "zz"}) {
            const WordListThread::List list = WordListThread::list(WordListThread::from(text, 25));
            QCOMPARE(list.status, WordListThread::Listed);
            QStringList spelt;
            for (const WordListThread::Row &row : list.rows)
                spelt << row.shown;
            QCOMPARE(spelt, expectedList(text, 25));
            // Picking a row shows every dictionary's page for its key.
            for (const WordListThread::Row &row : list.rows) {
                Page page;
                SearchThread::lookUpEntry(row.key, &page);
                QCOMPARE(PageHtml::write(page),
                         expectedPage(
                             row.key,
                             [&](const Slow &s) {
                                 return s.first.contains(row.key) ? s.entry(row.key) : Page();
                             },
                             [&](const Slow &s, int *count) {
                                 return s.section(row.key, s.shown[row.key], true, false,
                                                  windowLines, count);
                             }));
            }
        }
    }

    void utf8FilesReadAsTheSameDictionaryInShiftJis_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::addColumn<int>("marks");       // byte-order marks first
        QTest::addColumn<bool>("asciiFirst"); // a MiB of ASCII before the first entry
        QTest::newRow("LF, byte-order mark") << QByteArray("\n") << 1 << false;
        // A file made by joining two: nothing of its first line is lost.
        QTest::newRow("LF, two byte-order marks") << QByteArray("\n") << 2 << false;
        QTest::newRow("LF") << QByteArray("\n") << 0 << false;
        QTest::newRow("CR LF") << QByteArray("\r\n") << 0 << false;
        // The first bytes that are not ASCII decide, wherever they are.
        QTest::newRow("LF, a MiB of ASCII first") << QByteArray("\n") << 0 << true;
    }

    // The same rows for the same lines, the same list and pages byte for
    // byte; only the encoding recorded differs.
    void utf8FilesReadAsTheSameDictionaryInShiftJis()
    {
        QFETCH(QByteArray, eol);
        QFETCH(int, marks);
        QFETCH(bool, asciiFirst);
        Dictionary d{"d", sample + dictionaries[0].lines + dictionaries[1].lines, false};
        struct Read
        {
            QStringList rows, list, pages;
            QString encoding;
        };
        const auto read = [&](bool utf8) {
            d.utf8 = utf8;
            QByteArray bytes = encoded(d, eol);
            if (utf8)
                bytes.replace(0, 3, QByteArray("\xEF\xBB\xBF").repeated(marks));
            if (asciiFirst)
                bytes.prepend(
                    (QByteArray("# ASCII alone, no entry line").repeated(30) + eol).repeated(1200));
            const QString file = TestUtil::writeBytes(
                dir + (utf8 ? "/u" : "/s") + QTest::currentDataTag() + ".txt", bytes);
            [&] { QVERIFY(TestUtil::openFreshDatabase(file + ".db")); }();
            [&] { QCOMPARE(install(file, "d"), 1); }();
            const Slow reading(file);
            Read out;
            // Each row as its key and the number of its line.
            for (const QString &row : TestUtil::contents(file + ".db").words)
                out.rows << row.section(' ', 3) + " @" +
                                QString::number(
                                    reading.offsets.indexOf(row.section(' ', 2, 2).toLongLong()));
            for (const WordListThread::Row &row :
                 WordListThread::list(WordListThread::from("", 100)).rows) {
                Page page;
                SearchThread::lookUpEntry(row.key, &page);
                out.list << row.shown;
                out.pages << PageHtml::write(page) + lookUp(row.shown).page;
            }
            QSqlQuery query("SELECT encoding FROM t_dictionary");
            out.encoding = query.next() ? query.value(0).toString() : "<none>";
            return out;
        };
        const Read shiftJis = read(false), utf8 = read(true);
        QCOMPARE(utf8.rows, shiftJis.rows);
        QVERIFY(!utf8.rows.join(' ').contains("@-1"));
        QCOMPARE(utf8.list, shiftJis.list);
        QCOMPARE(utf8.pages, shiftJis.pages);
        QCOMPARE(shiftJis.encoding, QString(""));
        QCOMPARE(utf8.encoding, QString("UTF-8"));
    }

    void otherEncodingsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<qint64>("at"); // the byte named, if any
        const QByteArray line = QString(M + "水 : water\n").toUtf8();
        const QByteArray mark("\xEF\xBB\xBF");
        // UTF-8 from its first bytes that are not ASCII, broken anywhere after.
        QTest::newRow("UTF-8, then not")
            << line.repeated(100000) + "\x81\xA1x : y\n"
            << int(ConvertThread::NotUtf8) << qint64(line.size()) * 100000;
        QTest::newRow("UTF-8, a bad byte on line 2")
            << line + "\xFF" + line << int(ConvertThread::NotUtf8) << qint64(line.size());
        QTest::newRow("UTF-8, a bad byte on line 1")
            << line.left(8) + "\xC3(" + line << int(ConvertThread::NotUtf8) << qint64(8);
        QTest::newRow("a byte-order mark, then bad UTF-8 on line 2")
            << mark + line + "\x81\xA1x : y\n"
            << int(ConvertThread::NotUtf8) << qint64(mark.size() + line.size());
        QTest::newRow("UTF-8 cut at the end")
            << line + line.left(5) << int(ConvertThread::NotUtf8) << qint64(line.size() + 3);
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("UTF-16") << QByteArray(utf16(M + "水 : water\n"))
                                << int(ConvertThread::Utf16) << qint64(-1);
        QStringEncoder eucJp("EUC-JP");
        QTest::newRow("EUC-JP") << QByteArray(eucJp(M + "水 : water\n"))
                                << int(ConvertThread::NoEntryLines) << qint64(-1);
    }

    // One line naming the encodings Orvel reads; nothing is installed.
    void otherEncodingsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        QFETCH(qint64, at);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/refused.db"));
        const QString file = TestUtil::writeBytes(dir + "/refused.txt", bytes);
        const TestUtil::Build build = TestUtil::build(file);
        QCOMPARE(int(build.outcome), outcome);
        QVERIFY2(build.error.contains("Shift_JIS or") && build.error.contains("UTF-8") &&
                     !build.error.contains('\n') &&
                     (at < 0 || build.error.contains(QString(" from byte %1 ").arg(at))),
                 qPrintable(build.error));
        QCOMPARE(TestUtil::contents(dir + "/refused.db").all(), QStringList());
    }

    void edictSectionAmongSeveral_data()
    {
        QTest::addColumn<QString>("word");
        for (const char *word : {"水", "みず", "water", "eat", "run", "wat", "すい", "zzz"})
            QTest::newRow(word) << QString::fromUtf8(word);
    }

    // The EDICT file's section beside an Eijiro one's, against the slow
    // readings of both, in the window and in orvel-cli's text.
    void edictSectionAmongSeveral()
    {
        QFETCH(QString, word);
        const QString db = dir + "/edict-" + QTest::currentDataTag() + ".db";
        QVERIFY(TestUtil::openFreshDatabase(db));
        const Dictionary &eijiro = dictionaries[1];
        const QString eijiroFile = TestUtil::writeBytes(dir + "/eijiro.txt", encoded(eijiro));
        QStringList edict = EdictGenerator::lines({300, 5, EdictGenerator::Encoding::EucJp});
        edict << "水 [みず] /(n) water/(P)/"
              << "水 [すい] /(n) (abbr) Wednesday/"
              << "お冷 [おひや] /(n) cold water/"
              << "水泳 [すいえい] /(n,vs) swimming/(P)/"
              << "ウォーター /(n) water/";
        const QString edictFile = TestUtil::writeBytes(
            dir + "/edict",
            EdictGenerator::encode(edict.join('\n') + '\n', EdictGenerator::Encoding::EucJp));
        QCOMPARE(install(eijiroFile, eijiro.name), 1);
        QCOMPARE(install(edictFile, "EDICT"), 2);

        const QString key = word.toUpper();
        int counts[2] = {0, 0};
        const Page pages[2] = {
            Slow(eijiroFile).section(key, word, true, true, windowLines, &counts[0]),
            edictSection(edict, word, &counts[1])};
        Several several;
        several.add(eijiro.name, pages[0], counts[0]);
        several.add("EDICT", pages[1], counts[1]);
        QCOMPARE(lookUp(word).page, several.page(word));

        // The command line's text: the EDICT section's folded line under its name.
        const TestUtil::Run run = TestUtil::cli({"--database", db, "lookup", word});
        QCOMPARE(run.exit, several.sections.isEmpty() ? 1 : 0);
        const auto then =
            std::find_if(pages[1].blocks.cbegin(), pages[1].blocks.cend(),
                         [](const PageBlock &b) { return b.kind == PageBlock::Then; });
        if (then == pages[1].blocks.cend())
            return;
        QStringList words;
        for (qsizetype i = 0; i < then->pieceCount(); ++i)
            words << then->piece(i).toString();
        const qsizetype at = run.out.indexOf("== EDICT ==\n");
        QVERIFY2(at >= 0, qPrintable(run.out));
        QVERIFY2(run.out.indexOf("\nThen: " + words.join(", ") + "\n", at) > at,
                 qPrintable(run.out));
    }

    // While a second dictionary installs, every look-up finds the first
    // one's page, and from its commit on the page of both.
    void lookUpsGoOnWhileAnotherInstalls()
    {
        QVERIFY(TestUtil::openFreshDatabase(dir + "/during.db"));
        const QString first = TestUtil::writeBytes(dir + "/first.txt", encoded(dictionaries[0]));
        QCOMPARE(install(first, "first"), 1);
        const QString before = lookUp("run").page;
        const QString big = dir + "/big.txt";
        QVERIFY(Generator::write(big, {200000, false, 8}));
        std::atomic_bool done{false};
        QStringList seen;
        std::thread reader([&] {
            while (!done) {
                const LookUp r = lookUp("run");
                if (!seen.contains(r.page))
                    seen << r.page;
            }
        });
        QCOMPARE(install(big, "big"), 2);
        const QString after = lookUp("run").page;
        done = true;
        reader.join();
        int count = 0;
        Page own = Slow(first).section("RUN", "run", true, true, windowLines, &count);
        // Its lines go on at the page's first link of that kind.
        for (PageBlock &block : own.blocks)
            block.marked = block.kind == PageBlock::More ? 0 : block.marked;
        QVERIFY(after.contains(section("first", 1, own)));
        for (const QString &page : std::as_const(seen))
            QVERIFY2(page == before || page == after, qPrintable(page.left(300)));
        QVERIFY(seen.contains(before));
    }
};

QTEST_GUILESS_MAIN(TestMulti)
#include "tst_multi.moc"
