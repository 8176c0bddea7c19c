#include "mainwindow/starlinks.h"

#include "mainwindow/headingmarks.h"
#include "mainwindow/pageloader.h"
#include "mainwindow/resultview.h"
#include "notebook/notebookthread.h"
#include "notebook/pageentries.h"

#include <QAction>
#include <QPainter>

namespace {

const QString unstarredMark = QStringLiteral("☆");
const QString starredMark = QStringLiteral("★");

QString key(const QString &dictionary, const QString &word)
{
    return dictionary + QChar(0x1f) + word;
}

} // namespace

StarLinks::StarLinks(ResultView *view, PageLoader *pages, NotebookThread *notebook, QObject *parent)
    : QObject(parent), view(view), pages(pages), notebook(notebook),
      m_star(new QAction(tr("&Star Entry"), this))
{
    m_star->setObjectName(QStringLiteral("actionStarEntry"));
    m_star->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_star, &QAction::triggered, this, &StarLinks::starTop);
    gutter = new HeadingColumn(
        view, QStringLiteral("starGutter"),
        {[this] { return entries().size(); },
         [this](QPainter &painter, int entry, const QRectF &place) {
             painter.drawText(place, Qt::AlignCenter,
                              isStarred(entries().at(entry)) ? starredMark : unstarredMark);
         },
         [this](int entry) {
             return isStarred(entries().at(entry)) ? tr("Take the star away")
                                                   : tr("Star this entry");
         },
         [this](int entry) { toggle(entry); }});

    connect(pages, &PageLoader::pageShown, this, &StarLinks::pageChanged);
    connect(pages, &PageLoader::pageExtended, this, &StarLinks::pageChanged);
    connect(view, &QTextEdit::textChanged, this, &StarLinks::pageChanged);

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
    const int chosen = HeadingMarks::atTop(view, entries().size());
    if (chosen < 0) {
        emit said(tr("This page has no entry to star."));
        return;
    }
    if (isStarred(entries().at(chosen)))
        emit said(tr("“%1” is starred already.").arg(entries().at(chosen).word));
    else
        toggle(chosen);
}

void StarLinks::pageChanged()
{
    entriesRead = false;
    gutter->pageChanged();
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
