#include "lookup/pagehtml.h"

#include <algorithm>

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
constexpr QStringView spanClose = u"</span>";
constexpr QStringView itemOpen = u"<li>";
constexpr QStringView itemClose = u"</li>";
constexpr QStringView lineBreak = u"<br />";
constexpr QStringView linkOpen = u"<a href=\"";
constexpr QStringView linkTextOpen = u"\">";
constexpr QStringView linkClose = u"</a>";

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

// A page is written twice: first only counted, then into a string of
// exactly that length. Appending piece by piece to a growing string cost
// more than the rest of writing the page.
template <bool writing> class Output
{
public:
    explicit Output(char16_t *to = nullptr) : m_to(to) {}
    void put(QStringView text)
    {
        if constexpr (writing)
            m_to = std::copy(text.utf16(), text.utf16() + text.size(), m_to);
        m_size += text.size();
    }
    // Writes `text` with < > & and " as character references.
    void putEscaped(QStringView text)
    {
        for (const QChar c : text) {
            if (const QStringView reference = entity(c.unicode()); !reference.isEmpty()) {
                put(reference);
            } else {
                if constexpr (writing)
                    *m_to++ = c.unicode();
                ++m_size;
            }
        }
    }
    qsizetype size() const { return m_size; }

private:
    char16_t *m_to;
    qsizetype m_size = 0;
};

// The pieces of `block` with `separator` between them.
template <typename Out> void putPieces(Out &out, const PageBlock &block, QStringView separator)
{
    for (qsizetype i = 0; i < block.pieceCount(); ++i) {
        if (i > 0)
            out.put(separator);
        out.putEscaped(block.piece(i));
    }
}

template <typename Out> void putHeading(Out &out, const PageBlock &heading)
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

template <typename Out> void putPage(Out &out, const Page &page)
{
    const bool result = page.isResult();
    if (result)
        out.put(listOpen);
    for (const PageBlock &block : page.blocks) {
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
            out.put(linkOpen);
            out.putEscaped(block.piece(1));
            out.put(linkTextOpen);
            out.putEscaped(block.piece(0));
            out.put(linkClose);
            break;
        }
    }
    if (result)
        out.put(listClose);
}

} // namespace

namespace PageHtml {

QString write(const Page &page)
{
    Output<false> counter;
    putPage(counter, page);
    QString html(counter.size(), Qt::Uninitialized);
    if (html.isEmpty())
        return html;
    Output<true> writer(reinterpret_cast<char16_t *>(html.data()));
    putPage(writer, page);
    Q_ASSERT(writer.size() == html.size());
    return html;
}

} // namespace PageHtml
