// The result view's document is built directly from the page instead of
// through setHtml() of its HTML; whatever the page holds, the document must
// be the one setHtml() makes, or the builder must refuse the page.
#include "generator.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "mainwindow/pagedocument.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QtTest>

namespace {

const QString M = QString(QChar(0x25A0));

QString properties(const QTextFormat &format)
{
    QStringList out;
    const QMap<int, QVariant> map = format.properties();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        // List membership is compared through the lists themselves.
        if (it.key() == QTextFormat::ObjectIndex)
            continue;
        QString value;
        QDebug(&value) << it.value();
        out << QString::number(it.key(), 16) + QLatin1Char('=') + value;
    }
    return out.join(QLatin1Char(','));
}

// Text with every character that does not print as itself spelled out.
QString visible(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isPrint() && c != QChar::Nbsp && c != QChar(0x3000))
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

// Everything about a document that shows: frames, blocks and their formats,
// lists and their items, and the text in each character format (adjacent
// fragments of one format taken together).
QString describe(const QTextDocument &document)
{
    QStringList out;
    out << QStringLiteral("root %1 frames %2 font %3")
               .arg(properties(document.rootFrame()->frameFormat()))
               .arg(document.rootFrame()->childFrames().size())
               .arg(document.defaultFont().toString());
    QList<QTextList *> lists;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = QStringLiteral("block %1 | %2")
                           .arg(properties(block.blockFormat()), properties(block.charFormat()));
        if (QTextList *list = block.textList()) {
            if (!lists.contains(list))
                lists << list;
            line += QStringLiteral(" | list %1 item %2 %3")
                        .arg(lists.indexOf(list))
                        .arg(list->itemNumber(block))
                        .arg(properties(list->format()));
        }
        QString text;
        QString format;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString f = properties(it.fragment().charFormat());
            if (f != format && !text.isEmpty()) {
                line += QStringLiteral("\n  [%1] %2").arg(visible(text), format);
                text.clear();
            }
            format = f;
            text += it.fragment().text();
        }
        if (!text.isEmpty())
            line += QStringLiteral("\n  [%1] %2").arg(visible(text), format);
        out << line;
    }
    return out.join(QLatin1Char('\n'));
}

// The first line where two descriptions part, from both, for failure
// messages that point at the difference.
QByteArray firstDifference(const QString &a, const QString &b)
{
    const QStringList x = a.split(QLatin1Char('\n'));
    const QStringList y = b.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i) {
        if (x.value(i) != y.value(i))
            return QStringLiteral("line %1:\n built: %2\nparsed: %3")
                .arg(i)
                .arg(x.value(i), y.value(i))
                .toUtf8();
    }
    return QByteArray();
}

struct Pair
{
    QString built;
    QString parsed;
    QString builtHtml;
    QString parsedHtml;
};

// Builds `page` both ways; false when the builder refuses it.
bool buildBoth(const Page &page, Pair *pair)
{
    const QFont font(QStringLiteral("Sans"), 12);
    QTextDocument built;
    built.setDefaultFont(font);
    if (!PageDocument::build(page, &built))
        return false;
    QTextDocument parsed;
    parsed.setDefaultFont(font);
    parsed.setHtml(PageHtml::write(page));
    pair->built = describe(built);
    pair->parsed = describe(parsed);
    pair->builtHtml = built.toHtml();
    pair->parsedHtml = parsed.toHtml();
    return true;
}

Page render(const QString &word, const QStringList &lines)
{
    ResultRenderer renderer(word);
    for (const QString &line : lines)
        renderer.renderLine(line);
    return renderer.finish();
}

// `page` with a note above it and suggestions under it.
Page around(Page page, const QString &note, const QStringList &suggestions = {})
{
    page.note = note;
    page.suggestions = suggestions;
    return page;
}

// A page of several dictionaries: each page under its name.
Page sections(const QList<std::pair<QString, Page>> &pages)
{
    Page all;
    for (const auto &[name, page] : pages)
        all.addSection(name, page);
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Page)

class TestPageDocument : public QObject
{
    Q_OBJECT

private slots:
    void sameDocumentAsSetHtml_data()
    {
        QTest::addColumn<Page>("page");
        QTest::newRow("worked example")
            << render("run", {M + "run  {動-1} : 走る■・run a shop 店を経営する\r\n",
                              M + "run  {名} : 走ること\r\n", M + "run away : 逃げる\r\n",
                              M + "run away : 逃走する\r\n", M + "rerun : 再放送\r\n"});
        QTest::newRow("not found") << render("zzz", {});
        QTest::newRow("not found, typed markup and placeholders") << render("<b>%1 & %2\"", {});
        QTest::newRow("not found, typed spaces") << render("   ", {});
        QTest::newRow("several marks in one head")
            << render("a", {M + "a banana a day : 一日一本\n"});
        QTest::newRow("same label across two heads")
            << render("x", {M + "x  {名} : 一\n", M + "xy  {名} : 二\n", M + "xy  {動} : 三\n"});
        QTest::newRow("breaks at the edges of an item")
            << render("b", {M + "b : ■■x■ ■\n", M + "b : a ■ b■\r\n"});
        QTest::newRow("white space of every kind")
            << render("w", {M + " w\t\t w  {名 詞} : \t a\u3000\u3000b \u00a0 c\r\n",
                            M + "w\u3000w : \u000b x \u001f y\x0c\n"});
        QTest::newRow("markup characters in the dictionary") << render(
            "&", {M + "R&D <x> \"q\" : &amp; <b>bold</b> &lt;\n", M + "&&  {<名>} : \"&quot;\"\n"});
        QTest::newRow("typed space marks spaces") << render(" ", {M + "a b  c : d\n"});
        QTest::newRow("lines that are not entries")
            << render("a", {QStringLiteral("not an entry\n"), M + "a : b\n", M + "broken\n"});
        const Page run = render("run", {M + "run  {動} : 走る\n", M + "run out : 尽きる\n"});
        QTest::newRow("a note") << around(run, "running -> run");
        QTest::newRow("a note of markup and white space runs")
            << around(run, "  <b>&amp;</b>\t\t%1\u3000 -> run ");
        const Page water =
            render("水", {M + "水  {名} : water\n", M + "水を差す : throw cold water\n"});
        QTest::newRow("two dictionaries") << sections({{"Eijiro", run}, {"Japanese", water}});
        QTest::newRow("three dictionaries under a note, names of markup and white space")
            << around(sections({{" <b>R&amp;D</b>\t\tlist ", run},
                                {"\u3000\"%1\"", render("run", {M + "run : b■c\n"})},
                                {"x", run}}),
                      "running -> run");
        QTest::newRow("one suggestion") << around(render("dictionery", {}), {}, {"dictionary"});
        QTest::newRow("suggestions of markup, spaces and far characters")
            << around(render("zz", {}), {}, {"a&b", "<i>", " x  y ", "\U00020B9F", "%1", "\"q\""});
    }

    void sameDocumentAsSetHtml()
    {
        QFETCH(Page, page);
        Pair pair;
        QVERIFY2(buildBoth(page, &pair), qPrintable(PageHtml::write(page)));
        QVERIFY2(pair.built == pair.parsed, firstDifference(pair.built, pair.parsed));
        QCOMPARE(pair.builtHtml, pair.parsedHtml);
    }

    // Every page of a generated dictionary, looked up from many places,
    // is built directly and comes out as setHtml() makes it.
    void generatedDictionaryPages()
    {
        const QByteArray bytes = Generator::generate({20000, true, 7});
        QStringDecoder decode("Shift_JIS");
        const QStringList all = QString(decode(bytes)).split(QLatin1Char('\n'));
        QRandomGenerator random(11);
        for (int i = 0; i < 300; ++i) {
            const int start = random.bounded(int(all.size()));
            QStringList window;
            for (int j = start; j < all.size() && j < start + 128; ++j)
                window << all[j] + QLatin1Char('\n');
            // Type a piece of the first entry's head, in some case.
            QString word = window.first().mid(1, 1 + random.bounded(4));
            if (random.bounded(2))
                word = word.toUpper();
            Page page = render(word, window);
            // Every third page also as the second of two dictionaries'.
            if (i % 3 == 0)
                page = sections({{"one", render(word, window.mid(64))}, {"two", page}});
            Pair pair;
            QVERIFY2(buildBoth(page, &pair), qPrintable(PageHtml::write(page).left(300)));
            QVERIFY2(pair.built == pair.parsed, firstDifference(pair.built, pair.parsed));
            QCOMPARE(pair.builtHtml, pair.parsedHtml);
        }
    }

    // Lines made of the characters most likely to trip the importer's white
    // space and block rules. Pages the builder takes must match; it may
    // refuse some, which then go through setHtml().
    void hostilePages()
    {
        const QStringList pieces = {"a",      "B",     " ",      "  ",     "\t",     "\r", "\u3000",
                                    "\u00a0", "&",     "<",      ">",      "\"",     M,    "日",
                                    "ア",     "%1",    "{",      "}",      ":",      "-",  "・",
                                    "amp;",   "&amp;", "\u000b", "\u001f", "\u2028", "\n"};
        QRandomGenerator random(5);
        const auto piece = [&](int max) {
            QString s;
            for (int n = random.bounded(max) + 1; n > 0; --n)
                s += pieces[random.bounded(int(pieces.size()))];
            return s;
        };
        int built = 0;
        for (int i = 0; i < 3000; ++i) {
            QStringList lines;
            for (int n = random.bounded(6) + 1; n > 0; --n) {
                QString line = M + piece(4);
                if (random.bounded(2))
                    line += QStringLiteral("  {") + piece(3) + QLatin1Char('}');
                line += QStringLiteral(" : ") + piece(6);
                line += random.bounded(2) ? QStringLiteral("\r\n") : QStringLiteral("\n");
                lines << line;
            }
            const Page page = render(piece(2), lines);
            Pair pair;
            if (!buildBoth(page, &pair))
                continue;
            ++built;
            QVERIFY2(pair.built == pair.parsed, PageHtml::write(page).toUtf8() + "\n" +
                                                    firstDifference(pair.built, pair.parsed));
            QCOMPARE(pair.builtHtml, pair.parsedHtml);
        }
        // Most of them are plain enough to be built.
        QVERIFY2(built > 1000, qPrintable(QString::number(built)));
    }

    // Every UTF-16 code unit in a heading, a label and an item, beside text
    // and alone. Only the three that would open blocks of their own make the
    // builder step aside.
    void everyCharacter()
    {
        int refused = 0;
        for (int base = 0; base < 0x10000; base += 64) {
            QStringList lines;
            for (int u = base; u < base + 64; ++u) {
                const QString c = QChar(char16_t(u));
                lines << M + "a" + c + "b  {L" + c + "} : x" + c + "y" + M + c + "\n";
            }
            const Page page = render(QStringLiteral("a"), lines);
            Pair pair;
            if (!buildBoth(page, &pair)) {
                ++refused;
                continue;
            }
            QVERIFY2(pair.built == pair.parsed, QByteArray::number(base, 16) + "\n" +
                                                    firstDifference(pair.built, pair.parsed));
            QCOMPARE(pair.builtHtml, pair.parsedHtml);
        }
        // The pages holding U+2029 and U+FDD0/U+FDD1 (those two share one).
        QCOMPARE(refused, 2);
    }

    // Pages whose paragraphs Qt's importer would merge or split, and the
    // message pages: their HTML goes through setHtml().
    void refusedPagesLeaveTheDocumentAlone_data()
    {
        QTest::addColumn<Page>("page");
        QTest::newRow("item of white space only") << render("a", {M + "a : \t\n"});
        QTest::newRow("heading of white space only") << render("a", {M + "\u3000 : b\n"});
        QTest::newRow("paragraph separator") << render("a", {M + "a : b\u2029c\n"});
        QTest::newRow("badge of white space only") << render("a", {M + "a  {\u3000 } : b\n"});
        QTest::newRow("message") << Page::message("a\n\nb");
        QTest::newRow("dictionary's name of white space only") << sections(
            {{"a", render("a", {M + "a : b\n"})}, {" \t", render("a", {M + "a : c\n"})}});
        QTest::newRow("a dictionary's section that is a message")
            << sections({{"a", render("a", {M + "a : b\n"})}, {"b", Page::message("gone")}});
        QTest::newRow("note with a paragraph separator")
            << around(render("a", {M + "a : b\n"}), "a\u2029b");
        QTest::newRow("suggestion of white space only") << around(render("a", {}), {}, {"b", "\t"});
        QTest::newRow("empty") << Page();
    }

    void refusedPagesLeaveTheDocumentAlone()
    {
        QFETCH(Page, page);
        QTextDocument document;
        QVERIFY(!PageDocument::build(page, &document));
        QVERIFY(document.isEmpty());
        QCOMPARE(document.blockCount(), 1);
        QVERIFY(document.isUndoRedoEnabled());
    }
};

QTEST_MAIN(TestPageDocument)
#include "tst_pagedocument.moc"
