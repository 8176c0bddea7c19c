#pragma once

#include <QByteArray>
#include <QObject>
#include <QSize>

class QAction;
class QMainWindow;
class QSplitter;
class QWidget;
class ViewSettings;

// The main window's own state across runs, as ViewSettings keeps it: its
// size and place, its bars, always on top, whether the word list is shown,
// the splitter's sizes, whether the last word is shown at the next start
// and whether the view finds what the user means. What is restored is usable whatever was stored:
// each pane keeps a width that still shows a few words a line, and a window larger than its screen
// is shrunk to fit and moved onto it.
class WindowStateKeeper : public QObject
{
    Q_OBJECT

public:
    // The widgets and actions of the window's form whose state is kept; the
    // actions' checked states are what is kept of the bars, always on top,
    // the word list, the last word and finding what is meant.
    struct Form
    {
        QAction *menubar;
        QAction *statusbar;
        QAction *topmost;
        QAction *wordList;
        QAction *showLastWord;
        QAction *findWhatIMean;
        QSplitter *splitter;
        QWidget *listPane;
        QWidget *pagePane;
    };
    WindowStateKeeper(QMainWindow *window, const Form &form, ViewSettings *settings);

    // Loads the settings and shows the state they hold. An action's state
    // different from the form's emits its toggled(), which hides a bar or
    // puts the window on top right away.
    void load();
    // Saves the settings with the window's state; false (and a debug line)
    // when the settings file cannot be written.
    bool save();

protected:
    // Fits the window onto its screen once it is first shown.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The splitter's sizes from its stored state, within bounds.
    void restoreSplitter(const QByteArray &state);
    void showList(bool shown);
    void fitOntoScreen();

    QMainWindow *window;
    Form form;
    ViewSettings *settings;
    // The splitter's state when the list was last hidden.
    QByteArray hiddenListState;
    bool fitted = false;
    // The size the settings held, in device-independent pixels, and the
    // size the window was given to fit its screen.
    QSize chosenSize;
    QSize fittedSize;
};
