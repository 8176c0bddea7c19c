#pragma once

#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <memory>

class QAction;
class QLineEdit;
class QListView;
class QSemaphore;
class QSplitter;
class QStatusBar;
class QTextBrowser;

// A main window as the program starts it: made (it reads and writes its
// settings), then the index opened beside the settings file as main opens
// it, with its parts at hand.
//
// Every worker the window starts is watched (Requests' start observer):
// page and list workers can be held back before they run, so a test decides
// in which order their answers arrive. Held workers are let go before the
// window goes, which waits for them. One fixture at a time.
class WindowFixture
{
public:
    WindowFixture();
    ~WindowFixture();
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    MainWindow window;
    QLineEdit *const edit;
    QTextBrowser *const view;
    QListView *const list;
    QSplitter *const splitter;
    QStatusBar *const statusBar;

    // Installs a dictionary of `lines` (in a folder called `name`) in the
    // index a window opens, as an earlier run would have; before the window
    // is made.
    static bool install(const QStringList &lines, const QString &name = "dictionary");

    QAction *action(const char *name) const;
    template <class T> T *child(const char *name) const
    {
        T *found = window.findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    // Shows the window and waits until it is active, as a user's would be.
    bool showAndActivate();
    // The word is in the field and its page (which starts with it) on
    // display.
    bool shows(const QString &word) const;
    // Clicks the view's link to `address`; false when it shows none.
    bool clickLink(const QString &address) const;
    // Clicks the mark in the column `column` ("starGutter", "speakerGutter")
    // beside entry heading `index`; false when the page has no such heading.
    bool clickBesideHeading(const char *column, int index) const;
    // The view shows what to type (nothing is typed, and a dictionary is
    // installed).
    bool showsFirstView() const;
    // The word list's rows as it shows them, and its current row (-1: none).
    QStringList rows() const;
    int currentRow() const;
    QStringList history() { return window.history().words(); }

    // A worker the window started, and its gate when it was held back.
    struct Worker
    {
        QPointer<QThread> thread;
        std::shared_ptr<QSemaphore> gate;
    };
    // Workers started from now on wait before they run until released.
    bool holdPages = false;
    bool holdLists = false;
    // Every page and list worker started, in order.
    QList<Worker> pages;
    QList<Worker> lists;
    // Page workers whose start the window has seen (its wait cursor is on).
    int pagesStarted = 0;
    // Lets a held worker run and waits until it is gone, which is after its
    // answer and its thread's end have been delivered.
    static bool release(const Worker &worker);
    // Page workers not yet gone.
    int pagesRunning() const;

private:
    void watch(QThread *thread);
};

// Runs `act` on the modal T as soon as it is up, and closes it should `act`
// leave it open (a failed check), so a broken step never hangs the test.
template <typename T, typename F> void whenModal(QObject *context, F act)
{
    QTimer::singleShot(0, context, [context, act] {
        QPointer<T> widget = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!widget)
            return whenModal<T>(context, act);
        act(widget.data());
        if (widget && widget->isVisible())
            widget->reject();
    });
}
