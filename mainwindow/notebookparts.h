#pragma once

#include <QObject>

class History;
class NotebookFiles;
class NotebookPane;
class NotebookThread;
class PageLoader;
class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QStatusBar;
class ResultView;
class StarLinks;
class ViewSettings;

// The learner's notebook in the main window: the notebook file on its
// thread (NotebookThread), the words the history settles on kept in it
// while Preferences says so, the stars beside the page's entries
// (StarLinks), View > Notebook (NotebookPane), File > Export Notebook...
// and Import Word List... (NotebookFiles), and a problem with the file
// said in the status bar. The window makes it with its pieces and wires
// no more than lookUpWanted() and clearHistory().
class NotebookParts : public QObject
{
    Q_OBJECT

public:
    struct Window
    {
        QMainWindow *window;
        ResultView *view;
        PageLoader *pages;
        History *history;
        ViewSettings *settings;
        QStatusBar *statusBar;
        // File's entries go before `quit`, Star Entry before `preferences`
        // in Edit, Notebook after `wordList` in View.
        QMenu *fileMenu;
        QAction *quit;
        QMenu *editMenu;
        QAction *preferences;
        QMenu *viewMenu;
        QAction *wordList;
    };
    NotebookParts(const Window &window, QObject *parent = nullptr);
    ~NotebookParts() override;

    // Preferences' Clear History.
    void clearHistory();

    NotebookThread *notebook() const { return m_notebook; }
    StarLinks *stars() const { return m_stars; }
    NotebookPane *pane() const { return m_pane; }
    NotebookFiles *files() const { return m_files; }

signals:
    // Show `word`'s page (a row of the Notebook pane).
    void lookUpWanted(const QString &word);

protected:
    // Back in the window, what shows the notebook reads it again.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeActions(const Window &window);
    void showProblem(const QString &line);

    NotebookThread *m_notebook;
    StarLinks *m_stars;
    NotebookPane *m_pane;
    NotebookFiles *m_files;
    QStatusBar *statusBar;
    QLabel *problem = nullptr;
};
