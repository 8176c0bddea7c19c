#include "mainwindow/wordlistdelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

QSize WordListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (m_height < 0 || option.font != m_font) {
        // Latin and Japanese rows alike: a fallback font for kana or kanji
        // is often taller than the list's own.
        QStyleOptionViewItem sample(option);
        sample.features |= QStyleOptionViewItem::HasDisplay;
        m_height = 0;
        for (const QString &text : {QStringLiteral("Ag"), QStringLiteral("\u6f22\u3042")}) {
            sample.text = text;
            const QWidget *widget = option.widget;
            const QStyle *style = widget ? widget->style() : QApplication::style();
            m_height = qMax(
                m_height, style->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), widget)
                              .height());
        }
        m_font = option.font;
    }
    size.setHeight(m_height);
    return size;
}

bool WordListDelegate::isCut(const QAbstractItemView *view, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.font = view->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.rect = view->visualRect(index);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    const QRect room = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
    // The style leaves a margin on either side inside the text's room.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return option.fontMetrics.horizontalAdvance(option.text) > room.width() - 2 * margin;
}

bool WordListDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                 const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (isCut(view, index))
        QToolTip::showText(event->globalPos(), index.data().toString(), view->viewport(),
                           option.rect);
    else
        QToolTip::hideText();
    return true;
}
