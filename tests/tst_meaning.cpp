// What the window shows for a typed text when it finds what the user means:
// each rule through orvel-cli show and the core's API, against a slow,
// literal reading of the rules over a generated file with English words
// added; the suggestions' walk against the distance to every key; hostile
// texts.
#include "database/dictionaryremoval.h"
#include "database/indexreader.h"
#include "dictionary/commonness.h"
#include "generator.h"
#include "lookup/baseforms.h"
#include "lookup/searchthread.h"
#include "lookup/wordkeys.h"
#include "lookupfixture.h"
#include "meaningreading.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>

using TestUtil::Run;

namespace {

const QString M = QString(Eijiro::marker);

// English bases and phrases with none of their inflected forms, after a
// generated file.
const QStringList englishLines = {
    M + "run  {動} : 走る",
    M + "Run  {名} : 走ること",
    M + "run out : 尽きる",
    M + "look : 見る",
    M + "look up : 調べる",
    M + "look up to : 尊敬する",
    M + "look like : ～に似ている",
    M + "looks like : ～のようだ",
    M + "study : 勉強する",
    M + "happy  {形} : 幸せな",
    M + "big : 大きい",
    M + "stop : 止まる",
    M + "make : 作る",
    M + "go : 行く",
    M + "take : 取る",
    M + "take off : 離陸する",
    M + "cat : 猫",
    M + "box : 箱",
    M + "hope : 望む",
    M + "hop : 跳ぶ",
    M + "use : 使う",
    M + "us : 私たちを",
    M + "tie : 結ぶ",
    M + "large : 大きい",
    M + "fast : 速い",
    M + "New York : ニューヨーク",
    M + "water : 水",
    M + "waterfall : 滝",
    M + "dictionary : 辞書",
    M + "diction : 言葉遣い",
    M + "走る : run",
    M + "走り書き : scribble",
    M + "ＲＵＮＮＥＲ : 全角",
    M + "the : その",
    M + "mouse : ネズミ",
    M + "wolf : オオカミ",
    M + "buy : 買う",
    M + "catch : 捕まえる",
    M + "criterion : 基準",
};

Run cli(const QString &db, const QStringList &args)
{
    return TestUtil::cli(QStringList{"--database", db} + args);
}

struct Shown
{
    SearchThread::Status status;
    Meaning meaning;
    Page page;
};

Shown show(const QString &text)
{
    Shown shown;
    shown.status = SearchThread::findWhatIMean(text, &shown.page, &shown.meaning);
    return shown;
}

const char *const ruleNames[] = {"word",   "entry", "base",    "fold",
                                 "romaji", "typo",  "nearest", "none"};

// What the core gave, in the shape the slow reading expects.
SlowMeaning::Expected asExpected(const Shown &shown)
{
    return {ruleNames[shown.meaning.rule], shown.meaning.shown,
            shown.meaning.rule == Meaning::None ? QString() : shown.meaning.key, shown.page.note,
            shown.page.suggestions};
}

// Texts a user might type on the way to, or beside, the file's words.
QStringList madeUpTexts(const QStringList &keys, int count)
{
    QRandomGenerator random(35);
    const auto pick = [&random](qsizetype below) { return qsizetype(random.bounded(int(below))); };
    const QStringList endings = {"s", "es", "ed", "d", "ing", "er", "est", "ies", "ied"};
    QStringList texts;
    while (texts.size() < count) {
        QString text = keys[pick(keys.size())].toLower();
        const qsizetype at = pick(text.size());
        switch (random.bounded(8)) {
        case 0: // a prefix
            text = text.left(1 + at);
            break;
        case 1: // inflected, maybe a phrase's first word
            text.insert(text.indexOf(' ') < 0 ? text.size() : text.indexOf(' '),
                        endings[pick(endings.size())]);
            break;
        case 2:
            text.remove(at, 1);
            break;
        case 3:
            text.insert(at, QChar(u'a' + random.bounded(26)));
            break;
        case 4:
            text[at] = QChar(u'a' + random.bounded(26));
            break;
        case 5:
            if (at + 1 < text.size())
                std::swap(text[at], text[at + 1]);
            break;
        case 6: // two edits
            text[at] = u'x';
            text.insert(pick(text.size()), u'q');
            break;
        default: // as typed, in other letter case, white space around
            text = u' ' + text.toUpper() + u'\t';
            break;
        }
        texts << text;
    }
    return texts;
}

// Keys as the index orders them: by code point.
QStringList sortedKeys(QStringList keys)
{
    std::sort(keys.begin(), keys.end(),
              [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    keys.removeDuplicates();
    return keys;
}

} // namespace

class TestMeaning : public QObject
{
    Q_OBJECT

    QString dir, file, db;
    std::unique_ptr<Slow> slow;
    QHash<QString, qint64> counts; // how common slow's keys are

    // `dictionary` installed into a new database `db` (made of `name`).
    void install(const QString &name, const QString &dictionary)
    {
        db = TestUtil::makeDir(name) + "/orvel.db";
        QVERIFY(TestUtil::openFreshDatabase(db));
        QCOMPARE(TestUtil::install(dictionary), int(ConvertThread::Committed));
    }

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("meaning");
        file = dir + "/dict.txt";
        QByteArray bytes = Generator::generate({20000, false, 35});
        for (const QString &line : englishLines)
            bytes += Generator::toShiftJis(line) + "\n";
        TestUtil::writeBytes(file, bytes);
        slow = std::make_unique<Slow>(file);
        counts = SlowMeaning::commonness(*slow);
        install("main", file);
    }

    void rulesFollowTheSlowReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rule"); // the rule the row is there for
        const QList<std::pair<const char *, const char *>> rows = {
            {"run", "word"},        {"RUN", "word"},        {" Run\t", "word"},
            {"走る", "word"},       {"look up", "entry"},   {"LOOK up ", "entry"},
            {"new york", "entry"},  {"cats", "base"},       {"boxes", "base"},
            {"studies", "base"},    {"ties", "base"},       {"looked", "base"},
            {"used", "base"},       {"studied", "base"},    {"stopped", "base"},
            {"looking", "base"},    {"making", "base"},     {"hoping", "base"},
            {"Running", "base"},    {"larger", "base"},     {"faster", "base"},
            {"bigger", "base"},     {"happier", "base"},    {"largest", "base"},
            {"fastest", "base"},    {"biggest", "base"},    {"happiest", "base"},
            {"went", "base"},       {"taken", "base"},      {"ran", "base"},
            {"looked up", "base"},  {"Took off", "base"},   {"wat", "nearest"},
            {"look u", "nearest"},  {"走", "nearest"},      {"ｒｕｎ", "fold"},
            {"waterf", "nearest"},  {"dictionery", "none"}, // a replace
            {"wtaer", "none"},                              // a swap
            {"hapy", "none"},                               // an insert, at the shortest
            {"fastt", "none"},                              // a delete
            {"hpy", "none"},                                // too short for any
            {"wxtxr", "none"},                              // two edits, too short for them
            {"dxctxon", "none"},                            // two edits, at the shortest
            {"waxxrfall", "none"},  {"look upp", "none"},   {"zzzzzzzz", "none"},
            {"\U0001F600", "none"}, // past the last entry
            {"teh", "typo"},        {"TEH ", "typo"},       {"mice", "base"},
            {"wolves", "base"},     {"bought", "base"},     {"caught", "base"},
            {"criteria", "base"},
        };
        for (const auto &[text, rule] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << QString(rule);
        // An entry whose base form is an entry too: the entry comes first.
        QTest::newRow("looks like") << QString("looks like") << QString("entry");
    }

    void rulesFollowTheSlowReading()
    {
        QFETCH(QString, text);
        QFETCH(QString, rule);
        const QStringList suggests = {"dictionery", "wtaer",     "hapy", "fastt",
                                      "dxctxon",    "waxxrfall", "wolg"};
        const SlowMeaning::Expected expected = SlowMeaning::mean(*slow, text, false, counts);
        QCOMPARE(expected.rule, rule);
        QCOMPARE(!expected.suggestions.isEmpty(), suggests.contains(text));

        const Run lines = cli(db, {"show", text});
        QCOMPARE(lines.err, QString());
        QCOMPARE(lines.out, expected.lines());
        QCOMPARE(lines.exit, rule == "none" ? 1 : 0);
        const Run page = cli(db, {"show", "--html", text});
        QCOMPARE(page.out, SlowMeaning::html(*slow, expected, text));
        QCOMPARE(page.exit, lines.exit);
    }

    // The counts stored with the index are those of the slow reading, each
    // key's; a dictionary removed takes its counts along.
    void commonnessFollowsTheSlowReading()
    {
        QVERIFY(counts.value("THE") >= 100); // the typo rows need a common word
        IndexReader reader;
        for (const QString &key : std::as_const(slow->keys)) {
            Records::Commonness stored;
            const Records::Answer answer = reader.commonness(key, 1, &stored);
            QCOMPARE(answer, counts.contains(key) ? Records::Answer::Found : Records::Answer::None);
            QCOMPARE(stored.lines, counts.value(key));
        }
    }

    // Every irregular form in one table: each gives its base first (a
    // phrase's first word too), as English grammar has it.
    void irregularFormsGiveTheirBase_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("base");
        // form>base, as English grammar has it.
        const QString rows =
            "arose>arise arisen>arise awoke>awake awoken>awake was>be were>be been>be is>be am>be "
            "are>be bore>bear borne>bear born>bear beaten>beat beheld>behold became>become "
            "began>begin begun>begin bent>bend bade>bid bidden>bid bound>bind bit>bite bitten>bite "
            "bled>bleed blew>blow blown>blow broke>break broken>break bred>breed brought>bring "
            "built>build burnt>burn bought>buy caught>catch chose>choose chosen>choose clung>cling "
            "came>come crept>creep dealt>deal dug>dig dove>dive did>do done>do does>do drew>draw "
            "drawn>draw dreamt>dream drank>drink drunk>drink drove>drive driven>drive dwelt>dwell "
            "ate>eat eaten>eat fell>fall fallen>fall fed>feed felt>feel fought>fight found>find "
            "fled>flee flung>fling flew>fly flown>fly forbade>forbid forbidden>forbid "
            "foresaw>foresee "
            "foreseen>foresee forgot>forget forgotten>forget forgave>forgive forgiven>forgive "
            "forsook>forsake forsaken>forsake froze>freeze frozen>freeze got>get gotten>get "
            "gave>give "
            "given>give went>go gone>go ground>grind grew>grow grown>grow hung>hang had>have "
            "has>have "
            "heard>hear hid>hide hidden>hide held>hold kept>keep knelt>kneel knew>know known>know "
            "laid>lay led>lead leant>lean leapt>leap learnt>learn left>leave lent>lend lay>lie "
            "lain>lie lit>light lost>lose made>make meant>mean met>meet misled>mislead "
            "mistook>mistake mistaken>mistake mown>mow overcame>overcome overtook>overtake "
            "overtaken>overtake paid>pay proven>prove rode>ride ridden>ride rang>ring rung>ring "
            "rose>rise risen>rise ran>run said>say saw>see seen>see sought>seek sold>sell "
            "sent>send "
            "sewn>sew shook>shake shaken>shake shorn>shear shone>shine shot>shoot shown>show "
            "shrank>shrink shrunk>shrink sang>sing sung>sing sank>sink sunk>sink sat>sit slew>slay "
            "slain>slay slept>sleep slid>slide slung>sling smelt>smell smote>smite smitten>smite "
            "sown>sow spoke>speak spoken>speak sped>speed spelt>spell spent>spend spilt>spill "
            "spun>spin spat>spit spoilt>spoil sprang>spring sprung>spring stood>stand stole>steal "
            "stolen>steal stuck>stick stung>sting stank>stink stunk>stink strode>stride "
            "stridden>stride struck>strike stricken>strike strung>string strove>strive "
            "striven>strive "
            "swore>swear sworn>swear swept>sweep swollen>swell swam>swim swum>swim swung>swing "
            "took>take taken>take taught>teach tore>tear torn>tear told>tell thought>think "
            "throve>thrive thriven>thrive threw>throw thrown>throw trod>tread trodden>tread "
            "underwent>undergo undergone>undergo understood>understand undertook>undertake "
            "undertaken>undertake upheld>uphold woke>wake woken>wake wore>wear worn>wear "
            "wove>weave "
            "woven>weave wept>weep won>win wound>wind withdrew>withdraw withdrawn>withdraw "
            "withheld>withhold wrung>wring wrote>write written>write dying>die lying>lie tying>tie "
            "vying>vie mice>mouse lice>louse geese>goose feet>foot teeth>tooth men>man women>woman "
            "children>child oxen>ox people>person wolves>wolf knives>knife leaves>leaf halves>half "
            "wives>wife lives>life shelves>shelf thieves>thief calves>calf elves>elf hooves>hoof "
            "loaves>loaf scarves>scarf selves>self sheaves>sheaf wharves>wharf potatoes>potato "
            "heroes>hero analyses>analysis crises>crisis diagnoses>diagnosis emphases>emphasis "
            "hypotheses>hypothesis oases>oasis parentheses>parenthesis syntheses>synthesis "
            "theses>thesis criteria>criterion phenomena>phenomenon bacteria>bacterium "
            "curricula>curriculum data>datum media>medium memoranda>memorandum strata>stratum "
            "indices>index matrices>matrix vertices>vertex appendices>appendix apices>apex "
            "cacti>cactus fungi>fungus nuclei>nucleus radii>radius stimuli>stimulus "
            "syllabi>syllabus "
            "alumni>alumnus foci>focus formulae>formula antennae>antenna larvae>larva "
            "vertebrae>vertebra";
        for (const QString &row : rows.split(' ')) {
            const QStringList pair = row.split('>');
            QTest::newRow(qPrintable(row)) << pair[0] << pair[1];
        }
    }

    void irregularFormsGiveTheirBase()
    {
        QFETCH(QString, form);
        QFETCH(QString, base);
        // Before it only what no English word is (potatoes -> potatoe).
        const auto firstWord = [](const QStringList &candidates) {
            for (const QString &candidate : candidates)
                if (!QStringList{"POTATOE", "HEROE"}.contains(candidate.section(' ', 0, 0)))
                    return candidate;
            return QString();
        };
        QCOMPARE(firstWord(BaseForms::of(form.toUpper())), base.toUpper());
        QCOMPARE(firstWord(BaseForms::of(form.toUpper() + " UP")), base.toUpper() + " UP");
    }

    // The keys kept for a prefix are the commonest of all keys that start
    // with it (a marked one first among equals, then key order), in that
    // order, and every prefix more than Records::prefixSpread keys share
    // has them: on dense keys of few letters with few distinct counts, so
    // ties abound.
    void theCommonestOfAPrefixIsKept()
    {
        QRandomGenerator random(12);
        QStringList made;
        for (int i = 0; i < 4000; ++i) {
            QString key;
            for (int n = 1 + random.bounded(6); n > 0; --n)
                key += QChar(u'A' + random.bounded(3));
            made << key;
        }
        std::vector<Records::Common> counts;
        for (const QString &key : sortedKeys(made))
            counts.push_back({key, {random.bounded(4), random.bounded(3) == 0}});
        QHash<QString, Records::PrefixCommon> kept;
        for (const Records::PrefixCommon &best : PrefixBest::of(counts))
            kept.insert(best.prefix, best);
        QHash<QString, int> sharing;
        for (const Records::Common &count : counts)
            for (qsizetype n = 1; n <= count.key.size(); ++n)
                ++sharing[count.key.left(n)];
        for (auto prefix = sharing.cbegin(); prefix != sharing.cend(); ++prefix) {
            QCOMPARE(kept.contains(prefix.key()), prefix.value() > Records::prefixSpread);
            if (!kept.contains(prefix.key()))
                continue;
            QList<Records::Common> starting;
            for (const Records::Common &count : counts)
                if (count.key.startsWith(prefix.key()))
                    starting << count;
            std::stable_sort(starting.begin(), starting.end(), [](const auto &a, const auto &b) {
                return a.commonness.beats(b.commonness);
            });
            QStringList expected, got;
            for (const Records::Common &count : starting.first(Records::prefixKept))
                expected << count.key;
            for (const Records::Common &count : kept[prefix.key()].ranked)
                got << count.key;
            QCOMPARE(got, expected);
        }
    }

    // The counter: a key's words one after another in a line, once a line,
    // ignoring case, Japanese no word; a mark (as a format that marks
    // common words gives it) keeps a key that no line holds.
    void theCounterCountsLinesHoldingTheWords()
    {
        CommonnessCounter counter;
        const QStringList keys = {"IT'S",       "MIZU",      "THE WATER", "WATER",
                                  "WATER SIDE", "WATERFALL", "水",        "WATER"};
        for (const QString &key : keys)
            counter.addKey(key);
        for (const char *text : {"the water of life, water", "Water-side", "a waterfall",
                                 "it's 水 water", "the\twater's edge", "the"})
            counter.countText(QString::fromUtf8(text));
        counter.markCommon("MIZU");
        QStringList got;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            got << QString("%1 %2%3")
                       .arg(keys[i])
                       .arg(counter.commonness(i).lines)
                       .arg(counter.isMarked(keys[i]) ? " marked" : "");
        }
        QCOMPARE(got, QStringList({"IT'S 1", "MIZU 0 marked", "THE WATER 1", "WATER 3",
                                   "WATER SIDE 1", "WATERFALL 1", "水 0", "WATER 3"}));
    }

    // Prefixes, inflections, misspellings and phrases of the file's own
    // words, in the core's API.
    void madeUpTextsFollowTheSlowReading()
    {
        int rules[Meaning::None + 1] = {};
        // Misspellings of the common words as well, for typos.
        QStringList common;
        for (auto count = counts.cbegin(); count != counts.cend(); ++count)
            if (count.value() >= 100 && !count.key().contains(' '))
                common << count.key();
        QVERIFY(!common.isEmpty());
        for (const QString &text :
             madeUpTexts(slow->keys, 400) + madeUpTexts(sortedKeys(common), 60)) {
            const Shown shown = show(text);
            QCOMPARE(asExpected(shown), SlowMeaning::mean(*slow, text, false, counts));
            ++rules[shown.meaning.rule];
        }
        // Every rule of English came up, suggestions among them.
        for (const Meaning::Rule rule :
             {Meaning::Word, Meaning::Entry, Meaning::Base, Meaning::Nearest, Meaning::None})
            QVERIFY(rules[rule] > 5);
        QVERIFY(rules[Meaning::Typo] > 0);
    }

    // The walk over the keys finds what comparing with every key finds:
    // dense keys, so that many are near, of letters, kana and a character
    // beyond the BMP; a key too long for any table.
    void closestKeysAreTheNearestInKeyOrder()
    {
        const QList<QString> letters = {"A", "B", "C", "あ", "\U00020B9F"};
        QRandomGenerator random(7);
        const auto word = [&](int length) {
            QString out;
            for (int i = 0; i < length; ++i)
                out += letters[random.bounded(int(letters.size()))];
            return out;
        };
        QStringList made;
        for (int i = 0; i < 3000; ++i)
            made << word(1 + random.bounded(9));
        const QStringList keys = sortedKeys(made);
        const auto walked = WordKeys::fromSorted(keys);
        for (int i = 0; i < 300; ++i) {
            const QString typed = word(3 + random.bounded(8));
            QStringList expected;
            const QList<uint> code = typed.toUcs4();
            for (int d = 1; d <= 2 && expected.isEmpty() && code.size() >= (d == 1 ? 4 : 7); ++d)
                for (const QString &key : keys)
                    if (expected.size() < 5 && SlowMeaning::distance(code, key.toUcs4()) == d)
                        expected << key;
            QCOMPARE(walked->closest(typed), expected);
        }

        const QString longKey(30000, 'A');
        QString typed = longKey;
        typed[15000] = u'B';
        QCOMPARE(WordKeys::fromSorted({"AB", longKey})->closest(typed), QStringList{longKey});
    }

    // Off, the worker gives the word's own page; on, what is meant, with
    // the rule and the entry word for the history.
    void theWorkerFindsWhatIsMeantOnlyWhenAsked()
    {
        Page parts;
        SearchThread::lookUp("running", &parts);
        for (const bool on : {false, true}) {
            SearchThread thread;
            thread.setWord("running");
            if (on)
                thread.setFindWhatIMean(true);
            QSignalSpy delivered(&thread, qOverload<const QString &>(&SearchThread::finished));
            thread.start();
            QVERIFY(thread.wait(30000));
            QCOMPARE(delivered.size(), 1);
            const QString expected =
                on ? SlowMeaning::html(*slow, SlowMeaning::mean(*slow, "running", false, counts),
                                       "running")
                   : PageHtml::write(parts);
            QCOMPARE(delivered[0][0].toString(), expected);
            QCOMPARE(thread.status(), on ? SearchThread::Found : SearchThread::NotFound);
            QCOMPARE(thread.meaning().rule, on ? Meaning::Base : Meaning::None);
            QCOMPARE(thread.meaning().shown, on ? QString("run") : QString());
        }
    }

    // A database made before the list of every entry word: its entries
    // are its single words.
    void aDatabaseWithoutTheListMeansSingleWords()
    {
        install("old", file);
        QVERIFY(QSqlQuery().exec("DROP TABLE t_entry"));
        for (const char *text : {"look up", "looked up", "running", "look", "wat", "took off",
                                 "dictionery", "look upp"})
            QCOMPARE(asExpected(show(text)), SlowMeaning::mean(*slow, text, true, counts));
    }

    // Suggestions come from the dictionary installed now, not from keys
    // read while another was; its counts go with it.
    void suggestionsFollowTheInstalledDictionary()
    {
        install("changing", file);
        QCOMPARE(show("dictionery").page.suggestions, QStringList{"dictionary"});
        QVERIFY(DictionaryRemoval().remove(1));
        Records::Commonness gone;
        QCOMPARE(IndexReader().commonness("THE", 1, &gone), Records::Answer::None);
        const QString other = TestUtil::writeDictionary(dir + "/other.txt", {M + "Dictionarx : x"});
        QCOMPARE(TestUtil::install(other), int(ConvertThread::Committed));
        QCOMPARE(show("dictionery").page.suggestions, QStringList{"Dictionarx"});
    }

    void hostileTextsGiveAPage_data() { LookUpFixture::addHostileWords(); }

    // A page or the not-found page, whatever the text, soon, with the text
    // escaped; suggestion links give the word back whatever it holds.
    void hostileTextsGiveAPage()
    {
        QFETCH(QString, word);
        const QString sample = LookUpFixture::installed(TestUtil::makeDir("hostile"), "typed");
        const Slow reading(sample);
        QElapsedTimer timer;
        timer.start();
        const Shown shown = show(word);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        const SlowMeaning::Expected expected = SlowMeaning::mean(reading, word);
        QCOMPARE(asExpected(shown), expected);
        QCOMPARE(PageHtml::write(shown.page), SlowMeaning::html(reading, expected, word));
        // As UTF-8 carries it: a lone surrogate (which no dictionary word
        // holds) cannot go.
        QCOMPARE(Page::lookedUpWord(QUrl(Page::lookUpAddress(word))),
                 QString::fromUtf8(word.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestMeaning)
#include "tst_meaning.moc"
