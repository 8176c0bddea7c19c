#pragma once

#include "lookup/searchthread.h"
#include "mainwindow/pagecolours.h"

#include <QFont>
#include <QTextOption>

#include <memory>

class QTextBrowser;
class QTextDocument;
class QTextEdit;

// The main window's look-up: besides the page it also builds the page's
// text document on its own thread, so the GUI thread only has to lay it out.
class PageThread : public SearchThread
{
    Q_OBJECT

public:
    // Prepares the document for `view`: its font and text options are
    // read here, on the GUI thread. The document is shown in `colours`.
    explicit PageThread(const QTextEdit *view, const PageColours &colours = PageColours::page());
    ~PageThread() override;

    // The document announced by documentReady(), in the GUI thread and
    // without a parent; the caller owns it. A document nobody takes goes
    // with the thread.
    QTextDocument *takeDocument();
    // The colours the document is shown in, and where its page goes on (see
    // Page::next); the document then ends with a link to the next lines.
    const PageColours &colours() const { return m_colours; }
    const PageContinuation &next() const { return m_next; }
    // The page the document shows, in the GUI thread once documentReady()
    // has come; the caller takes it.
    Page takePage() { return std::move(m_page); }

    // The window's no-dictionary page: the page every look-up gives, and a
    // link that opens Preferences at its Dictionary tab.
    static Page noDictionaryPage();
    static constexpr char preferencesLink[] = "orvel:preferences/dictionary";

    // Shows a taken document in `view`, which then owns it; the document it
    // replaces is deleted if it came from here too.
    static void show(QTextBrowser *view, QTextDocument *document);

    // Qt lays out a run of text without a break opportunity in time that
    // grows with the square of its length: one run of 1,000,000 characters
    // held the GUI thread for minutes. No dictionary text has such runs, so
    // the view shows the first longestRun characters of each, then a mark
    // saying how many more there are; the page itself stays whole. A laid
    // out paragraph holds some 25 bytes per character, all of it once any
    // of it shows, so a paragraph is cut the same way after
    // longestParagraph characters, and the whole document after
    // longestDocument. Returns the number of cuts.
    static int shortenLongRuns(QTextDocument *document);
    static constexpr int longestRun = 2000;
    static constexpr int longestParagraph = 100000;
    static constexpr int longestDocument = 500000;

signals:
    // Follows finished(QString): the same page is ready as a document.
    void documentReady();

protected:
    void run() override;

private:
    QFont m_font;
    QTextOption m_option;
    PageColours m_colours;
    PageContinuation m_next;
    // Written by the worker before documentReady(), taken where it arrives.
    std::unique_ptr<QTextDocument> m_document;
    Page m_page;
};

// Reads the next window of a page on its own thread (SearchThread::lookUpNext)
// for the view to append.
class NextWindowThread : public QThread
{
    Q_OBJECT

public:
    explicit NextWindowThread(const PageContinuation &next) : m_next(next) {}

    // Valid once ready() has been sent.
    SearchThread::Status status() const { return m_status; }
    const Page &page() const { return m_page; }

signals:
    void ready();

protected:
    void run() override;

private:
    PageContinuation m_next;
    // Written by the worker before ready(), read where it arrives.
    SearchThread::Status m_status = SearchThread::Failed;
    Page m_page;
};
