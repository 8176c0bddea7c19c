#pragma once

#include "lookup/searchthread.h"

#include <QFont>

class QTextBrowser;
class QTextDocument;

// The main window's look-up: besides the page it also turns the page into a
// text document on its own thread. Parsing the HTML is most of what showing
// a page costs; done here, it no longer holds up typing in the GUI thread.
class PageThread : public SearchThread
{
    Q_OBJECT

public:
    // `font` is the result view's font, the document's default font.
    explicit PageThread(const QFont &font);

    // Shows a document from documentReady() in `view`, which then owns it;
    // the document it replaces is deleted if it came from here too.
    static void show(QTextBrowser *view, QTextDocument *document);

signals:
    // Follows finished(QString) with the same page as a document that
    // already lives in the GUI thread and has no parent. The receiver owns it.
    void documentReady(QTextDocument *document);

protected:
    void run() override;

private:
    QFont m_font;
};
