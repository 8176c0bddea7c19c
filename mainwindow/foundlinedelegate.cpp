#include "mainwindow/foundlinedelegate.h"

#include "mainwindow/entrylistmodel.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

qreal FoundLineDelegate::shift(qreal matchStart, qreal matchEnd, qreal lineWidth, qreal width)
{
    if (matchEnd <= width)
        return 0;
    return qMax<qreal>(0, qMin(matchStart - width / 3, lineWidth - width));
}

void FoundLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QVariant marks = index.data(EntryListModel::MarksRole);
    if (!marks.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    QTextLayout layout(item.text, item.font);
    // The background and the selection, without the text.
    item.text.clear();
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, option.widget);
    const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, option.widget);

    QTextCharFormat word;
    word.setFontWeight(QFont::Bold);
    QTextCharFormat marked;
    marked.setBackground(QColor(0xFF, 0xDC, 0x50));
    marked.setForeground(QColor(Qt::black));
    QList<QTextLayout::FormatRange> formats{
        {0, index.data(EntryListModel::WordLengthRole).toInt(), word}};
    const QVariantList places = marks.toList();
    for (const QVariant &mark : places)
        formats.append({mark.toPoint().x(), mark.toPoint().y(), marked});
    layout.setFormats(formats);
    QTextOption once;
    once.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(once);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();

    qreal moved = 0;
    if (!places.isEmpty()) {
        const QPoint first = places.first().toPoint();
        moved = shift(line.cursorToX(first.x()), line.cursorToX(first.x() + first.y()),
                      line.naturalTextWidth(), rect.width());
    }
    painter->save();
    painter->setClipRect(rect);
    painter->setPen(item.palette.color(
        item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    layout.draw(painter,
                QPointF(rect.left() - moved, rect.top() + (rect.height() - line.height()) / 2));
    painter->restore();
}
