#pragma once

// What every page a look-up produces must look like, whatever the
// dictionary and the typed word held: either the not-found page or a result
// page built only from the renderer's fixed markup, properly nested, with
// every character of dictionary text or typed text escaped. Used by the
// fuzz targets and by the robustness tests.

#include "dictionary/format.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace PageCheck {

enum Tag {
    OlOpen,
    OlClose,
    H2Open,
    H2Close,
    MarkOpen,
    BadgeOpen,
    SpanClose,
    BadgeClose,
    LiOpen,
    LiClose,
    Br
};

struct Markup
{
    const char *text;
    Tag tag;
};

// Longest first where one is a prefix of another.
inline const Markup markup[] = {
    {"<span style='background-color:#e0e0e0'>&nbsp;", BadgeOpen},
    {"<span style='color:#C00000'>", MarkOpen},
    {"<h2 style='font-weight:bold'>", H2Open},
    {"&nbsp;</span>", BadgeClose},
    {"</span>", SpanClose},
    {"<ol>", OlOpen},
    {"</ol>", OlClose},
    {"</h2>", H2Close},
    {"<li>", LiOpen},
    {"</li>", LiClose},
    {"<br />", Br},
};

inline const char *const entities[] = {"&lt;", "&gt;", "&amp;", "&quot;"};

// Counts of what a result page holds, for comparison with the lines it was
// made from.
struct Shape
{
    bool found = false;
    int headings = 0;
    int items = 0;
    int breaks = 0;
    int badges = 0;
    int marks = 0;
};

// The not-found page for a typed word (untranslated suffix).
inline QString notFoundPage(const QString &word)
{
    return QStringLiteral("<h2>") + Eijiro::escape(word) + QStringLiteral("  is not found.</h2>");
}

// Returns an empty string when `page` is well-formed for `word`, otherwise a
// description of the first fault. Fills `shape` when given.
inline QString check(const QString &page, const QString &word, Shape *shape = nullptr)
{
    Shape local;
    Shape &s = shape ? *shape : local;
    s = Shape();
    if (page == notFoundPage(word))
        return QString();
    s.found = true;

    const QString escapedWord = Eijiro::escape(word);
    enum Context { Top, List, Heading, Item, Badge, Mark };
    QList<Context> stack{Top};
    bool sawOl = false;
    QString markText;
    qsizetype i = 0;
    while (i < page.size()) {
        const QChar c = page.at(i);
        const Context top = stack.last();
        bool isMarkup = false;
        for (const Markup &m : markup) {
            const QLatin1String text(m.text);
            if (!QStringView(page).mid(i).startsWith(text))
                continue;
            isMarkup = true;
            i += text.size();
            switch (m.tag) {
            case OlOpen:
                if (top != Top)
                    return QStringLiteral("<ol> inside another element at %1").arg(i);
                stack << List;
                sawOl = true;
                break;
            case OlClose:
                if (top != List)
                    return QStringLiteral("</ol> without its <ol> at %1").arg(i);
                stack.removeLast();
                break;
            case H2Open:
                if (top != Top)
                    return QStringLiteral("heading inside a list at %1").arg(i);
                stack << Heading;
                ++s.headings;
                break;
            case H2Close:
                if (top != Heading)
                    return QStringLiteral("</h2> out of place at %1").arg(i);
                stack.removeLast();
                break;
            case MarkOpen:
                if (top != Heading)
                    return QStringLiteral("highlight outside a heading at %1").arg(i);
                stack << Mark;
                markText.clear();
                ++s.marks;
                break;
            case BadgeOpen:
                if (top != List)
                    return QStringLiteral("label badge outside a list at %1").arg(i);
                stack << Badge;
                ++s.badges;
                break;
            case SpanClose:
                if (top != Mark)
                    return QStringLiteral("</span> out of place at %1").arg(i);
                if (markText != escapedWord)
                    return QStringLiteral("highlight holds something else than the word");
                stack.removeLast();
                break;
            case BadgeClose:
                if (top != Badge)
                    return QStringLiteral("badge end out of place at %1").arg(i);
                stack.removeLast();
                break;
            case LiOpen:
                if (top != List)
                    return QStringLiteral("<li> outside a list at %1").arg(i);
                stack << Item;
                ++s.items;
                break;
            case LiClose:
                if (top != Item)
                    return QStringLiteral("</li> out of place at %1").arg(i);
                stack.removeLast();
                break;
            case Br:
                if (top != Item)
                    return QStringLiteral("<br /> outside an item at %1").arg(i);
                ++s.breaks;
                break;
            }
            break;
        }
        if (isMarkup)
            continue;

        // Text: only inside headings, items, badges and highlights.
        if (top == Top || top == List)
            return QStringLiteral("text outside any element at %1").arg(i);
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"'))
            return QStringLiteral("unescaped %1 at %2").arg(c).arg(i);
        qsizetype length = 1;
        if (c == QLatin1Char('&')) {
            length = 0;
            for (const char *entity : entities) {
                if (QStringView(page).mid(i).startsWith(QLatin1String(entity)))
                    length = qsizetype(qstrlen(entity));
            }
            if (length == 0)
                return QStringLiteral("a bare & at %1").arg(i);
        }
        if (top == Mark)
            markText += QStringView(page).mid(i, length);
        i += length;
    }
    if (stack.size() != 1)
        return QStringLiteral("%1 elements left open").arg(stack.size() - 1);
    if (!sawOl || s.headings == 0 || s.items == 0)
        return QStringLiteral("a result page without a heading or an item");
    if (!page.startsWith(QLatin1String("<ol></ol><h2")))
        return QStringLiteral("a result page that does not start with a heading");
    return QString();
}

} // namespace PageCheck
