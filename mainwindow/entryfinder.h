#pragma once

#include "mainwindow/history.h"

#include <QObject>

class EntryListModel;
class QAction;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class WordList;

// Find in Entries: while it is on (Edit > Find in Entries, Ctrl+Shift+F,
// or the button beside the search field), the text typed is searched for
// inside whole entry lines, and the lines found take the word list's place
// (EntryListModel) with their count above them. A line picked (Enter or a
// click) asks for the page of its entry word, on which the text is marked.
class EntryFinder : public QObject
{
    Q_OBJECT

public:
    // The widgets and actions of the window's form it works with, and where
    // its own go: the action into `menu` before `before`, the button into
    // the field's row after the field, the count above the list.
    struct Form
    {
        QMenu *menu;
        QAction *before;
        QLineEdit *field;
        QBoxLayout *fieldRow;
        QBoxLayout *listPanel;
        QListView *view;    // the word list's
        QAction *listShown; // View > Word List
        WordList *list;
    };
    EntryFinder(const Form &form, QObject *parent);

    bool isOn() const;
    // Searches for `text`, while on; it follows the field's text by itself.
    void setText(const QString &text);
    // Turns on for a visit of an entry found in entries, else off; the
    // text the field shows for it.
    QString show(const History::Visit &visit);

signals:
    // A found line was picked: its entry's page is wanted, marked.
    void picked(const History::Visit &visit);

private:
    void turn(bool on);
    void pick(int row);

    Form form;
    QAction *action;
    QLabel *count;
    EntryListModel *model;
    // View > Word List as it was before the lines took the list's place.
    bool listWasShown = true;
};
