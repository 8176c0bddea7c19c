#include "mainwindow/headingmarks.h"

#include "mainwindow/resultview.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

namespace HeadingMarks {

QList<int> headingBlocks(const QTextEdit *view)
{
    // Entry headings are the page's second-level headings; a page that is
    // no result page has no entries to go with its one.
    QList<int> blocks;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2)
            blocks << block.blockNumber();
    }
    return blocks;
}

QList<Mark> inSight(const QTextEdit *view, qsizetype count, qreal size)
{
    QList<Mark> marks;
    const QList<int> blocks = headingBlocks(view);
    count = qMin(blocks.size(), count);
    QTextDocument *document = view->document();
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    const int top = view->verticalScrollBar()->value();
    const int bottom = top + view->viewport()->height();
    for (int i = 0; i < count; ++i) {
        const QTextBlock block = document->findBlockByNumber(blocks.at(i));
        const QRectF place = layout->blockBoundingRect(block);
        if (place.bottom() < top)
            continue;
        if (place.top() > bottom)
            break;
        // Beside the heading's first line.
        const QTextLine line =
            block.layout()->lineCount() > 0 ? block.layout()->lineAt(0) : QTextLine();
        const qreal middle = place.top() - top +
                             (line.isValid() ? line.y() + line.height() / 2 : place.height() / 2);
        marks.append({i, QRectF(0, middle - size / 2, size, size)});
    }
    return marks;
}

int atTop(const QTextEdit *view, qsizetype count)
{
    const QList<int> blocks = headingBlocks(view);
    count = qMin(blocks.size(), count);
    if (count == 0)
        return -1;
    const int top = view->verticalScrollBar()->value();
    QAbstractTextDocumentLayout *layout = view->document()->documentLayout();
    int chosen = 0;
    for (int i = 1; i < count; ++i) {
        if (layout->blockBoundingRect(view->document()->findBlockByNumber(blocks.at(i))).top() >
            top + 1)
            break;
        chosen = i;
    }
    return chosen;
}

} // namespace HeadingMarks

HeadingColumn::HeadingColumn(ResultView *view, const QString &name, const Marks &marks)
    : QWidget(view), view(view), marks(marks)
{
    setObjectName(name);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMouseTracking(true);
    place();
    connect(view, &ResultView::fontChanged, this, &HeadingColumn::place);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            qOverload<>(&QWidget::update));
}

void HeadingColumn::pageChanged()
{
    // Each column connects once to each document.
    const QByteArray connected = "orvelFollowedBy" + objectName().toLatin1();
    QTextDocument *document = view->document();
    if (!document->property(connected).toBool()) {
        document->setProperty(connected, true);
        connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                qOverload<>(&QWidget::update));
    }
    update();
}

int HeadingColumn::entryAt(const QPoint &point) const
{
    for (const HeadingMarks::Mark &mark : HeadingMarks::inSight(view, marks.count(), width())) {
        if (mark.place.contains(point))
            return mark.entry;
    }
    return -1;
}

void HeadingColumn::setShown(bool shown)
{
    setVisible(shown);
    place();
}

void HeadingColumn::place()
{
    view->setGutter(this, QFontMetrics(view->font()).height() * 5 / 4);
}

void HeadingColumn::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(view->font());
    painter.setPen(view->colours().link);
    for (const HeadingMarks::Mark &mark : HeadingMarks::inSight(view, marks.count(), width()))
        marks.paint(painter, mark.entry, mark.place);
}

void HeadingColumn::mousePressEvent(QMouseEvent *event)
{
    const int entry = entryAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && entry >= 0)
        marks.clicked(entry);
}

void HeadingColumn::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(entryAt(event->position().toPoint()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

bool HeadingColumn::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const int entry = entryAt(help->pos());
    if (entry < 0)
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), marks.tip(entry), this);
    return true;
}
