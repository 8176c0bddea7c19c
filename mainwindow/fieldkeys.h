#pragma once

#include <QObject>

class QGridLayout;
class QAction;
class QLineEdit;
class QMenu;
class QWidget;
class ResultView;

// Keys that act on the window from anywhere in it: Escape empties the
// search field, Ctrl+L and F6 select its text, each taking the keyboard
// there. In the field, the page keys scroll the page. Ctrl+F opens Find in
// Page on one line under the page; closed, the keyboard goes back to the
// field.
class FieldKeys : public QObject
{
    Q_OBJECT

public:
    struct Form
    {
        QWidget *window;
        QLineEdit *field;
        ResultView *view;
        QGridLayout *layout; // the page's; the find bar goes in the row under it
        QMenu *menu;         // Find goes here, after `after`
        QAction *after;
    };
    FieldKeys(const Form &form, QObject *parent);
};
