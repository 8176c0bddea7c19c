#include "mainwindow/pagethread.h"

#include "mainwindow/pagedocument.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>

PageThread::PageThread(const QTextEdit *view)
    : m_font(view->font()), m_option(view->document()->defaultTextOption())
{
}

void PageThread::run()
{
    QString page;
    const Status status = lookUp(typedWord(), &page);
    deliver(page, status);
    auto *document = new QTextDocument;
    document->setDefaultFont(m_font);
    // As the view would set them; each change of them after the document
    // is shown would lay it out again.
    document->setDefaultTextOption(m_option);
    // No width at all, so that nothing is laid out before the view sets its
    // own: until then any layout would be thrown away.
    document->setPageSize(QSizeF(0, 0));
    // Built directly where possible; setHtml() makes the same document of
    // any page, only slower.
    if (!PageDocument::build(page, document))
        document->setHtml(page);
    document->moveToThread(QCoreApplication::instance()->thread());
    emit documentReady(document);
}

void PageThread::show(QTextBrowser *view, QTextDocument *document)
{
    // The view deletes its own first document when it is replaced; those
    // made here are the view's children and are released here.
    QPointer<QTextDocument> old = view->document();
    view->setDocument(document);
    document->setParent(view);
    // Freeing a laid-out document takes a while; do it after the new page
    // is on screen.
    if (old && old->parent() == view)
        old->deleteLater();
}
