#pragma once

#include <QFont>
#include <QStyledItemDelegate>

// Draws the word list's rows: every row as tall as the tallest script needs,
// whatever the first row of a list holds, and a row whose entry word is cut
// shows it whole as its tooltip.
class WordListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // Whether `index`'s text does not fit its row as `view` shows it.
    static bool isCut(const QAbstractItemView *view, const QModelIndex &index);

private:
    // Worked out again only when the font changes.
    mutable QFont m_font;
    mutable int m_height = -1;
};
