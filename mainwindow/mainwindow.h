#pragma once

#include "database/dictionarydatabase.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"
#include "mainwindow/history.h"

#include <QFont>
#include <QMainWindow>

class ListRows;
class LookUpStatus;
class NotebookParts;
class PageLoader;
class QCloseEvent;
class QUrl;
class TrayIcon;
class ViewSettings;
class WhatIMean;
class WindowStateKeeper;

namespace Ui {
class MainWindow;
}

// The program's only top-level window: a search field, the result view, the
// word list beside it, the menus and the status bar. It wires them to the
// parts that do the work: every change of the search text asks PageLoader
// for the page and WordList for the list, each answered on a worker thread;
// a row picked in the list shows its entry's page while the field keeps
// what was typed; History keeps the pages settled on for Back and Forward;
// the window's own state and the result font survive a restart through
// WindowStateKeeper and ViewSettings; WhatIMean does the window's part of
// finding what the user means.
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
    ViewSettings *viewSettings() const { return settings; }

    // How opening the dictionary index ended at start-up (main opens it
    // once the window has written its settings file, beside which it
    // lies): a problem stays in the status bar for as long as the window is
    // open, `reason` in its tooltip.
    void indexOpened(DictionaryDatabase::Opened opened, const QString &file, const QString &reason);

    // What the window opens with, once shown: `word` when given, else the
    // last run's word if the settings say so, else the first view (which
    // says how to add a dictionary while none is installed). A word given
    // is taken as WhatIMean::outsideWord() leaves it, the last word as
    // OutsideWord::clean() does.
    void start(const QString &word);
    // Puts `word` in the search field and looks it up; it enters the
    // history, after the word on display if that was found.
    void lookUp(const QString &word);
    // A word handed over from outside: the window comes to the front and
    // looks it up as WhatIMean::outsideWord() leaves it (an empty word
    // only raises it).
    void showFromOutside(const QString &word);
    History &history() { return *m_history; }

signals:
    // A word copied in another program, to be shown in the pop-up
    // (Window > Look Up Copied Words).
    void wordCopied(const QString &word);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_actionPreferences_triggered();
    void on_searchEdit_textChanged(const QString &text);
    void on_menuButton_clicked();
    void searchStarted();
    void searchFinished();

private:
    void connectHistory();
    void connectKeys();
    // When dictionaries came or went since, here or in another program
    // (orvel-cli), shows the text in the field again as they are now.
    void followDictionaryChanges();
    // Looks the page on display (and the list) up again.
    void lookUpAgain();
    // Preferences, opened at the Dictionary tab or as it opens by itself.
    void openPreferences(bool dictionaryTab);
    // A link of a page: a failure page's Rebuild builds the index again,
    // the no-dictionary page's opens Preferences.
    void followLink(const QUrl &link);
    // Shows `visit`'s page, from Back or Forward.
    void showVisit(const History::Visit &visit);
    // Starts the look-up of `word`, or with `entry` of the word list's
    // entry whose key it is; with `mark`, marked where it holds that text.
    void startLookUp(const QString &word, const QString &entry, const QString &mark = QString());
    void pageShown(SearchThread::Status status);

    Ui::MainWindow *ui;
    ViewSettings *settings;
    WindowStateKeeper *stateKeeper;
    PageLoader *pages;
    WhatIMean *meaning;
    ListRows *rows;
    NotebookParts *notebook;
    History *m_history;
    LookUpStatus *statusLine;
    TrayIcon *tray;
    // How the look-up of the page on display ended.
    SearchThread::Status shownStatus = SearchThread::Found;
    // The page the next change of the field's text shows (going back to an
    // entry); empty for the typed word's.
    History::Visit next;
};
