#include "lookup/pagehtml.h"

namespace {

const QString listOpen = QStringLiteral("<ol>");
const QString listClose = QStringLiteral("</ol>");
const QString headingOpen = QStringLiteral("<h2 style='font-weight:bold'>");
const QString notFoundOpen = QStringLiteral("<h2>");
const QString headingClose = QStringLiteral("</h2>");
const QString highlightOpen =
    QStringLiteral("<span style='color:%1'>").arg(QLatin1String(PageStyle::highlightColor));
// The label stands between two no-break spaces inside its badge.
const QString badgeOpen = QStringLiteral("<span style='background-color:%1'>&nbsp;")
                              .arg(QLatin1String(PageStyle::badgeColor));
const QString badgeClose = QStringLiteral("&nbsp;</span>");
const QString spanClose = QStringLiteral("</span>");
const QString itemOpen = QStringLiteral("<li>");
const QString itemClose = QStringLiteral("</li>");
const QString lineBreak = QStringLiteral("<br />");

// Appends `text` with < > & and " as character references.
void appendEscaped(QString &out, QStringView text)
{
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // All four come before '?'; most text does not.
        if (c > u'>')
            continue;
        QLatin1String entity;
        if (c == u'<')
            entity = QLatin1String("&lt;");
        else if (c == u'>')
            entity = QLatin1String("&gt;");
        else if (c == u'&')
            entity = QLatin1String("&amp;");
        else if (c == u'"')
            entity = QLatin1String("&quot;");
        else
            continue;
        out.append(text.mid(copied, i - copied)).append(entity);
        copied = i + 1;
    }
    out += text.mid(copied);
}

// The pieces of `block` with `separator` between them.
void appendPieces(QString &out, const PageBlock &block, const QString &separator)
{
    for (qsizetype i = 0; i < block.pieceCount(); ++i) {
        if (i > 0)
            out += separator;
        appendEscaped(out, block.piece(i));
    }
}

void appendHeading(QString &out, const PageBlock &heading)
{
    out += listClose;
    out += headingOpen;
    for (qsizetype i = 0; i < heading.pieceCount(); ++i) {
        const bool highlighted = i % 2 == 1;
        if (highlighted)
            out += highlightOpen;
        appendEscaped(out, heading.piece(i));
        if (highlighted)
            out += spanClose;
    }
    out += headingClose;
    out += listOpen;
}

} // namespace

namespace PageHtml {

QString write(const Page &page)
{
    qsizetype size = 0;
    for (const PageBlock &block : page.blocks)
        size += block.text.size() + 48 + 32 * block.cuts.size();
    QString out;
    out.reserve(size + 16);

    const bool result = page.isResult();
    if (result)
        out += listOpen;
    for (const PageBlock &block : page.blocks) {
        switch (block.kind) {
        case PageBlock::Heading:
            appendHeading(out, block);
            break;
        case PageBlock::Label:
            out += listClose;
            out += listOpen;
            out += badgeOpen;
            appendEscaped(out, block.text);
            out += badgeClose;
            break;
        case PageBlock::NewList:
            out += listClose;
            out += listOpen;
            break;
        case PageBlock::Item:
            out += itemOpen;
            appendPieces(out, block, lineBreak);
            out += itemClose;
            break;
        case PageBlock::NotFound:
            out += notFoundOpen;
            appendEscaped(out, block.text);
            out += headingClose;
            break;
        case PageBlock::Message:
            appendPieces(out, block, lineBreak);
            break;
        }
    }
    if (result)
        out += listClose;
    return out;
}

} // namespace PageHtml
