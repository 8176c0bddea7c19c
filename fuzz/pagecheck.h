#pragma once

// What every page a look-up produces must look like, whatever the
// dictionary and the typed word held: either the not-found page for the
// word, or a result page whose blocks follow one another as the renderer
// puts them (a heading first, every list with items, highlights in
// headings only and showing exactly the typed word, no sub-item mark left
// in an item). Used by the fuzz targets and by the tests.

#include "dictionary/format.h"
#include "lookup/page.h"

#include <QString>

namespace PageCheck {

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

// The not-found page for a typed word (untranslated suffix), as HTML.
inline QString notFoundPage(const QString &word)
{
    return QStringLiteral("<h2>") + Eijiro::escape(word) + QStringLiteral("  is not found.</h2>");
}

// Empty when `block`'s cuts are ascending positions inside its text.
inline QString checkCuts(const PageBlock &block, qsizetype index)
{
    qsizetype last = 0;
    for (const qsizetype cut : block.cuts) {
        if (cut < last || cut > block.text.size())
            return QStringLiteral("block %1 is cut out of order").arg(index);
        last = cut;
    }
    return QString();
}

// Returns an empty string when `page` is well-formed for `word`, otherwise a
// description of the first fault. Fills `shape` when given.
inline QString check(const Page &page, const QString &word, Shape *shape = nullptr)
{
    Shape local;
    Shape &s = shape ? *shape : local;
    s = Shape();
    const QList<PageBlock> &blocks = page.blocks;
    if (blocks.size() == 1 && blocks[0].kind == PageBlock::NotFound && blocks[0].cuts.isEmpty()) {
        if (blocks[0].text != word + QStringLiteral("  is not found."))
            return QStringLiteral("a not-found page for another word");
        return QString();
    }
    s.found = true;
    if (!page.isResult())
        return QStringLiteral("a result page that does not start with a heading");

    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const PageBlock &block = blocks[i];
        const PageBlock::Kind previous = i > 0 ? blocks[i - 1].kind : PageBlock::Item;
        const PageBlock::Kind next =
            i + 1 < blocks.size() ? blocks[i + 1].kind : PageBlock::Heading;
        const QString cuts = checkCuts(block, i);
        if (!cuts.isEmpty())
            return cuts;
        switch (block.kind) {
        case PageBlock::Heading:
            ++s.headings;
            if (previous != PageBlock::Item)
                return QStringLiteral("heading %1 follows a list without items").arg(i);
            if (block.cuts.size() % 2 != 0)
                return QStringLiteral("heading %1 ends inside a highlight").arg(i);
            for (qsizetype piece = 1; piece < block.pieceCount(); piece += 2) {
                ++s.marks;
                if (block.piece(piece) != word)
                    return QStringLiteral("highlight holds something else than the word");
            }
            if (block.text.isEmpty())
                return QStringLiteral("heading %1 is empty").arg(i);
            break;
        case PageBlock::Label:
            ++s.badges;
            if (next != PageBlock::Item || block.text.isEmpty() || !block.cuts.isEmpty())
                return QStringLiteral("label %1 without a label or an item").arg(i);
            break;
        case PageBlock::NewList:
            if (previous != PageBlock::Item || next != PageBlock::Item || !block.text.isEmpty())
                return QStringLiteral("list %1 opened between two empty lists").arg(i);
            break;
        case PageBlock::Item:
            ++s.items;
            s.breaks += int(block.cuts.size());
            if (block.text.contains(Eijiro::marker))
                return QStringLiteral("item %1 keeps a sub-item mark").arg(i);
            break;
        case PageBlock::NotFound:
        case PageBlock::Message:
        case PageBlock::Link:
        case PageBlock::Dictionary:
        // An EDICT page's, never an Eijiro window's.
        case PageBlock::Common:
        case PageBlock::Sense:
        // A page of several dictionaries', never one window's.
        case PageBlock::Contents:
        case PageBlock::More:
        case PageBlock::Then:
            return QStringLiteral("block %1 does not belong in a result page").arg(i);
        }
    }
    if (blocks.last().kind != PageBlock::Item)
        return QStringLiteral("a result page that ends with an empty list");
    return QString();
}

} // namespace PageCheck
