#pragma once

#include "mainwindow/wordlistdelegate.h"

// Paints a found line of Find in Entries on one line: its entry word in
// bold, the places of the text searched for marked. A line whose first
// match lies beyond the row's width is shown from a little before that
// match, so the row shows the match and its context at any width. Other
// rows are painted as ever; rows of either list are as tall, and cut ones
// show their text as a tooltip, as the word list's.
class FoundLineDelegate : public WordListDelegate
{
    Q_OBJECT

public:
    using WordListDelegate::WordListDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // How far a line `lineWidth` wide is moved to the left in a row `width`
    // wide so that its match, from `matchStart` to `matchEnd`, shows: not
    // at all while it fits, else so that the match starts a third into the
    // row, the line's end not before the row's.
    static qreal shift(qreal matchStart, qreal matchEnd, qreal lineWidth, qreal width);
};
