#include "lookup/pagehtml.h"

namespace {

constexpr QStringView listOpen = u"<ol>";
constexpr QStringView listClose = u"</ol>";
constexpr QStringView headingOpen = u"<h2 style='font-weight:bold'>";
constexpr QStringView notFoundOpen = u"<h2>";
constexpr QStringView headingClose = u"</h2>";
const QString highlightOpen =
    QStringLiteral("<span style='color:%1'>").arg(QLatin1String(PageStyle::highlightColor));
// The label stands between two no-break spaces inside its badge.
const QString badgeOpen = QStringLiteral("<span style='background-color:%1'>&nbsp;")
                              .arg(QLatin1String(PageStyle::badgeColor));
constexpr QStringView badgeClose = u"&nbsp;</span>";
const QString commonOpen = QStringLiteral("<span style='background-color:%1'>&nbsp;")
                               .arg(QLatin1String(PageStyle::commonColor));
// A tag's badge says what the tag means when the pointer rests on it.
constexpr QStringView tagOpen = u"<span title=\"";
const QString tagStyle = QStringLiteral("\" style='background-color:%1'>&nbsp;")
                             .arg(QLatin1String(PageStyle::badgeColor));
constexpr QStringView glossSeparator = u"; ";
constexpr QStringView markOpen = u"<b>";
constexpr QStringView markClose = u"</b>";
constexpr QStringView spanClose = u"</span>";
constexpr QStringView itemOpen = u"<li>";
constexpr QStringView itemClose = u"</li>";
constexpr QStringView lineBreak = u"<br />";
constexpr QStringView linkOpen = u"<a href=\"";
constexpr QStringView linkTextOpen = u"\">";
constexpr QStringView anchorOpen = u"<a name=\"";
constexpr QStringView linkClose = u"</a>";
const QString noteOpen =
    QStringLiteral("<p style='color:%1'>").arg(QLatin1String(PageStyle::noteColor));
constexpr QStringView paragraphOpen = u"<p>";
constexpr QStringView paragraphClose = u"</p>";
constexpr QStringView bulletsOpen = u"<ul>";
constexpr QStringView bulletsClose = u"</ul>";
const QString dictionaryOpen = QStringLiteral("<h3 style='background-color:%1'>")
                                   .arg(QLatin1String(PageStyle::dictionaryColor));
constexpr QStringView dictionaryClose = u"</h3>";

// The character reference that stands for `c` in the page, or nothing
// when `c` stands for itself. All four come before '?'; most text does not.
QStringView entity(char16_t c)
{
    if (c > u'>')
        return {};
    switch (c) {
    case u'<':
        return u"&lt;";
    case u'>':
        return u"&gt;";
    case u'&':
        return u"&amp;";
    case u'"':
        return u"&quot;";
    default:
        return {};
    }
}

// The page's HTML, written piece by piece.
class Output
{
public:
    void put(QStringView text) { m_html += text; }
    // Writes `text` with < > & and " as character references.
    void putEscaped(QStringView text)
    {
        for (const QChar c : text) {
            if (const QStringView reference = entity(c.unicode()); !reference.isEmpty())
                m_html += reference;
            else
                m_html += c;
        }
    }
    QString html() const { return m_html; }

private:
    QString m_html;
};

// The pieces of `block` with `separator` between them.
void putPieces(Output &out, const PageBlock &block, QStringView separator)
{
    for (qsizetype i = 0; i < block.pieceCount(); ++i) {
        if (i > 0)
            out.put(separator);
        out.putEscaped(block.piece(i));
    }
}

void putHeading(Output &out, const PageBlock &heading)
{
    out.put(listClose);
    out.put(headingOpen);
    for (qsizetype i = 0; i < heading.pieceCount(); ++i) {
        const bool highlighted = i % 2 == 1;
        if (highlighted)
            out.put(highlightOpen);
        out.putEscaped(heading.piece(i));
        if (highlighted)
            out.put(spanClose);
    }
    out.put(headingClose);
    out.put(listOpen);
}

// A sense: its tags' badges, then its glosses, the marked one in bold.
void putSense(Output &out, const PageBlock &sense)
{
    out.put(itemOpen);
    const qsizetype tags = sense.tips.size();
    for (qsizetype i = 0; i < tags; ++i) {
        out.put(tagOpen);
        out.putEscaped(sense.tips.at(i));
        out.put(tagStyle);
        out.putEscaped(sense.piece(i));
        out.put(badgeClose);
        out.put(u" ");
    }
    for (qsizetype i = tags; i < sense.pieceCount(); ++i) {
        if (i > tags)
            out.put(glossSeparator);
        if (i == sense.marked)
            out.put(markOpen);
        out.putEscaped(sense.piece(i));
        if (i == sense.marked)
            out.put(markClose);
    }
    out.put(itemClose);
}

void putLink(Output &out, QStringView text, QStringView address)
{
    out.put(linkOpen);
    out.putEscaped(address);
    out.put(linkTextOpen);
    out.putEscaped(text);
    out.put(linkClose);
}

// The suggestions, a list of links under their lead.
void putSuggestions(Output &out, const QStringList &words)
{
    out.put(paragraphOpen);
    out.putEscaped(Page::suggestionsLead());
    out.put(paragraphClose);
    out.put(bulletsOpen);
    for (const QString &word : words) {
        out.put(itemOpen);
        putLink(out, word, Page::lookUpAddress(word));
        out.put(itemClose);
    }
    out.put(bulletsClose);
}

// A line of a page of several: `lead`, then the block's pieces as links,
// each to the address `address` gives it.
template <typename Address>
void putLinkLine(Output &out, const QString &lead, const PageBlock &block, Address address)
{
    out.put(paragraphOpen);
    out.putEscaped(lead);
    for (qsizetype i = 0; i < block.pieceCount(); ++i) {
        out.put(i == 0 ? u" " : u", ");
        putLink(out, block.piece(i), address(i));
    }
    out.put(paragraphClose);
}

// The blocks from `from` to `to`, a page or a dictionary's section of one.
void putSection(Output &out, const QList<PageBlock> &blocks, qsizetype from, qsizetype to)
{
    const bool result = from < to && blocks.at(from).kind == PageBlock::Heading;
    if (result)
        out.put(listOpen);
    for (qsizetype b = from; b < to; ++b) {
        const PageBlock &block = blocks.at(b);
        switch (block.kind) {
        case PageBlock::Heading:
            putHeading(out, block);
            break;
        case PageBlock::Label:
            out.put(listClose);
            out.put(listOpen);
            out.put(badgeOpen);
            out.putEscaped(block.text);
            out.put(badgeClose);
            break;
        case PageBlock::NewList:
            out.put(listClose);
            out.put(listOpen);
            break;
        case PageBlock::Item:
            out.put(itemOpen);
            putPieces(out, block, lineBreak);
            out.put(itemClose);
            break;
        case PageBlock::NotFound:
            out.put(notFoundOpen);
            out.putEscaped(block.text);
            out.put(headingClose);
            break;
        case PageBlock::Message:
            putPieces(out, block, lineBreak);
            break;
        case PageBlock::Link:
            putLink(out, block.piece(0), block.piece(1));
            break;
        case PageBlock::Dictionary:
            break;
        case PageBlock::Common:
            out.put(commonOpen);
            out.putEscaped(block.text);
            out.put(badgeClose);
            break;
        case PageBlock::Sense:
            putSense(out, block);
            break;
        case PageBlock::Contents:
            putLinkLine(out, Page::contentsLead(), block, [&block](qsizetype i) {
                return QStringLiteral("#") + Page::sectionAnchor(block.tips.value(i).toLongLong());
            });
            break;
        case PageBlock::More:
            // Out of the list the section's lines are in, which goes on
            // after it.
            if (result)
                out.put(listClose);
            out.put(paragraphOpen);
            out.putEscaped(Page::moreLines(block.text));
            out.put(u" ");
            putLink(out, Page::showMoreLines(Page::windowLines), Page::moreAddress(block.marked));
            out.put(paragraphClose);
            if (result)
                out.put(listOpen);
            break;
        case PageBlock::Then:
            if (result)
                out.put(listClose);
            putLinkLine(out, Page::thenLead(), block, [&block](qsizetype i) {
                return Page::lookUpAddress(block.piece(i).toString());
            });
            if (result)
                out.put(listOpen);
            break;
        }
    }
    if (result)
        out.put(listClose);
}

void putPage(Output &out, const Page &page)
{
    if (!page.note.isEmpty()) {
        out.put(noteOpen);
        out.putEscaped(page.note);
        out.put(paragraphClose);
    }
    // A page of several dictionaries: each section under its dictionary's
    // name, written as a page of its own.
    const QList<PageBlock> &blocks = page.blocks;
    qsizetype from = 0;
    do {
        if (from < blocks.size() && blocks.at(from).kind == PageBlock::Dictionary) {
            const PageBlock &name = blocks.at(from);
            out.put(dictionaryOpen);
            // Where the top line's link to it leads.
            if (name.marked > 0) {
                out.put(anchorOpen);
                out.put(Page::sectionAnchor(name.marked));
                out.put(linkTextOpen);
            }
            out.putEscaped(name.text);
            if (name.marked > 0)
                out.put(linkClose);
            out.put(dictionaryClose);
            ++from;
        }
        qsizetype to = from;
        while (to < blocks.size() && blocks.at(to).kind != PageBlock::Dictionary)
            ++to;
        putSection(out, blocks, from, to);
        from = to;
    } while (from < blocks.size());
    if (!page.suggestions.isEmpty())
        putSuggestions(out, page.suggestions);
}

} // namespace

namespace PageHtml {

QString write(const Page &page)
{
    Output out;
    putPage(out, page);
    return out.html();
}

} // namespace PageHtml
