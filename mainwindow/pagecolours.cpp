#include "mainwindow/pagecolours.h"

#include "lookup/page.h"

#include <QList>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace {

// `a` moved by `share` (0 to 1) towards `b`.
QColor mixed(const QColor &a, const QColor &b, double share)
{
    const auto channel = [share](int from, int to) { return qRound(from + (to - from) * share); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

// `colour` made lighter on a dark ground, darker on a light one, until it
// reads at the minimum contrast on `ground` (or can go no further).
QColor readableOn(QColor colour, const QColor &ground)
{
    // Below this luminance white stands out more than black does.
    const bool lighten = PageColours::luminance(ground) < 0.179;
    float hue = 0, saturation = 0, lightness = 0;
    colour.getHslF(&hue, &saturation, &lightness);
    while (PageColours::contrast(colour, ground) < PageColours::minimumContrast && lightness > 0 &&
           lightness < 1) {
        lightness = qBound(0.0F, lightness + (lighten ? 0.01F : -0.01F), 1.0F);
        colour = QColor::fromHslF(hue, saturation, lightness);
    }
    return colour;
}

// The brush's colour where the format sets one; invalid otherwise.
QColor colourOf(const QTextFormat &format, QTextFormat::Property property)
{
    return format.hasProperty(property) ? format.brushProperty(property).color() : QColor();
}

} // namespace

PageColours PageColours::page()
{
    return {QColor(QLatin1String(PageStyle::highlightColor)),
            QColor(QLatin1String(PageStyle::badgeColor)), QColor(0x80, 0x80, 0x80), QColor(),
            QColor(QLatin1String(PageStyle::dictionaryColor))};
}

PageColours PageColours::forPalette(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const PageColours own = page();
    PageColours colours;
    colours.highlight = readableOn(own.highlight, base);
    // Text over a tint of the text colour on the base: the page's grey on a
    // light palette, a dark grey on a dark one.
    double tint = 0.12;
    colours.badge = mixed(base, text, tint);
    while (contrast(text, colours.badge) < minimumContrast && tint > 0)
        colours.badge = mixed(base, text, tint = qMax(0.0, tint - 0.02));
    // Half way to the text, but never below the contrast text needs: the
    // rule line above a page is read, not only seen.
    colours.muted = readableOn(mixed(base, text, 0.5), base);
    colours.link = readableOn(palette.color(QPalette::Link), base);
    // The page's own tint where the text reads on it, else a little of it
    // on the base.
    colours.section = own.section;
    for (double tint = 0.3; contrast(text, colours.section) < minimumContrast && tint >= 0;
         tint -= 0.05)
        colours.section = mixed(base, own.section, qMax(0.0, tint));
    return colours;
}

double PageColours::luminance(const QColor &colour)
{
    const auto linear = [](float c) {
        return c <= 0.04045F ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

double PageColours::contrast(const QColor &a, const QColor &b)
{
    const double x = luminance(a), y = luminance(b);
    return (qMax(x, y) + 0.05) / (qMin(x, y) + 0.05);
}

void PageColours::recolour(QTextDocument *document, const PageColours &from, const PageColours &to)
{
    if (from == to)
        return;
    const struct
    {
        QTextFormat::Property property;
        QColor from, to;
    } roles[] = {
        {QTextFormat::ForegroundBrush, from.highlight, to.highlight},
        {QTextFormat::BackgroundBrush, from.badge, to.badge},
        {QTextFormat::ForegroundBrush, from.muted, to.muted},
        {QTextFormat::ForegroundBrush, from.link, to.link},
        {QTextFormat::BackgroundBrush, from.section, to.section},
    };
    // Found first, then changed: a change merges and splits fragments.
    struct Change
    {
        int position, length;
        QTextCharFormat format;
    };
    QList<Change> changes;
    QList<QTextBlock> sections;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // A dictionary's name has its colour behind the whole paragraph too.
        if (from.section.isValid() &&
            colourOf(block.blockFormat(), QTextFormat::BackgroundBrush) == from.section)
            sections << block;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format;
            for (const auto &role : roles) {
                if (role.from.isValid() &&
                    colourOf(fragment.charFormat(), role.property) == role.from)
                    format.setProperty(role.property, QBrush(role.to));
            }
            if (!format.properties().isEmpty())
                changes.append({fragment.position(), fragment.length(), format});
        }
    }
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    for (const Change &change : std::as_const(changes)) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(change.format);
    }
    QTextBlockFormat section;
    section.setBackground(to.section);
    for (const QTextBlock &block : std::as_const(sections)) {
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(section);
    }
    document->setUndoRedoEnabled(undo);
}
