#include "mainwindow/windowstatekeeper.h"

#include "preferences/viewsettings.h"

#include <QAction>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>

namespace {
// Neither pane of the splitter can be made, dragged or restored narrower:
// a list or a page this narrow still shows a few words a line.
const int minimumListWidth = 120;
const int minimumPageWidth = 200;

// The screen on which a window at `frame` can still be taken by its title
// bar: part of its top edge lies on it. None when that is a screen since
// removed, which would leave the window out of reach.
const QScreen *screenHolding(const QRect &frame)
{
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), 24));
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect shared = screen->geometry().intersected(titleBar);
        if (shared.width() >= qMin(frame.width(), 100) && shared.height() >= 8)
            return screen;
    }
    return nullptr;
}

// `frame` moved so that as much of it as fits lies within `area`, its
// top-left corner first.
QPoint placedWithin(const QRect &frame, const QRect &area)
{
    return QPoint(qMax(area.left(), qMin(frame.left(), area.right() + 1 - frame.width())),
                  qMax(area.top(), qMin(frame.top(), area.bottom() + 1 - frame.height())));
}
} // namespace

WindowStateKeeper::WindowStateKeeper(QMainWindow *window, const Form &form, ViewSettings *settings)
    : QObject(window), window(window), form(form), settings(settings)
{
    // The page takes the width the window gains.
    form.splitter->setStretchFactor(1, 1);
    form.listPane->setMinimumWidth(minimumListWidth);
    form.pagePane->setMinimumWidth(minimumPageWidth);
    form.splitter->setSizes({160, 480});
    connect(form.wordList, &QAction::toggled, this, &WindowStateKeeper::showList);
    connect(form.topmost, &QAction::toggled, this, [window](bool checked) {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, checked);
        // Changing the flags hides the window.
        window->show();
    });
    window->installEventFilter(this);
}

void WindowStateKeeper::load()
{
    settings->load();
    const ViewSettings::WindowState state = settings->windowState();
    // A damaged settings file can hold any size, and one kept at a smaller
    // scale factor is too large now; one far larger than the screen cannot
    // even get a backing store (Qt then crashes painting it). A window
    // larger than its screen is shrunk to fit and moved onto it, here and,
    // its frame known, once shown.
    const QScreen *home =
        state.position ? screenHolding(QRect(*state.position, state.size)) : nullptr;
    const QSize fitting =
        state.size.boundedTo((home ? home : window->screen())->availableGeometry().size());
    window->resize(fitting);
    chosenSize = state.size;
    fittedSize = window->size();
    if (home) {
        const QRect frame(*state.position, window->size());
        window->move(fitting == state.size ? frame.topLeft()
                                           : placedWithin(frame, home->availableGeometry()));
    }
    form.menubar->setChecked(state.menubar);
    form.statusbar->setChecked(state.statusbar);
    form.topmost->setChecked(state.topmost);
    restoreSplitter(state.splitter);
    form.wordList->setChecked(state.wordList);
    form.showLastWord->setChecked(settings->lastWord().show);
    form.findWhatIMean->setChecked(settings->findWhatIMean());
}

bool WindowStateKeeper::save()
{
    ViewSettings::WindowState state = settings->windowState();
    // A window shrunk to fit a smaller screen (or the same screen at a
    // larger scale) keeps the size the user chose for the next start,
    // unless the user has resized it since.
    state.size = window->size() == fittedSize && chosenSize.isValid() ? chosenSize : window->size();
    state.menubar = form.menubar->isChecked();
    state.statusbar = form.statusbar->isChecked();
    state.topmost = form.topmost->isChecked();
    state.wordList = form.wordList->isChecked();
    // A window not yet shown has no place of its own to keep, nor sizes of
    // its form; a hidden list keeps the width it had when shown.
    if (window->isVisible())
        state.position = window->pos();
    if (window->isVisible() && state.wordList)
        state.splitter = form.splitter->saveState();
    else if (!hiddenListState.isEmpty())
        state.splitter = hiddenListState;
    settings->setWindowState(state);
    settings->setLastWord({form.showLastWord->isChecked(), settings->lastWord().word});
    settings->setFindWhatIMean(form.findWhatIMean->isChecked());
    if (settings->save())
        return true;
    qDebug() << "QSettings::sync failed." << ViewSettings::settingsFile();
    return false;
}

bool WindowStateKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window && event->type() == QEvent::Show && !fitted) {
        fitted = true;
        fitOntoScreen();
    }
    return QObject::eventFilter(watched, event);
}

void WindowStateKeeper::restoreSplitter(const QByteArray &state)
{
    const QList<int> sizes = ViewSettings::splitterSizes(state);
    if (sizes.size() != form.splitter->count())
        return;
    // Each pane gets at least its minimum; a huge one only takes what the
    // other leaves.
    QList<int> bounded;
    for (const int size : sizes)
        bounded << qBound(0, size, QWIDGETSIZE_MAX);
    form.splitter->setSizes(bounded);
}

void WindowStateKeeper::showList(bool shown)
{
    // Shown again, or at the next start, the list has the width it had.
    if (!shown && window->isVisible())
        hiddenListState = form.splitter->saveState();
    form.listPane->setVisible(shown);
}

void WindowStateKeeper::fitOntoScreen()
{
    // With its frame, a window may be larger than its screen after all.
    // One that fits stays where the user left it, even half off the screen.
    const QRect area = window->screen()->availableGeometry();
    QRect frame = window->frameGeometry();
    if (frame.width() <= area.width() && frame.height() <= area.height())
        return;
    const QSize excess = (frame.size() - area.size()).expandedTo(QSize(0, 0));
    const QSize before = window->size();
    window->resize(before - excess);
    fittedSize = window->size();
    frame.setSize(frame.size() + (window->size() - before));
    window->move(placedWithin(frame, area));
}
