#include "mainwindow/pagethread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>

PageThread::PageThread(const QFont &font) : m_font(font)
{
}

void PageThread::run()
{
    QString page;
    if (lookUp(typedWord(), &page) == Failed)
        return;
    emit finished(page);
    auto *document = new QTextDocument;
    document->setDefaultFont(m_font);
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
