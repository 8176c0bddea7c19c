#pragma once

#include "notebook/notebook.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>
#include <QString>

class NotebookThread;
class PageLoader;
class QAction;
class QWidget;
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Mark
    {
        int entry;
        QRectF place; // in the gutter
    };
    // The stars in sight, top to bottom.
    QList<Mark> marks();
    // The blocks of the document's entry headings, in order.
    QList<int> headingBlocks() const;
    int entryAt(const QPoint &point);
    void paint();
    void pageChanged();
    void placeGutter();
    void starsRead(const QString &filter, const QList<Star> &stars);

    ResultView *view;
    // The view's viewport, told apart in eventFilter() without asking the
    // view, which may be going.
    QWidget *viewport;
    PageLoader *pages;
    NotebookThread *notebook;
    QWidget *gutter;
    QAction *m_star;
    QList<Star> m_entries;
    bool entriesRead = false;
    // Each starred entry's dictionary and word (key()).
    QSet<QString> starred;
    // Stars changed here whose change the notebook has not yet reported:
    // until then a list it reads may be older than `starred`.
    int unsettled = 0;
};
