#pragma once

#include "database/dictionarydatabase.h"
#include "mainwindow/history.h"
#include "mainwindow/pagethread.h"

#include <QElapsedTimer>
#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class QCloseEvent;
class QKeyEvent;
class QModelIndex;
class QMouseEvent;
class QUrl;
class ViewSettings;
class WordListModel;
class WordListThread;

namespace Ui {
class MainWindow;
}

// The program's only top-level window: a search field, the result view, the
// word list beside it, the menus, and the settings that survive a restart.
// Every change of the search text starts a look-up and a list of the entry
// words from it on, each on a worker thread. Up and Down in the field move
// through the list; Enter or a click shows the entry's page while the field
// keeps what was typed. The result view shows the font
// of viewSettings(), whoever changes it; the window's own state goes to the
// same object when the window writes its settings.
//
// The words the user settles on enter a history for Back and Forward: one
// confirmed with Enter, picked, double-clicked or handed over from outside
// at once, one left on display (found) for settleTime.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QFont browserFont READ browserFont WRITE setBrowserFont)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The result view's font; setting it sets viewSettings()' font.
    QFont browserFont() const;
    void setBrowserFont(const QFont &font);
    ViewSettings *viewSettings() const;

    // A word from the command line, another program or the last run, as
    // the window takes it: without control characters or marks that turn
    // text around, white space runs as one space, none at the ends, at most
    // maxWordLength characters.
    static constexpr int maxWordLength = 256;
    static QString wordFromOutside(const QString &text);
    // How long a found word stays on display before it enters the history.
    static constexpr int settleTime = 1000;

    // What the window opens with, once shown: `word` when given, else the
    // last run's word if the settings say so, else the first view (which
    // says how to add a dictionary while none is installed).
    void start(const QString &word);
    // The user has settled on `word`, whose page is on display (typed and
    // confirmed, or picked from a list while the field keeps what was
    // typed): it enters the history.
    void enterHistory(const QString &word);
    // The same for any page: a typed word's or an entry's.
    void enterHistory(const History::Visit &visit);
    // Puts `word` in the search field and looks it up; it enters the
    // history, after the word on display if that was found.
    void lookUp(const QString &word);
    // A word handed over from outside: the window comes to the front and
    // looks it up (an empty word only raises it).
    void showFromOutside(const QString &word);
    const History &history() const { return m_history; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Makes the worker of one look-up, not yet configured or started.
    virtual PageThread *createSearchThread();
    // Makes the worker of one word list request, not yet configured or
    // started.
    virtual WordListThread *createListThread();

private slots:
    void on_actionPreferences_triggered();
    void on_actionTopmost_toggled(bool checked);
    void on_actionAboutQt_triggered();
    void on_actionAbout_triggered();
    void on_searchEdit_textChanged(const QString &text);
    void on_menuButton_clicked();
    void searchStarted();
    void searchFinished();

private:
    void readSettings();
    // The splitter's sizes from its stored state, within bounds.
    void restoreSplitter(const QByteArray &state);
    // False when the settings file cannot be written.
    bool writeSettings();
    void showSettingsNotSaved();
    // The index database cannot be opened, or its schema not made.
    void showIndexUnusable(const QString &file, const QString &reason);
    // A problem said in the status bar for as long as the window is open,
    // with `details` (what and what to do) as its tooltip.
    void showProblem(const QString &name, const QString &text, const QString &details);
    void showFont(const QFont &font);
    bool createDatabase(QString *error = nullptr);
    void connectEditActions();
    void connectHistory();
    void connectKeys();
    // The view while the field is empty at start: empty, or what to do
    // while no dictionary is installed.
    void showFirstView();
    // The installed dictionaries, or none when the index cannot be read.
    QList<DictionaryDatabase::Installed> installedNow() const;
    // When dictionaries came or went since, here or in another program
    // (orvel-cli), shows the text in the field again as they are now.
    void followDictionaryChanges();
    // Looks the page on display (and the list) up again.
    void lookUpAgain();
    // A link of a page: a failure page's Rebuild.
    void followLink(const QUrl &link);
    // Builds dictionary `id`'s index again, with its progress, then shows
    // the page on display as the index now has it.
    void rebuildIndex(int id);
    // The page of the text in the field is on display, and it was found.
    bool wordFound() const;
    // Before another word is shown: the one on display enters the history
    // if it was found.
    void settleBeforeGoingOn();
    void go(const History::Visit &visit);
    // Starts the look-up of `word`, or with `entry` of the word list's
    // entry whose key it is.
    void startLookUp(const QString &word, const QString &entry);
    // Shows the page of the list's entry at `index`.
    void pick(const QModelIndex &index);
    // Moves the list's current row by `step`; false when there is no list
    // to move in.
    bool moveInList(int step);
    bool keyInField(const QKeyEvent *key);
    void showWordList(bool shown);
    void updateHistoryActions();
    bool scrollFromField(const QKeyEvent *key);
    bool goByMouse(const QMouseEvent *click);
    void clearSearch();
    void focusSearch();
    // Shows the page of look-up `ticket` if it may replace the one on display.
    void showPage(quint64 ticket, PageThread *thread);

    Ui::MainWindow *ui;
    ViewSettings *settings;
    QElapsedTimer searchTimer;
    // Look-ups are numbered as they start. A page is shown only when its
    // look-up started after the one whose page is on display, so a slow
    // older look-up cannot take the view back to text no longer typed.
    quint64 searchesStarted = 0;
    quint64 pageShown = 0;
    // The page on display says that its look-up failed.
    bool failureShown = false;
    // The page on display is a result page.
    bool foundShown = false;
    History m_history;
    // The page on display, or on its way: the field's text, a word entered
    // since, or an entry picked from the list.
    History::Visit wordOnDisplay;
    // The dictionaries the view was last brought in line with.
    QList<DictionaryDatabase::Installed> shownWith;
    // The entry key the next change of the field's text looks up (going
    // back to an entry); empty for the typed word.
    QString entryNext;
    WordListModel *listModel;
    // The splitter's state when the list was last hidden.
    QByteArray listSplitterState;
    // Runs while a found word is on display and unchanged.
    QTimer settleTimer;
    // The window has been shown and fitted onto its screen.
    bool placed = false;
    // Look-ups not yet deleted. Only for the window's end: a worker still
    // using the database while the process exits can crash in the SQL
    // module's teardown, so the window waits for the few still running.
    QList<QPointer<PageThread>> searches;
};
