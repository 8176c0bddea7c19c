#pragma once

#include "notebook/notebook.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class NotebookThread;
class PageLoader;
class HeadingColumn;
class QAction;
class ResultView;

// The stars beside the entry headings of the window's page: ☆ beside an
// entry not starred, ★ beside a starred one, in a narrow gutter at the
// left of the page, so that the page itself (its text, what is copied or
// found in it) stays as the look-up made it. A click on a star stars the
// entry or takes its star away; Edit > Star Entry (Ctrl+D) stars the entry
// at the top of the view. What is starred is read from the notebook on its
// thread; a change here shows at once.
class StarLinks : public QObject
{
    Q_OBJECT

public:
    StarLinks(ResultView *view, PageLoader *pages, NotebookThread *notebook,
              QObject *parent = nullptr);

    // Edit > Star Entry.
    QAction *starAction() const { return m_star; }
    // The entries of the page on display, one per heading, in its order.
    const QList<Star> &entries();
    bool isStarred(const Star &entry) const;
    // Stars entry `index` of the page, or takes its star away.
    void toggle(int index);
    // Stars the entry whose heading is at the top of the view (or the first
    // one above it).
    void starTop();

signals:
    // What was done, for the status bar.
    void said(const QString &text);

private:
    void pageChanged();
    void starsRead(const QString &filter, const QList<Star> &stars);

    ResultView *view;
    PageLoader *pages;
    NotebookThread *notebook;
    HeadingColumn *gutter;
    QAction *m_star;
    QList<Star> m_entries;
    bool entriesRead = false;
    // Each starred entry's dictionary and word (key()).
    QSet<QString> starred;
    // Stars changed here whose change the notebook has not yet reported:
    // until then a list it reads may be older than `starred`.
    int unsettled = 0;
};
