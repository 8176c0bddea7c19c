#pragma once

#include "database/records.h"
#include "lookup/requests.h"
#include "lookup/searchthread.h"

#include <QObject>

class ResultView;
class QUrl;

// Looks pages up for a result view, each on a worker of its own
// (PageThread), and shows them there: a page replaces the view's only when
// its look-up was asked for after the one on display, and none on its way
// is shown once the view was emptied. A page whose window ended while its
// entry word's lines went on ends with a link that appends the next window;
// on a page of several dictionaries each section has such a link of its
// own, and the top line's links lead to the sections.
class PageLoader : public QObject
{
    Q_OBJECT

public:
    // The workers read `view`'s font, text options and colours as they are
    // made.
    explicit PageLoader(ResultView *view, QObject *parent = nullptr);

    // Looks `word` up, or with `entry` the word list's entry whose key it
    // is. With `mark`, the page shows where it holds that text (ignoring
    // case), scrolled to the first place.
    void lookUp(const QString &word, const QString &entry = QString(),
                const QString &mark = QString());
    // Shows the first view in place of the page; pages still on their way
    // are dropped.
    void clear();
    // The view while nothing is typed: what to type and the keys that help,
    // or what to do while no dictionary is installed.
    void showFirstView();
    // Whether the installed dictionaries differ from those the view was
    // last brought in line with (here or in another program, orvel-cli);
    // from now on the view counts as in line with them.
    bool dictionariesChanged();
    // The page on display says that its look-up failed.
    bool failureShown() const { return m_failureShown; }
    // The page on display answers the newest look-up.
    bool showsNewest() const { return pages.showsNewest(); }
    // Typed words are looked up as what the user means
    // (SearchThread::findWhatIMean) while this is on; off at first.
    void setFindWhatIMean(bool on) { m_findWhatIMean = on; }
    // What the page on display shows, when the rules found it; rule None
    // for any other page.
    const Meaning &meaning() const { return m_meaning; }
    // The page on display, the windows appended to it included; empty for
    // the first view and a page set as HTML.
    const Page &page() const { return m_page; }
    // The dictionaries installed as the view was last brought in line with
    // them (dictionariesChanged()).
    const QList<Records::Installed> &installed() const { return shownWith; }

signals:
    // A look-up's worker began, and ended (after its page, if shown).
    void lookUpStarted();
    void lookUpFinished();
    // A page replaced the view's; `status` tells how its look-up ended.
    void pageShown(SearchThread::Status status);
    // The next window was appended to the page on display.
    void pageExtended();

private:
    void followLink(const QUrl &link);
    // Appends the next window of the page on display.
    void showNext();
    // Puts the next lines of section `index` of a page of several
    // (Page::more) in that section.
    void showSectionNext(qsizetype index);

    ResultView *view;
    bool m_failureShown = false;
    bool m_findWhatIMean = false;
    Meaning m_meaning;
    Page m_page;
    QList<Records::Installed> shownWith;
    // Where the page on display goes on.
    PageContinuation next;
    Requests pages;
};
