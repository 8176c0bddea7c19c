#include "mainwindow/pageloader.h"

#include "database/dictionarydatabase.h"
#include "database/installeddictionaries.h"
#include "lookup/pagehtml.h"
#include "mainwindow/pagethread.h"

#include <QTextBrowser>

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

PageLoader::PageLoader(QTextBrowser *view, QObject *parent) : QObject(parent), view(view)
{
}

void PageLoader::lookUp(const QString &word, const QString &entry, const QString &mark)
{
    auto *worker = new PageThread(view);
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
        PageThread::show(view, done->takeDocument());
        markText(view, mark);
        emit pageShown(done->status());
    });
}

void PageLoader::clear()
{
    pages.dropPending();
    m_failureShown = false;
    m_meaning = Meaning();
    view->setText(QString());
}

void PageLoader::showFirstView()
{
    QList<Records::Installed> installed;
    // A database that could not be opened has said so already.
    const bool none = DictionaryDatabase::defaultIsOpen() &&
                      InstalledDictionaries().list(&installed) && installed.isEmpty();
    if (none)
        view->setHtml(PageHtml::write(SearchThread::noDictionaryPage()));
    else
        view->setText(QString());
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
