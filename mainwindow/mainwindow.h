#pragma once

#include "mainwindow/pagethread.h"

#include <QElapsedTimer>
#include <QFont>
#include <QMainWindow>
#include <QPointer>

class QCloseEvent;
class ViewSettings;

namespace Ui {
class MainWindow;
}

// The program's only top-level window: a search field, the result view, the
// menus, and the settings that survive a restart. Every change of the search
// text starts a look-up on a worker thread. The result view shows the font
// of viewSettings(), whoever changes it; the window's own state goes to the
// same object when the window writes its settings.
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

protected:
    void closeEvent(QCloseEvent *event) override;
    // Makes the worker of one look-up, not yet configured or started.
    virtual PageThread *createSearchThread();

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
    void writeSettings();
    void showFont(const QFont &font);
    bool createDatabase();
    void connectEditActions();
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
    // Look-ups not yet deleted. Only for the window's end: a worker still
    // using the database while the process exits can crash in the SQL
    // module's teardown, so the window waits for the few still running.
    QList<QPointer<PageThread>> searches;
};
