#include "mainwindow/starlinks.h"

#include "mainwindow/pageloader.h"
#include "mainwindow/resultview.h"
#include "notebook/notebookthread.h"
#include "notebook/pageentries.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

namespace {

const QString unstarredMark = QStringLiteral("☆");
const QString starredMark = QStringLiteral("★");

QString key(const QString &dictionary, const QString &word)
{
    return dictionary + QChar(0x1f) + word;
}

// Entry headings are the page's second-level headings; a page that is no
// result page has no entries to go with its one.
bool isHeading(const QTextBlock &block)
{
    return block.blockFormat().headingLevel() == 2;
}

} // namespace

StarLinks::StarLinks(ResultView *view, PageLoader *pages, NotebookThread *notebook, QObject *parent)
    : QObject(parent), view(view), viewport(view->viewport()), pages(pages), notebook(notebook),
      gutter(new QWidget(view)), m_star(new QAction(tr("&Star Entry"), this))
{
    m_star->setObjectName(QStringLiteral("actionStarEntry"));
    m_star->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_star, &QAction::triggered, this, &StarLinks::starTop);

    gutter->setObjectName(QStringLiteral("starGutter"));
    gutter->setBackgroundRole(QPalette::Base);
    gutter->setAutoFillBackground(true);
    gutter->setMouseTracking(true);
    gutter->installEventFilter(this);
    viewport->installEventFilter(this);
    placeGutter();
    connect(view, &ResultView::fontChanged, this, &StarLinks::placeGutter);

    connect(pages, &PageLoader::pageShown, this, &StarLinks::pageChanged);
    connect(pages, &PageLoader::pageExtended, this, &StarLinks::pageChanged);
    connect(view, &QTextEdit::textChanged, this, &StarLinks::pageChanged);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, gutter,
            qOverload<>(&QWidget::update));

    connect(notebook, &NotebookThread::starsRead, this, &StarLinks::starsRead);
    connect(notebook, &NotebookThread::starsChanged, this, [this] {
        if (unsettled > 0)
            --unsettled;
        this->notebook->readStars();
    });
    notebook->readStars();
}

const QList<Star> &StarLinks::entries()
{
    if (!entriesRead) {
        // A page without sections is the one dictionary switched on's.
        QStringList on;
        for (const Records::Installed &dictionary : pages->installed()) {
            if (dictionary.enabled)
                on << dictionary.name;
        }
        m_entries = PageEntries::read(pages->page(), on.size() == 1 ? on.first() : QString());
        entriesRead = true;
    }
    return m_entries;
}

bool StarLinks::isStarred(const Star &entry) const
{
    return starred.contains(key(entry.dictionary, entry.word));
}

void StarLinks::toggle(int index)
{
    if (index < 0 || index >= entries().size())
        return;
    const Star entry = entries().at(index);
    if (starred.remove(key(entry.dictionary, entry.word))) {
        notebook->unstar(entry.word, entry.dictionary);
        emit said(tr("“%1” is no longer starred.").arg(entry.word));
    } else {
        starred.insert(key(entry.dictionary, entry.word));
        notebook->star(entry);
        emit said(tr("Starred “%1”.").arg(entry.word));
    }
    ++unsettled;
    gutter->update();
}

void StarLinks::starTop()
{
    const QList<int> blocks = headingBlocks();
    const qsizetype count = qMin(blocks.size(), entries().size());
    if (count == 0) {
        emit said(tr("This page has no entry to star."));
        return;
    }
    // The last heading at or above the top of the view.
    const int top = view->verticalScrollBar()->value();
    QAbstractTextDocumentLayout *layout = view->document()->documentLayout();
    int chosen = 0;
    for (int i = 1; i < count; ++i) {
        if (layout->blockBoundingRect(view->document()->findBlockByNumber(blocks.at(i))).top() >
            top + 1)
            break;
        chosen = i;
    }
    if (isStarred(entries().at(chosen)))
        emit said(tr("“%1” is starred already.").arg(entries().at(chosen).word));
    else
        toggle(chosen);
}

QList<int> StarLinks::headingBlocks() const
{
    QList<int> blocks;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (isHeading(block))
            blocks << block.blockNumber();
    }
    return blocks;
}

QList<StarLinks::Mark> StarLinks::marks()
{
    QList<Mark> marks;
    const QList<int> blocks = headingBlocks();
    const qsizetype count = qMin(blocks.size(), entries().size());
    QTextDocument *document = view->document();
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    const int top = view->verticalScrollBar()->value();
    const int bottom = top + view->viewport()->height();
    const qreal size = gutter->width();
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

int StarLinks::entryAt(const QPoint &point)
{
    for (const Mark &mark : marks()) {
        if (mark.place.contains(point))
            return mark.entry;
    }
    return -1;
}

void StarLinks::paint()
{
    QPainter painter(gutter);
    painter.setFont(view->font());
    painter.setPen(view->colours().link);
    for (const Mark &mark : marks())
        painter.drawText(mark.place, Qt::AlignCenter,
                         isStarred(entries().at(mark.entry)) ? starredMark : unstarredMark);
}

void StarLinks::pageChanged()
{
    entriesRead = false;
    // A new page is a new document, laid out bit by bit.
    static const char connected[] = "orvelStarsFollow";
    QTextDocument *document = view->document();
    if (!document->property(connected).toBool()) {
        document->setProperty(connected, true);
        connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
                gutter, qOverload<>(&QWidget::update));
    }
    gutter->update();
}

void StarLinks::placeGutter()
{
    const int width = QFontMetrics(view->font()).height() * 5 / 4;
    view->setGutter(width);
    const int frame = view->frameWidth();
    gutter->setGeometry(frame, frame, width, view->viewport()->height());
    gutter->update();
}

void StarLinks::starsRead(const QString &filter, const QList<Star> &stars)
{
    // The pane's filtered lists are not all there is; a list read before
    // a click's change was written would take the click back.
    if (!filter.isEmpty() || unsettled > 0)
        return;
    starred.clear();
    for (const Star &star : stars)
        starred.insert(key(star.dictionary, star.word));
    gutter->update();
}

bool StarLinks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport) {
        if (event->type() == QEvent::Resize)
            placeGutter();
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint:
        paint();
        return true;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            toggle(entryAt(static_cast<QMouseEvent *>(event)->position().toPoint()));
        return true;
    case QEvent::MouseMove:
        gutter->setCursor(entryAt(static_cast<QMouseEvent *>(event)->position().toPoint()) >= 0
                              ? Qt::PointingHandCursor
                              : Qt::ArrowCursor);
        return false;
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        const int entry = entryAt(help->pos());
        if (entry < 0)
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(),
                               isStarred(entries().at(entry)) ? tr("Take the star away")
                                                              : tr("Star this entry"),
                               gutter);
        return true;
    }
    default:
        return false;
    }
}
