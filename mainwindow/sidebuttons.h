#pragma once

#include <QObject>

class QAction;
class QWidget;

// The mouse's back and forward buttons trigger the window's Back and
// Forward wherever in the window they are pressed. Many widgets take every
// press for themselves (a line edit, a list, a scroll bar, the menu bar),
// so the window and each widget it holds when this is made are watched; a
// widget added later leaves to its parents the presses it does not take.
class SideButtons : public QObject
{
    Q_OBJECT

public:
    SideButtons(QWidget *window, QAction *back, QAction *forward);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *back;
    QAction *forward;
};
