#pragma once

#include <QColor>

class QPalette;
class QTextDocument;

// The colours the result view shows a page in. A page names its own (a red
// for the typed word, a light grey behind a part-of-speech badge), made for
// dark text on a light ground; on a dark palette the badge's light text
// would vanish into its grey. So the view takes each from its palette, read
// at a contrast of at least minimumContrast on what it stands on, and gives
// a page's document those in place of the page's own.
struct PageColours
{
    QColor highlight; // the typed word in a heading, on the base
    QColor badge;     // behind a badge, under the palette's text colour
    QColor muted;     // a note such as the characters not shown, on the base
    QColor link;      // a link the view adds, on the base; none on a page
    QColor section;   // behind a dictionary's name, under the palette's text colour

    bool operator==(const PageColours &other) const
    {
        return highlight == other.highlight && badge == other.badge && muted == other.muted &&
               link == other.link && section == other.section;
    }
    bool operator!=(const PageColours &other) const { return !(*this == other); }

    // The colours a page's document is built in.
    static PageColours page();
    // The colours for `palette`: the page's own where they read well on it.
    static PageColours forPalette(const QPalette &palette);

    // Text and what it stands on must differ at least this much (the WCAG
    // level for ordinary text).
    static constexpr double minimumContrast = 4.5;
    // The relative luminance of sRGB `colour`, and the contrast ratio of two
    // colours, as WCAG defines them.
    static double luminance(const QColor &colour);
    static double contrast(const QColor &a, const QColor &b);

    // Gives the text of `document` shown in the colours `from` those of `to`.
    static void recolour(QTextDocument *document, const PageColours &from, const PageColours &to);
};
