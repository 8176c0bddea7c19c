// EDICT dictionaries: the line reading (hand-made lines, and generated ones
// against the slow reading), installing in each encoding with the index
// checked against the slow reading, each key's page (every line, common
// ones first), bad lines and files, the page's markup, orvel-cli.
#include "commonnessreading.h"
#include "database/indexreader.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/edict.h"
#include "edictgenerator.h"
#include "edictreading.h"
#include "lookup/edictrenderer.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "testutil.h"

#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <map>

using EdictGenerator::Encoding;

namespace {

// An entry in one line: heads|readings|common|[tags]glosses;...|...
QString describe(const QString &line)
{
    Edict::Entry entry;
    if (!Edict::read(line, &entry))
        return QStringLiteral("no entry");
    QStringList senses;
    for (const Edict::Sense &sense : std::as_const(entry.senses))
        senses << QStringLiteral("[%1]%2").arg(sense.tags.join(u','), sense.glosses.join(u';'));
    return QStringList{entry.heads.join(u';'), entry.readings.join(u';'),
                       entry.common ? QStringLiteral("P") : QString(), senses.join(u'|')}
        .join(u'|');
}

// What a generated file holds, line by line: its offsets and slow reading.
struct Expected
{
    QByteArray bytes;
    QList<qint64> offsets;
    QList<std::optional<SlowEdict::Line>> lines;

    Expected(const QStringList &text, Encoding encoding)
    {
        for (const QString &line : text) {
            offsets << bytes.size();
            bytes += EdictGenerator::encode(line, encoding) + '\n';
            lines << SlowEdict::read(line);
        }
    }
    // Every t_key row as "key rank position", sorted.
    QStringList keyRows() const
    {
        QStringList rows;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (!lines[i])
                continue;
            for (const QString &key : lines[i]->keys)
                rows << QStringLiteral("%1 %2 %3")
                            .arg(key)
                            .arg(lines[i]->common ? 0 : 1)
                            .arg(offsets[i]);
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // The headings of a key's page: common lines first, each in file order.
    QStringList headings(const QString &key) const
    {
        QStringList common, other;
        for (const auto &line : lines) {
            if (line && line->keys.contains(key))
                (line->common ? common : other) << line->heading;
        }
        return common + other;
    }
};

QStringList keyRows()
{
    QSqlQuery query(QStringLiteral("SELECT name, rank, position FROM t_key WHERE id = 1"));
    QStringList rows;
    while (query.next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(query.value(0).toString(), query.value(1).toString(),
                         query.value(2).toString());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList headingsOf(const Page &page)
{
    QStringList out;
    for (const PageBlock &block : page.blocks) {
        if (block.kind == PageBlock::Heading)
            out << (block.spelling.isNull() ? block.text : block.spelling);
    }
    return out;
}

} // namespace

class TestEdict : public QObject
{
    Q_OBJECT

private slots:
    void reading_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("entry");
        const auto row = [](const char *name, const QString &line, const char *entry = "no entry") {
            QTest::newRow(name) << line << QString(entry);
        };
        row("the format's own example",
            "食べる [たべる] /(v1,vt) (1) to eat/(v1,vt) (2) to live on (e.g. a salary)/to live "
            "off/to subsist on/(P)/\n",
            "食べる|たべる|P|[v1,vt]to eat|[v1,vt]to live on (e.g. a salary);to live off;to "
            "subsist on");
        row("kana only", "ぎっくり /(adv,adv-to,vs) (1) with surprise/with a start/",
            "ぎっくり|||[adv,adv-to,vs]with surprise;with a start");
        row("EDICT2 heads and readings, marks, EntL",
            "水(P);瑞(iK) [みず;みづ(ok)] /(n) water/EntL1234X/\r\n", "水;瑞|みず;みづ|P|[n]water");
        row("field tag, then the number", "〆 [しめ] /(n) (1) tie up/(n) (2) (MA) choking/",
            "〆|しめ||[n]tie up|[n,MA]choking");
        row("a tag unknown but tag-like", "新 [しん] /(xx-new) something/",
            "新|しん||[xx-new]something");
        row("not a tag", "例 [れい] /(e.g. this) example/", "例|れい||[](e.g. this) example");
        row("(n) DNA test", "ＤＮＡ鑑定 /(n) DNA test/", "ＤＮＡ鑑定|||[n]DNA test");
        row("marked heads, a sense of tags only, then a gloss",
            "水(P)(oK);瑞 [みず] /EntL1X/(P)/(n)/(n) water/", "水;瑞|みず|P|[n]water");
        row("header", "　？？？ /EDICT, EDICT_SUB(P), EDICT2 Japanese-English/");
        row("no slash", "食べる [たべる] to eat");
        row("no closing slash", "食べる [たべる] /to eat");
        row("a lone slash", "４° [しど] /");
        row("unclosed bracket", "食べる [たべる /to eat/");
        row("slash inside the bracket", "食べる [た/べる] /to eat/");
        row("empty bracket", "食べる [] /to eat/");
        row("only tags", "食べる [たべる] /(v1)/(P)/");
        row("NUL", QString("食べる [たべる] /to e") + QChar(0) + "at/");
        row("undecodable", QString("食") + QChar(0xFFFD) + " /to eat/");
        row("space in the head", "食 べる /to eat/");
        row("1 MB line", "長 [なが] /" + QString(1 << 20, 'a') + "/");
        row("empty", "");
        row("only a sequence number", "水 /EntL1X/");
        row("a mark before the head", "(P)水 [みず] /water/");
        row("a mark not closed", "水(P [みず] /water/");
        row("an empty head among heads", "水;;瑞 /water/");
    }
    void reading()
    {
        QFETCH(QString, line);
        QFETCH(QString, entry);
        QCOMPARE(describe(line), entry);
        // The entry word, found without reading the whole line.
        QStringView head;
        QCOMPARE(Edict::firstHead(line, &head), entry != "no entry");
        if (entry != "no entry")
            QCOMPARE(head.toString(), entry.section(u'|', 0, 0).section(u';', 0, 0));
    }

    // Keys, glosses without "to ", and the common mark, as the slow reading
    // has them, for every line of a generated file.
    void keysFollowTheSlowReading()
    {
        const QStringList lines = EdictGenerator::lines({3000, 7, Encoding::Utf8});
        QCOMPARE(Edict::keys({{"食べる"}, {"たべる"}, {{{"v1"}, {"to eat", "eat", "(x)"}}}, true}),
                 QStringList({"食べる", "たべる", "EAT", "(X)"}));
        for (const QString &line : lines) {
            const std::optional<SlowEdict::Line> slow = SlowEdict::read(line);
            Edict::Entry entry;
            QVERIFY2(Edict::read(line, &entry) == slow.has_value(), qPrintable(line));
            QStringView head;
            QVERIFY2(Edict::firstHead(line, &head) == slow.has_value(), qPrintable(line));
            if (!slow)
                continue;
            QCOMPARE(head.toString(), entry.heads.first());
            QCOMPARE(Edict::keys(entry), slow->keys);
            QCOMPARE(entry.common, slow->common);
            for (const QString &key : slow->keys)
                QVERIFY(Edict::hasKey(entry, key));
            QVERIFY(!Edict::hasKey(entry, "TO " + slow->keys.last()));
        }
    }

    void install_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("EUC-JP") << int(Encoding::EucJp) << "EUC-JP";
        QTest::newRow("UTF-8") << int(Encoding::Utf8) << "UTF-8";
        QTest::newRow("Shift_JIS") << int(Encoding::ShiftJis) << "";
    }
    // The type told by the lines, the encoding by the bytes; every key of
    // every line in t_key; a head's, a reading's and a gloss's page list
    // every line of the key, common ones first.
    void install()
    {
        QFETCH(int, encoding);
        QFETCH(QString, recorded);
        const QString dir = TestUtil::makeDir(QTest::currentDataTag());
        const Expected expected(
            EdictGenerator::lines({1500, quint64(encoding) + 11, Encoding(encoding)}),
            Encoding(encoding));
        const QString file = TestUtil::writeBytes(dir + "/edict", expected.bytes);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        QCOMPARE(TestUtil::pairs("SELECT id, type FROM t_format"), QStringList{"1:2"});
        QCOMPARE(TestUtil::pairs("SELECT encoding, count FROM t_dictionary"),
                 QStringList{QStringLiteral("%1:1500").arg(recorded)});
        QCOMPARE(keyRows(), expected.keyRows());

        // The key with most lines among readings, and a gloss's.
        std::map<QString, int> counts;
        for (const auto &line : expected.lines) {
            if (line)
                ++counts[line->keys.at(1)];
        }
        const QString reading =
            std::max_element(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
                return a.second < b.second;
            })->first;
        const QString head = expected.lines.at(1)->keys.first();
        for (const QString &typed : {head, reading, QStringLiteral("eat")}) {
            Page page;
            QCOMPARE(SearchThread::lookUp(typed, &page), SearchThread::Found);
            QCOMPARE(headingsOf(page), expected.headings(typed.toUpper()));
        }
        Page page;
        QCOMPARE(SearchThread::lookUp("to eat", &page), SearchThread::NotFound);

        // How common each key is: the lines whose glosses hold its words,
        // and whether a (P) line has it.
        QList<QStringList> texts;
        QStringList keys;
        QSet<QString> marked;
        for (const auto &line : expected.lines) {
            if (!line)
                continue;
            texts << SlowCommonness::commonWords(line->glosses.join(u'/'));
            keys << line->keys;
            if (line->common)
                marked.unite(QSet<QString>(line->keys.begin(), line->keys.end()));
        }
        keys.removeDuplicates();
        const QHash<QString, qint64> common = SlowCommonness::count(texts, keys);
        QVERIFY(common.value("EAT") > 1 && !marked.isEmpty());
        IndexReader reader;
        for (const QString &key : std::as_const(keys)) {
            Records::Commonness stored;
            QCOMPARE(reader.commonness(key, 1, &stored),
                     common.contains(key) || marked.contains(key) ? Records::Answer::Found
                                                                  : Records::Answer::None);
            QCOMPARE(stored.lines, common.value(key));
            QCOMPARE(stored.marked, marked.contains(key));
        }
    }

    // Find in Entries on EDICT lines in each encoding: every line whose
    // text, decoded as every reader decodes it, holds the text in any case,
    // named by its first head, against the slow reading.
    void findInEntries_data() { install_data(); }
    void findInEntries()
    {
        QFETCH(int, encoding);
        const QString dir = TestUtil::makeDir(QStringLiteral("grep ") + QTest::currentDataTag());
        QStringList lines =
            EdictGenerator::lines({800, quint64(encoding) + 21, Encoding(encoding)});
        lines << "ｶﾀｶﾅ [かたかな] /(n) half-width kana/"
              << "ＡＢＣ－ＤＥ /(n) ABC-DE (full width)/";
        // Three bytes in EUC-JP; none in Shift_JIS.
        if (encoding != int(Encoding::ShiftJis))
            lines << "丂 [こう] /(n) a JIS X 0212 kanji/";
        const QByteArray bytes = Expected(lines, Encoding(encoding)).bytes;
        const QString file = TestUtil::writeBytes(dir + "/edict", bytes);
        const QStringList db{"--database", dir + "/orvel.db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install", "--type", "edict", file}).exit, 0);

        QStringList texts{"a",  "TO EAT", "eye Of", "(P)", "ｶﾀ",   "丂",
                          "ー", "ａｂ",   "ｃ－ｄ", "水",  "zzqq", "/"};
        for (const int at : {5, 40, 333, 777}) {
            const QString line = lines.at(at);
            texts << line.left(1) << line.left(2) << line.mid(2, 3) << line.right(8).toUpper();
        }
        Eijiro::Decoder decoder(encoding == int(Encoding::EucJp)  ? Eijiro::Encoding::EucJp
                                : encoding == int(Encoding::Utf8) ? Eijiro::Encoding::Utf8
                                                                  : Eijiro::Encoding::ShiftJis);
        for (const QString &text : std::as_const(texts)) {
            QStringList found;
            for (const QByteArray &raw : bytes.split('\n')) {
                const QString line = decoder.decode(raw);
                const std::optional<SlowEdict::Line> slow = SlowEdict::read(line);
                if (slow && line.contains(text, Qt::CaseInsensitive))
                    found << slow->heading.section(u' ', 0, 0).section(u';', 0, 0) + '\t' + line;
            }
            const TestUtil::Run run =
                TestUtil::cli(db + QStringList{"grep", "--limit", "100000", text});
            QCOMPARE(QString::number(run.exit) + run.out,
                     found.isEmpty() ? "1" : "0" + found.join("\n") + "\n");
        }
    }

    // A (P) line's keys come before keys as common without the mark: the
    // nearest entry of what was typed; a gloss common enough is a typo's word;
    // a gloss is shown as its line writes it.
    void commonMarkBreaksTies_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *name, const QString &lines, const QString &typed,
                            const QString &shown) {
            QTest::newRow(name) << lines << typed << shown + '\n';
        };
        const QString wall = "壁 [かべ] /(n) wall/\n";
        row("no mark: key order", wall + "水 [みず] /(n) water/", "wa", "nearest\twall");
        row("marked gloss", wall + "水 [みず] /(n) water/(P)/", "wa", "nearest\twater");
        row("marked head", wall + "水(P) [みず] /(n) water/", "wa", "nearest\twater");
        row("commoner wins over the mark",
            wall + "壁面 [へきめん] /(n) wall surface/\n水 [みず] /(n) water/(P)/", "wa",
            "nearest\twall");
        // A gloss's key has no t_word row of its own, yet it is a word.
        QString the = "其の [その] /(adj-pn) the/\n";
        for (int i = 0; i < 100; ++i)
            the += QStringLiteral("語%1 [ご] /(n) the word %1/\n").arg(i);
        row("typo of a gloss", the + wall, "teh", "typo\tthe");
        row("a gloss as the line writes it", wall + "壁 [かべ] /(n) Wall of China/", "wall o",
            "nearest\tWall of China");
        row("reading marked", "かな /(n) kana/\n仮名(P) [かめい] /(n) assumed name/", "か",
            "nearest\tかめい");
    }
    void commonMarkBreaksTies()
    {
        QFETCH(QString, lines);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        const QString dir = TestUtil::makeDir("mark");
        const QString file = TestUtil::writeBytes(dir + "/edict", (lines + '\n').toUtf8());
        const QStringList db{"--database", dir + "/" + QTest::currentDataTag() + ".db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install", "--type", "edict", file}).exit, 0);
        const TestUtil::Run run = TestUtil::cli(db + QStringList{"show", typed});
        QCOMPARE(run.out.section(u'\n', 0, 0) + '\n', shown);
    }

    // A bad line among good ones is no entry: it gives no key and the lines
    // around it keep theirs.
    void badLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        const auto euc = [](const char *text) {
            return EdictGenerator::encode(QString::fromUtf8(text), Encoding::EucJp);
        };
        QTest::newRow("no slash") << euc("食べる [たべる] to eat");
        QTest::newRow("unclosed bracket") << euc("食べる [たべる /to eat/");
        QTest::newRow("slash inside the bracket") << euc("食べる [た/べる] /to eat/");
        QTest::newRow("1 MB line") << euc("長 [なが] /") + QByteArray(1 << 20, 'a') + "/";
        QTest::newRow("a Shift_JIS line")
            << EdictGenerator::encode("食べる [たべる] /to eat/", Encoding::ShiftJis);
        QTest::newRow("stray bytes") << QByteArray("\xA4\xA2\xFF\xFE /to eat/");
    }
    void badLines()
    {
        QFETCH(QByteArray, line);
        const QString dir = TestUtil::makeDir(QTest::currentDataTag());
        QStringList text = EdictGenerator::lines({200, 3, Encoding::EucJp});
        Expected expected(text, Encoding::EucJp);
        const qsizetype at = expected.offsets[100];
        const QByteArray bytes = expected.bytes.left(at) + line + '\n' + expected.bytes.mid(at);
        const QString file = TestUtil::writeBytes(dir + "/edict", bytes);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        // The good lines' rows, those after the bad line moved by its length.
        QStringList rows;
        for (const QString &row : expected.keyRows()) {
            QStringList parts = row.split(' ');
            const qint64 position = parts.last().toLongLong();
            parts.last() = QString::number(position >= at ? position + line.size() + 1 : position);
            rows << parts.join(' ');
        }
        std::sort(rows.begin(), rows.end());
        QCOMPARE(keyRows(), rows);
        QCOMPARE(TestUtil::pairs("SELECT count, encoding FROM t_dictionary"),
                 QStringList{"200:EUC-JP"});
    }

    // A file's type is told by most of its lines, the last one too when
    // the file ends without a line end; a NUL byte refuses the file as
    // binary, whatever its type.
    void recognise_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("formats"); // an Eijiro file has no row
        const QByteArray edict = "食べる [たべる] /to eat/\n", eijiro = "■l : 走";
        QByteArray nul = EdictGenerator::generate({50, 5, Encoding::EucJp});
        nul.insert(nul.size() / 2, '\0');
        const int committed = ConvertThread::Committed;
        QTest::newRow("Eijiro's last line unended")
            << "xy & /\n" + eijiro << committed << QStringList{};
        QTest::newRow("more EDICT-shaped lines")
            << edict + edict + eijiro << committed << QStringList{"1:2"};
        QTest::newRow("a NUL byte") << nul << int(ConvertThread::NotText) << QStringList{};
    }
    void recognise()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        QFETCH(QStringList, formats);
        const QString dir = TestUtil::makeDir(QTest::currentDataTag());
        const QString file = TestUtil::writeBytes(dir + "/dictionary", bytes);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
        QCOMPARE(TestUtil::install(file), outcome);
        QCOMPARE(TestUtil::rowCount("t_dictionary"), outcome == ConvertThread::Committed ? 1 : 0);
        QCOMPARE(TestUtil::pairs("SELECT id, type FROM t_format"), formats);
    }

    // The page: heading with the reading, the common mark, badges with
    // what the tags mean, the gloss the key was found by in bold, and the
    // file's text escaped everywhere.
    void page()
    {
        const QString line = "<b>&\"食 [よみ] /(v1,xx-new) (1) to eat <i>&\"/(n) (2) water/(P)/";
        EdictRenderer byReading("よみ", "よみ");
        QVERIFY(byReading.renderLine(line));
        QVERIFY(!byReading.renderLine("他 [ほか] /other/")); // not the key's
        const QString html = PageHtml::write(byReading.finish());
        QCOMPARE(html, "<ol></ol><h2 style='font-weight:bold'>&lt;b&gt;&amp;&quot;食 【<span "
                       "style='color:#C00000'>よみ</span>】</h2><ol><span "
                       "style='background-color:#c8e6c9'>&nbsp;common&nbsp;</span><li><span "
                       "title=\"Ichidan verb\" style='background-color:#e0e0e0'>&nbsp;v1&nbsp;</"
                       "span> <span title=\"xx-new\" "
                       "style='background-color:#e0e0e0'>&nbsp;xx-new&nbsp;</span> to eat "
                       "&lt;i&gt;&amp;&quot;</li><li><span title=\"noun\" "
                       "style='background-color:#e0e0e0'>&nbsp;n&nbsp;</span> water</li></ol>");
        EdictRenderer byGloss("eat <i>&\"", "EAT <I>&\"");
        QVERIFY(byGloss.renderLine(line));
        QVERIFY(PageHtml::write(byGloss.finish())
                    .contains("</span> <b>to eat &lt;i&gt;&amp;&quot;</b></li>"));
        QCOMPARE(EdictRenderer("x", "X").finish().blocks.first().kind, PageBlock::NotFound);
    }

    // orvel-cli tells EDICT by its lines, lists the type, and --type
    // overrides: an EDICT file read as Eijiro has no entry line.
    void commandLine()
    {
        const QString dir = TestUtil::makeDir("cli");
        const QString file = TestUtil::writeBytes(
            dir + "/edict", EdictGenerator::generate({300, 9, Encoding::EucJp}));
        const QStringList db{"--database", dir + "/orvel.db"};
        QCOMPARE(TestUtil::cli(db + QStringList{"install", "--type", "eijiro", file}).exit, 1);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", "--type", "edictx", file}).exit, 2);
        QCOMPARE(TestUtil::cli(db + QStringList{"install", file}).exit, 0);
        QCOMPARE(TestUtil::cli(db + QStringList{"list"}).out,
                 "1\tedict\tEDICT\ton\t300\t" + file + "\n");
        const TestUtil::Run eat = TestUtil::cli(db + QStringList{"lookup", "eat"});
        QCOMPARE(eat.exit, 0);
        QVERIFY2(eat.out.contains("to eat"), qPrintable(eat.out));
        // A rebuild keeps the type and gives the same pages.
        QCOMPARE(TestUtil::cli(db + QStringList{"rebuild"}).exit, 0);
        QCOMPARE(TestUtil::cli(db + QStringList{"list"}).out,
                 "1\tedict\tEDICT\ton\t300\t" + file + "\n");
        QCOMPARE(TestUtil::cli(db + QStringList{"lookup", "eat"}).out, eat.out);
    }
};

QTEST_GUILESS_MAIN(TestEdict)
#include "tst_edict.moc"
