#include "dictionary/format.h"
#include "fuzz/pagecheck.h"
#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/renderer.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
const QString heading = "<h2 style='font-weight:bold'>";
const QString mark = "<span style='color:#C00000'>";
const QString badge = "<span style='background-color:#e0e0e0'>&nbsp;";

Page page(const QString &word, const QStringList &lines)
{
    ResultRenderer renderer(word);
    for (const QString &line : lines)
        renderer.renderLine(line);
    return renderer.finish();
}

QString render(const QString &word, const QStringList &lines)
{
    return PageHtml::write(page(word, lines));
}

// `length` units drawn from the first `alphabet` of `units`.
QString randomText(QRandomGenerator &random, const QString &units, int length, int alphabet)
{
    QString made;
    while (made.size() < length)
        made += units.at(random.bounded(alphabet));
    return made;
}

// The page written the plain way, with Qt's own escaping: a heading's odd
// pieces marked, a line break between the pieces of anything else.
QString plainHtml(const Page &page)
{
    const QString opens[] = {
        "</ol>" + heading, "</ol><ol>" + badge, "</ol><ol>", "<li>", "<h2>", ""};
    const QString closes[] = {"</h2><ol>", "&nbsp;</span>", "", "</li>", "</h2>", ""};
    QString html = page.isResult() ? "<ol>" : "";
    for (const PageBlock &block : page.blocks) {
        const bool marks = block.kind == PageBlock::Heading;
        QStringList pieces;
        for (qsizetype i = 0; i < block.pieceCount() && block.kind != PageBlock::NewList; ++i) {
            const QString piece = block.piece(i).toString().toHtmlEscaped();
            pieces << (marks && i % 2 ? mark + piece + "</span>" : piece);
        }
        html += opens[block.kind] + pieces.join(marks ? "" : "<br />") + closes[block.kind];
    }
    return page.isResult() ? html + "</ol>" : html;
}

// A page of one entry line "■<head> : x" without a label, as the head shows.
QString singleHeading(const QString &shownHead)
{
    return "<ol></ol>" + heading + shownHead + "</h2><ol><li>x\n</li></ol>";
}
} // namespace

class TestRenderer : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const QString page = render("run", {
                                               "■run  {v-1} : to move fast\n",
                                               "■run  {v-2} : to manage■・run a shop\n",
                                               "■run  {n} : a trip\n",
                                               "■run out : to end\n",
                                               "■run out : to expire\n",
                                               "■Rune  {n} : a letter\n",
                                           });
        const QString expected =
            "<ol>"
            "</ol><h2 style='font-weight:bold'><span style='color:#C00000'>run</span></h2><ol>"
            "</ol><ol><span style='background-color:#e0e0e0'>&nbsp;v&nbsp;</span>"
            "<li>to move fast\n</li>"
            "<li>to manage<br />・run a shop\n</li>"
            "</ol><ol><span style='background-color:#e0e0e0'>&nbsp;n&nbsp;</span>"
            "<li>a trip\n</li>"
            "</ol><h2 style='font-weight:bold'><span style='color:#C00000'>run</span> out</h2><ol>"
            "<li>to end\n</li>"
            "</ol><ol><li>to expire\n</li>"
            "</ol><h2 style='font-weight:bold'><span style='color:#C00000'>run</span>e</h2><ol>"
            "<li>a letter\n</li>"
            "</ol>";
        QCOMPARE(page, expected);
    }

    void notFoundPage()
    {
        ResultRenderer renderer("run");
        // Lines read past the end, lines without the marker at the very
        // start, lines without a separator, a separator with no body.
        for (const QString &line :
             {QString(), QString("run : no marker\n"), QString(" ■run : indented\n"),
              QChar(0xFEFF) + QString("■run : bom\n"), QString("■run\n"), QString("■run :"),
              QString("■ : x\n")})
            renderer.renderLine(line);
        QVERIFY(renderer.isEmpty());
        QCOMPARE(PageHtml::write(renderer.finish()), QString("<h2>run  is not found.</h2>"));
        // The first entry line opens a heading even when nothing in it is marked.
        QCOMPARE(render("zzz", {"■AT&T : x\n"}), singleHeading("AT&amp;T"));
    }

    void highlighting()
    {
        // Every occurrence, in the case the user typed.
        QCOMPARE(render("RUN", {"■run-and-Run : x\n"}),
                 singleHeading(mark + "RUN</span>-and-" + mark + "RUN</span>"));
        // Non-overlapping, from the left.
        QCOMPARE(render("aa", {"■aaaaa : x\n"}),
                 singleHeading(mark + "aa</span>" + mark + "aa</span>a"));
        // Case folding beyond ASCII: full-width letters.
        QCOMPARE(render("ｒｕｎ", {"■ＲＵＮ : x\n"}), singleHeading(mark + "ｒｕｎ</span>"));
        // Only the heading is marked, never the body.
        QCOMPARE(render("x", {"■y : x\n"}), singleHeading("y"));
        // An empty word marks nothing (and must not hang).
        QCOMPARE(render("", {"■run : x\n"}), singleHeading("run"));
    }

    void longHeadsRenderCompletely()
    {
        // Highlighting and the label rule once took time quadratic in the
        // head's length; a look-up over such a line never came back.
        const int repeats = 200000;
        PageCheck::Shape shape;
        const QString many = "■" + QString("runxxxxxxx").repeated(repeats) + " : x\n";
        QCOMPARE(PageCheck::check(page("run", {many}), "run", &shape), QString());
        QCOMPARE(shape.marks, repeats);
        QCOMPARE(shape.items, 1);

        // Many brace groups: only the last may be the label, and here its
        // content has two separate hyphens, so there is none.
        const QString groups = "w" + QString("  {x").repeated(repeats);
        Eijiro::RendererReading reading;
        // The reading is views into the line.
        const QString twoHyphens = "■" + groups + "-b-} : y", oneRun = "■" + groups + "--b} : y";
        QVERIFY(Eijiro::readRenderer(twoHyphens, &reading));
        QVERIFY(!reading.hasLabel);
        QCOMPARE(reading.entryWord.toString(), groups + "-b-}");
        QVERIFY(Eijiro::readRenderer(oneRun, &reading));
        QVERIFY(reading.hasLabel);
        QCOMPARE(reading.label.toString(), QString("x"));
        QCOMPARE(reading.entryWord.size(), groups.size() - 4);
    }

    // Random entry lines: each head marked where Qt's case-insensitive
    // search finds the word, and the page as plain writing makes it. The
    // Kelvin sign and the long s fold onto k and s, the full-width k onto no
    // ASCII letter.
    void randomPages()
    {
        const QString units = QStringLiteral("aAkKsSzZ-<&\"\u212A\u017F\uFF4B \u25A0");
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            const int alphabet = round % 3 ? 12 : int(units.size());
            const QString word = randomText(random, units, 1 + random.bounded(3), alphabet);
            const QString head =
                "x" + randomText(random, units, random.bounded(round % 10 ? 12 : 600), alphabet);
            const QString body = "b" + randomText(random, units, random.bounded(8), units.size());
            // The word as typed is as long as what it matches: the cuts
            // stand where the matches stand in the head.
            QList<qsizetype> found;
            for (qsizetype at = 0; (at = head.indexOf(word, at, Qt::CaseInsensitive)) >= 0;
                 at += word.size())
                found << at << at + word.size();
            const Page made = page(word, {"■" + head + " : " + body + "\n", "■" + head + " : y\n"});
            QCOMPARE(made.blocks.first().cuts, found);
            QCOMPARE(PageHtml::write(made), plainHtml(made));
        }
    }

    void labelsAndHeads()
    {
        // The same label under two heads: the second heading gets no badge.
        QCOMPARE(render("", {"■run  {v} : a\n", "■walk  {v} : b\n"}),
                 "<ol></ol>" + heading + "run</h2><ol></ol><ol>" + badge +
                     "v&nbsp;</span><li>a\n</li></ol>" + heading +
                     "walk</h2><ol><li>b\n</li></ol>");
        // Two unlabelled lines of one head: one heading, two one-item lists.
        QCOMPARE(render("", {"■run out : a\n", "■run out : b\n"}),
                 "<ol></ol>" + heading + "run out</h2><ol><li>a\n</li></ol><ol><li>b\n</li></ol>");
        // An unlabelled line after a labelled one of the same entry word stays
        // under its heading, and the reverse gets only the badge.
        QCOMPARE(render("", {"■run  {v} : a\n", "■run : b\n", "■run  {n} : c\n"}),
                 "<ol></ol>" + heading + "run</h2><ol></ol><ol>" + badge +
                     "v&nbsp;</span><li>a\n</li></ol><ol><li>b\n</li></ol><ol>" + badge +
                     "n&nbsp;</span><li>c\n</li></ol>");
    }

    void bodies()
    {
        // Each ■ inside a body becomes a break; the terminator, CR LF too,
        // stays at the end of the body.
        QCOMPARE(render("", {"■run : a■・b■・c■\r\n"}),
                 "<ol></ol>" + heading + "run</h2><ol><li>a<br />・b<br />・c<br />\r\n</li></ol>");
        // A last line without a terminator.
        QCOMPARE(render("", {"■run : a"}), "<ol></ol>" + heading + "run</h2><ol><li>a</li></ol>");
    }

    void dictionaryTextIsEscaped()
    {
        QCOMPARE(render("", {"■<b>  {\"n\"} : <i>x</i> & \"y\" > z\n"}),
                 "<ol></ol>" + heading + "&lt;b&gt;</h2><ol></ol><ol>" + badge +
                     "&quot;n&quot;&nbsp;</span><li>&lt;i&gt;x&lt;/i&gt; &amp; &quot;y&quot; &gt; "
                     "z\n</li></ol>");
    }

    void typedWordIsEscaped()
    {
        // Markup in the typed word is shown, never interpreted.
        QCOMPARE(render("<b>", {}), QString("<h2>&lt;b&gt;  is not found.</h2>"));
        QCOMPARE(render("<B>", {"■<b>tag : x\n"}), singleHeading(mark + "&lt;B&gt;</span>tag"));
        // "&" matches the escaped ampersand of the heading.
        QCOMPARE(render("&", {"■R&D : x\n"}), singleHeading("R" + mark + "&amp;</span>D"));
        QCOMPARE(render("r&d", {"■R&D : x\n"}), singleHeading(mark + "r&amp;d</span>"));
        // A word that spells part of an entity must not split it.
        QCOMPARE(render("amp", {"■R&D amp : x\n"}),
                 singleHeading("R&amp;D " + mark + "amp</span>"));
        QCOMPARE(render("t;", {"■<t;> : x\n"}), singleHeading("&lt;" + mark + "t;</span>&gt;"));
        // Placeholders in the typed word stay as typed.
        QCOMPARE(render("%1", {}), QString("<h2>%1  is not found.</h2>"));
        QCOMPARE(render("%2", {}), QString("<h2>%2  is not found.</h2>"));
        QCOMPARE(render("%1%2", {"■a%1%2 : x\n"}), singleHeading("a" + mark + "%1%2</span>"));
    }

    // A typed word that is part of an entity the escaping writes is never
    // marked, which would split the entity; the character marks it whole.
    void entitiesAreNeverSplit()
    {
        for (const QString character : {"<", ">", "&", "\""}) {
            const QString entity = Eijiro::escape(character);
            // No letter of the head outside the entity is in an entity name.
            const QString line = "■X" + character + "Y : x\n";
            for (qsizetype from = 1; from < entity.size(); ++from) {
                for (qsizetype end = from + 1; end <= entity.size(); ++end) {
                    const QString part = entity.mid(from, end - from);
                    QVERIFY2(render(part, {line}) == singleHeading("X" + entity + "Y"),
                             qPrintable(part));
                }
            }
            QCOMPARE(render(character, {line}), singleHeading("X" + mark + entity + "</span>Y"));
        }
    }

    // orvel-cli's text: a blank line before each heading, labels in
    // brackets, items numbered per list with their sub-items indented
    // beneath, white space as a browser shows it.
    void plainText_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::newRow("worked example")
            << "run"
            << QStringList{"■run  {v-1} : to move fast\n", "■run  {v-2} : to manage■・run a shop\n",
                           "■run  {n} : a trip\n",         "■run out : to end\n",
                           "■run out : to expire\n",       "■Rune  {n} : a letter\n"}
            << "run\n  [v]\n  1. to move fast\n  2. to manage\n       ・run a shop\n  [n]\n"
               "  1. a trip\n\nrun out\n  1. to end\n  1. to expire\n\nrune\n  1. a letter";
        QTest::newRow("white space")
            << "" << QStringList{"■w\t\tw  { n\u00a0 } :  \t a \u3000 b \u00a0\r\n"}
            << "w w\n  [n]\n  1. a \u3000 b \u00a0";
        QTest::newRow("breaks at the edges of an item")
            << "" << QStringList{"■b : ■x■ ■\n", "■c : y\n"} << "b\n  1.\n       x\n\nc\n  1. y";
        QTest::newRow("not found") << " a\tb " << QStringList{"x : y\n"} << "a b is not found.";
    }

    void plainText()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QCOMPARE(PageText::write(page(word, lines)), text);
    }

    // The no-dictionary and failure pages: a line per line of their text,
    // each argument shown as it is, whatever it holds.
    void messages()
    {
        const Page message = Page::message("Cannot read:\n%1\n\n(%2)", {"<a>&%2\nb", "%1"});
        QCOMPARE(PageHtml::write(message),
                 QString("Cannot read:<br />&lt;a&gt;&amp;%2\nb<br /><br />(%1)"));
        QCOMPARE(PageText::write(message), QString("Cannot read:\n<a>&%2 b\n\n(%1)"));
    }
};

QTEST_GUILESS_MAIN(TestRenderer)
#include "tst_renderer.moc"
