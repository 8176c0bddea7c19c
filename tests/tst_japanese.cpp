// What the window shows for Japanese as a learner types it (inflected
// forms, romaji, kana and width typed another way): each rule through
// orvel-cli show against the slow reading, on a small generated
// Japanese-English dictionary with the words below after it, in each
// format a dictionary gives its parts of speech in, and without them; the
// readings of romaji and folding on their own; hostile texts.
#include "generator.h"
#include "lookup/fold.h"
#include "lookup/romaji.h"
#include "lookupfixture.h"
#include "meaningreading.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QTest>

using TestUtil::Run;

namespace {

// Dictionary forms of every class, with their parts of speech as EDICT
// spells them, and words to fold and to type in romaji; かつ (a noun) and
// かる (a verb) both read かった, only the tags tell which.
struct Word
{
    const char *word, *tags, *gloss;
};
const Word words[] = {
    {"食べる", "v1", "eat"},         {"たべる", "v1", "eat"},     {"見る", "v1", "see"},
    {"きる", "v1", "wear"},          {"書く", "v5k", "write"},    {"泳ぐ", "v5g", "swim"},
    {"話す", "v5s", "speak"},        {"待つ", "v5t", "wait"},     {"死ぬ", "v5n", "die"},
    {"遊ぶ", "v5b", "play"},         {"読む", "v5m", "read"},     {"帰る", "v5r", "return"},
    {"買う", "v5u", "buy"},          {"行く", "v5k-s", "go"},     {"行う", "v5u", "perform"},
    {"かつ", "n", "cutlet"},         {"かる", "v5r", "mow"},      {"す", "n", "vinegar"},
    {"する", "vs-i", "do"},          {"勉強", "n,vs", "study"},   {"べんきょう", "n,vs", "study"},
    {"来る", "vk", "come"},          {"くる", "vk", "come"},      {"高い", "adj-i", "high"},
    {"静か", "adj-na", "quiet"},     {"すし", "n", "sushi"},      {"ラーメン", "n", "ramen"},
    {"ＤＮＡ鑑定", "n", "DNA test"}, {"がっこう", "n", "school"}, {"きょう", "n", "today"},
    {"みず", "n", "water"},
};

// A format's lines of the words, with their tags or without.
using Writer = QString (*)(const Word &word, bool tagged);

QString eijiroLine(const Word &word, bool tagged)
{
    const QString head = QString::fromUtf8(word.word);
    return QString(Eijiro::marker) +
           (tagged ? QStringLiteral("%1  {%2}").arg(head, QString::fromUtf8(word.tags)) : head) +
           " : " + word.gloss;
}

// Each format the rules are read through, tagged and not.
struct Format
{
    const char *name;
    Writer write;
    bool tagged;
};
const Format formats[] = {
    {"Eijiro {tags}", eijiroLine, true},
    {"Eijiro", eijiroLine, false},
};

Run cli(const QString &db, const QStringList &args)
{
    return TestUtil::cli(QStringList{"--database", db} + args);
}

} // namespace

class TestJapanese : public QObject
{
    Q_OBJECT

    // Each format's database and slow reading.
    QHash<QString, QString> databases;
    QHash<QString, std::shared_ptr<Slow>> slow;

    void install(const Format &format)
    {
        const QString dir = TestUtil::makeDir(QString(format.name).replace(' ', '-'));
        QByteArray bytes = Generator::generate({2000, false, 44, true});
        for (const Word &word : words)
            bytes += Generator::toShiftJis(format.write(word, format.tagged)) + "\n";
        const QString file = TestUtil::writeBytes(dir + "/dict.txt", bytes);
        databases[format.name] = dir + "/orvel.db";
        QVERIFY(TestUtil::openFreshDatabase(databases[format.name]));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        slow[format.name] = std::make_shared<Slow>(file);
    }

private slots:
    void initTestCase()
    {
        for (const Format &format : formats)
            install(format);
        // The words as an EDICT file gives them: tags before the gloss.
        const QString dir = TestUtil::makeDir("edict");
        QString text = "　？？？ /EDICT, test/\n";
        for (const Word &word : words)
            text += QStringLiteral("%1 /(%2) to %3/\n")
                        .arg(QString::fromUtf8(word.word), word.tags, word.gloss);
        // Readings that are no line's first head.
        text += "寿司 [すし] /(n) sushi/\n今日 [きょう] /(n) today/\n";
        const QString file = TestUtil::writeBytes(dir + "/edict", text.toUtf8());
        databases["EDICT"] = dir + "/orvel.db";
        QVERIFY(TestUtil::openFreshDatabase(databases["EDICT"]));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
    }

    void rulesFollowTheSlowReading_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rule"); // the rule the row is there for
        const QList<std::pair<const char *, QStringList>> rows = {
            {"word", {"食べる", "たべる", "すし"}},
            {"fold", {"スシ", "ｽｼ", "DNA鑑定", "dna鑑定", "らーめん", "ｶﾞｯｺｳ"}},
            // Ichidan verbs through every inflection and chains of them.
            {"base",
             {"食べました", "食べません",     "食べませんでした", "食べない",   "食べなかった",
              "食べた",     "食べて",         "食べている",       "食べてる",   "食べています",
              "食べていた", "食べたい",       "食べたくない",     "食べられる", "食べれる",
              "食べさせる", "食べさせられた", "食べれば",         "食べたら",   "食べよう",
              "見た"}},
            // Godan verbs of each ending; 行く's past; the tags' choice.
            {"base", {"書いた",     "書かない",   "書きます",     "書いて", "書ける",   "書かれる",
                      "書かせる",   "書かされる", "書かせられる", "書けば", "書こう",   "書きたい",
                      "書いている", "泳いだ",     "泳いでいる",   "話した", "話さない", "待った",
                      "待ちたい",   "死んだ",     "遊んだ",       "読んだ", "読んでる", "帰った",
                      "帰ろう",     "買った",     "買わない",     "行った", "行って",   "行かない",
                      "かった"}},
            // する, alone and after a noun; 来る; the adjectives.
            {"base",
             {"しました",     "した",     "勉強しました", "勉強する", "勉強させられていました",
              "来た",         "来ない",   "きた",         "こない",   "来られる",
              "来ます",       "高くない", "高かった",     "高くて",   "高ければ",
              "高くなかった", "静かだ",   "静かだった",   "静かな",   "静かに",
              "静かで"}},
            {"romaji",
             {"taberu", "tabemashita", "TABEMASITA", "kyou", "mizu", "sushi", "ra-men",
              "benkyoushimashita", "gakkou"}},
            {"nearest", {"食べ", "ＤＮＡ"}},
            {"none", {"xq'''", "ゃゃ"}},
        };
        for (const Format &format : formats)
            for (const auto &[rule, texts] : rows)
                for (const QString &text : texts)
                    QTest::addRow("%s: %s", format.name, qPrintable(text))
                        << QString(format.name) << text << QString(rule);
    }

    void rulesFollowTheSlowReading()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QString, rule);
        const SlowMeaning::Expected expected = SlowMeaning::mean(*slow[format], text);
        QCOMPARE(expected.rule, rule);
        const Run lines = cli(databases[format], {"show", text});
        QCOMPARE(lines.err, QString());
        QCOMPARE(lines.out, expected.lines());
        QCOMPARE(lines.exit, rule == "none" ? 1 : 0);
        const Run page = cli(databases[format], {"show", "--html", text});
        QCOMPARE(page.out, SlowMeaning::html(*slow[format], expected, text));
    }

    // Where the dictionary gives parts of speech, only a candidate whose
    // class they fit counts: かった is かる's, a verb, not かつ's, a noun.
    void partsOfSpeechChooseTheBase()
    {
        QCOMPARE(cli(databases["Eijiro {tags}"], {"show", "かった"}).out, "base\tかる\n");
        QCOMPARE(cli(databases["Eijiro"], {"show", "かった"}).out, "base\tかつ\n");
        QCOMPARE(cli(databases["Eijiro {tags}"], {"show", "tabemashita"}).out, "romaji\tたべる\n");
    }

    // The same choice where the tags come from EDICT's lines, whose keys'
    // lines lie anywhere in the file.
    void edictTagsChooseTheBase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("しました: する, not す") << "しました"
                                                << "base\tする\n";
        QTest::newRow("かった: かる, not かつ") << "かった"
                                                << "base\tかる\n";
        QTest::newRow("食べました") << "食べました"
                                    << "base\t食べる\n";
        QTest::newRow("書いた") << "書いた"
                                << "base\t書く\n";
        QTest::newRow("高かった") << "高かった"
                                  << "base\t高い\n";
        QTest::newRow("a reading") << "たべる"
                                   << "word\tたべる\n";
        QTest::newRow("romaji of a reading only") << "kyou"
                                                  << "romaji\tきょう\n";
        QTest::newRow("katakana of a reading only") << "スシ"
                                                    << "fold\tすし\n";
    }
    void edictTagsChooseTheBase()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(cli(databases["EDICT"], {"show", text}).out, shown);
    }

    void romajiReadsAsWritten_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read"); // null: not romaji
        const QList<std::pair<const char *, const char *>> romaji = {
            {"shi si", "しし"},
            {"chi ti", "ちち"},
            {"tsu tu", "つつ"},
            {"fu hu", "ふふ"},
            {"ji zi", "じじ"},
            {"sha sya", "しゃしゃ"},
            {"cha cya tya", "ちゃちゃちゃ"},
            {"ja jya zya", "じゃじゃじゃ"},
            {"konnichiwa", "こんにちわ"},
            {"minna", "みんな"},
            {"honn", "ほん"},
            {"kon'ya", "こんや"},
            {"hon", "ほん"},
            {"sempai", "せんぱい"},
            {"kippu", "きっぷ"},
            {"xtsu xya", "っゃ"},
            {"tei-", "ていー"},
            {"thi dhi", "てぃでぃ"},
            {"gyu nyo ryo", "ぎゅにょりょ"},
            {"fa fi fe fo", "ふぁふぃふぇふぉ"},
            {"vu wi we", "ゔうぃうぇ"},
            {"di du xwa", "ぢづゎ"},
            {"wo", "を"},
            {"xq'''", nullptr},
            {"tt", nullptr},
            {"'n", nullptr},
            {"-", nullptr},
            {"kya1", nullptr},
            {"\u212Aa", nullptr}, // the Kelvin sign is no K
        };
        for (const auto &[typed, read] : romaji)
            QTest::addRow("romaji %s", typed)
                << QString(typed).remove(' ') << (read ? QString(read) : QString());
    }

    void romajiReadsAsWritten()
    {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        QCOMPARE(Romaji::toKana(typed), read);
    }

    void foldsAsCompatibilityMappingHasIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("folded");
        QTest::newRow("full-width letters, digits, signs") << "ｄｎａ１２！～"
                                                           << "DNA12!~";
        QTest::newRow("half-width katakana, marks joined") << "ｶﾞｯｺｳﾊﾟﾝｳﾞ"
                                                           << "がっこうぱんゔ";
        QTest::newRow("a mark that joins nothing") << "ｱﾞﾞ"
                                                   << "あ゛゛";
        QTest::newRow("katakana without hiragana") << "ヷヽー"
                                                   << "ヷゝー";
        QTest::newRow("combining mark kept") << "か\u3099"
                                             << "か\u3099";
        QTest::newRow("ideographic space kept") << "Ａ\u3000ｂ"
                                                << "A\u3000B";
        QTest::newRow("half-width signs") << "｡｢｣､･ｰ"
                                          << "。「」、・ー";
    }

    void foldsAsCompatibilityMappingHasIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, folded);
        QCOMPARE(Fold::key(typed), folded);
        QCOMPARE(Fold::key(folded), folded);
    }

    void hostileTextsGiveAPage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("scripts mixed") << "食べmashita";
        QTest::newRow("lone dakuten") << "\u309B";
        QTest::newRow("combining marks") << "\u3099\u309A食べた\u0301";
        QTest::newRow("10,000 ん") << QString(10000, u'ん');
        QTest::newRow("endings repeated") << QString("させられ").repeated(15) + "ました";
        QTest::newRow("past of past") << QString("った").repeated(31) + "た";
        QTest::newRow("romaji of 40,000 kana") << QString("tte").repeated(20000);
    }

    // A page or the not-found page, whatever the text, soon.
    void hostileTextsGiveAPage()
    {
        QFETCH(QString, text);
        const QString format = formats[0].name;
        QVERIFY(TestUtil::openFreshDatabase(databases[format]));
        QElapsedTimer timer;
        timer.start();
        Page page;
        Meaning meaning;
        SearchThread::findWhatIMean(text, &page, &meaning);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        const SlowMeaning::Expected expected = SlowMeaning::mean(*slow[format], text);
        QCOMPARE(meaning.shown, expected.shown);
        QCOMPARE(PageHtml::write(page), SlowMeaning::html(*slow[format], expected, text));
    }
};

QTEST_GUILESS_MAIN(TestJapanese)
#include "tst_japanese.moc"
