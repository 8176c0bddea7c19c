#include "mainwindow/pageloader.h"

#include "database/dictionarydatabase.h"
#include "database/installeddictionaries.h"
#include "lookup/pagehtml.h"
#include "mainwindow/pagedocument.h"
#include "mainwindow/pagethread.h"
#include "mainwindow/resultview.h"

#include <QScrollBar>
#include <QTextDocument>
#include <QUrl>

namespace {
// Marks where the page in `view` holds `text`, ignoring case (none for an
// empty one), and brings the first place into sight.
void markText(QTextBrowser *view, const QString &text)
{
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat format;
    format.setBackground(view->palette().highlight());
    format.setForeground(view->palette().highlightedText());
    for (QTextCursor at = view->document()->find(text); !text.isEmpty() && !at.isNull();
         at = view->document()->find(text, at))
        marks.append({at, format});
    view->setExtraSelections(marks);
    if (marks.isEmpty())
        return;
    QTextCursor first = marks.constFirst().cursor;
    first.clearSelection();
    view->setTextCursor(first);
    view->ensureCursorVisible();
}
} // namespace

PageLoader::PageLoader(ResultView *view, QObject *parent) : QObject(parent), view(view)
{
    connect(view, &QTextBrowser::anchorClicked, this, &PageLoader::followLink);
}

void PageLoader::lookUp(const QString &word, const QString &entry, const QString &mark)
{
    auto *worker = new PageThread(view, view->colours());
    connect(worker, &QThread::started, this, &PageLoader::lookUpStarted);
    connect(worker, &QThread::finished, this, &PageLoader::lookUpFinished);
    if (entry.isEmpty()) {
        worker->setWord(word);
        worker->setFindWhatIMean(m_findWhatIMean);
    } else {
        worker->setEntry(entry);
    }
    // A page not shown goes with its worker.
    pages.ask(worker, &PageThread::documentReady, [this, mark](PageThread *done) {
        m_failureShown = done->status() == SearchThread::Failed;
        m_meaning = done->meaning();
        m_page = done->takePage();
        next = done->next();
        QTextDocument *document = done->takeDocument();
        // The palette changed while the page was on its way.
        PageColours::recolour(document, done->colours(), view->colours());
        PageThread::show(view, document);
        markText(view, mark);
        emit pageShown(done->status());
    });
}

void PageLoader::followLink(const QUrl &link)
{
    if (link.toString() == QLatin1String(PageDocument::moreLink))
        showNext();
    else if (const qsizetype index = Page::moreIndex(link); index >= 0)
        showSectionNext(index);
    else if (link.isRelative() && link.path().isEmpty() && link.hasFragment())
        view->scrollToAnchor(link.fragment()); // a section of a page of several
}

void PageLoader::showSectionNext(qsizetype index)
{
    if (index >= m_page.more.size() || !m_page.more.at(index).isValid() || !pages.canAskMore())
        return;
    pages.askMore(new NextWindowThread(m_page.more.at(index)), &NextWindowThread::ready,
                  [this, index](NextWindowThread *done) {
                      switch (done->status()) {
                      case SearchThread::Found:
                          m_page.extendSection(index, done->page().blocks, done->page().next);
                          break;
                      case SearchThread::NotFound:
                          // Another file is installed now: nothing goes on.
                          m_page.extendSection(index, {}, PageContinuation());
                          break;
                      case SearchThread::NoDictionary:
                      case SearchThread::Failed:
                          m_failureShown = done->status() == SearchThread::Failed;
                          m_page = Page();
                          next = PageContinuation();
                          view->setHtml(PageHtml::write(done->page()));
                          return;
                      }
                      // The page is written again with the lines in their
                      // section; the view stays where it is.
                      const int scrolled = view->verticalScrollBar()->value();
                      auto *document = new QTextDocument;
                      document->setDefaultFont(view->document()->defaultFont());
                      document->setDefaultTextOption(view->document()->defaultTextOption());
                      document->setHtml(PageHtml::write(m_page));
                      PageThread::shortenLongRuns(document);
                      PageColours::recolour(document, PageColours::page(), view->colours());
                      PageThread::show(view, document);
                      view->verticalScrollBar()->setValue(scrolled);
                      emit pageExtended();
                  });
}

void PageLoader::showNext()
{
    if (!next.isValid() || !pages.canAskMore())
        return;
    pages.askMore(new NextWindowThread(next), &NextWindowThread::ready,
                  [this](NextWindowThread *done) {
                      QTextDocument *document = view->document();
                      switch (done->status()) {
                      case SearchThread::Found:
                          break;
                      case SearchThread::NotFound:
                          // Another file is installed now: nothing goes on.
                          next = PageContinuation();
                          PageDocument::removeMoreLine(document);
                          return;
                      case SearchThread::NoDictionary:
                      case SearchThread::Failed:
                          // Said as a look-up would say it.
                          next = PageContinuation();
                          m_failureShown = done->status() == SearchThread::Failed;
                          m_page = Page();
                          view->setHtml(PageHtml::write(done->page()));
                          return;
                      }
                      // Appended below what is read: the view stays where it is.
                      const int scrolled = view->verticalScrollBar()->value();
                      PageDocument::append(done->page(), document);
                      PageThread::shortenLongRuns(document);
                      PageColours::recolour(document, PageColours::page(), view->colours());
                      next = done->page().next;
                      m_page.blocks.append(done->page().blocks);
                      if (next.isValid())
                          PageDocument::addMoreLine(document, next.word, view->colours().muted,
                                                    view->colours().link);
                      view->verticalScrollBar()->setValue(scrolled);
                      emit pageExtended();
                  });
}

void PageLoader::clear()
{
    pages.dropPending();
    m_meaning = Meaning();
    showFirstView();
}

void PageLoader::showFirstView()
{
    m_failureShown = false;
    m_page = Page();
    next = PageContinuation();
    QList<Records::Installed> installed;
    // A database that could not be opened has said so already.
    const bool opened = DictionaryDatabase::defaultIsOpen();
    if (opened && InstalledDictionaries().list(&installed) && installed.isEmpty()) {
        view->setHtml(PageHtml::write(PageThread::noDictionaryPage()));
    } else if (opened) {
        view->setHtml(PageHtml::write(Page::message(
            tr("Type a word in the field above, in English or Japanese: its entries show as "
               "you type.\n\nUp, Down: choose an entry in the word list beside\nEnter: show "
               "the chosen entry and keep it in the history\nAlt+Left, Alt+Right: back and "
               "forward through the history\nCtrl+F: find in the page\nEscape: clear the "
               "field\n\nDouble-click a word in a page, or right-click it and choose Look "
               "Up, to look that word up."))));
    } else {
        view->setText(QString());
    }
}

bool PageLoader::dictionariesChanged()
{
    QList<Records::Installed> installed;
    // A database that could not be opened has said so already, and would
    // say so again at every activation.
    if (DictionaryDatabase::defaultIsOpen())
        InstalledDictionaries().peek(&installed);
    if (installed == shownWith)
        return false;
    shownWith = std::move(installed);
    return true;
}
