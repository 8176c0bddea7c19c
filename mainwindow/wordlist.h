#pragma once

#include "lookup/wordlistthread.h"

#include <QObject>

class QAbstractItemModel;
class QAction;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class WordListModel;

// The word list beside the result view: the rows of the entries from the
// search field's text on (WordListModel), listed while View > Word List is
// on. Every new list starts at its top; its current row is the row of the
// entry on the page (setEntryShown()), or none, and it is not chosen: Down
// in the field chooses the first row, Up leaves it, and Enter there still
// settles on what is shown. Up and Down in the field move the current row,
// without taking the keyboard from the field; whichever way the user makes
// a row current (those keys, the list's own keys, a click), its entry is
// wanted at once. Enter in the field or a click on a row picks the row.
// Another list may take the word list's place in the view for a while
// (showOther()): the keys and clicks then work on its rows.
class WordList : public QObject
{
    Q_OBJECT

public:
    // The widgets and actions of the window's form it works with.
    struct Form
    {
        QListView *view;
        QLineEdit *field;
        QAction *shown; // View > Word List
        QLabel *withoutPhrasesNote;
        QLabel *fileChangedNote;
    };
    explicit WordList(const Form &form, QObject *parent = nullptr);

    // Lists the entries from the key of `text` on, while the list is shown.
    void setText(const QString &text);
    // Shows `other` in the view instead of the word list; null shows the
    // word list again, from the field's text on.
    void showOther(QAbstractItemModel *other);
    // The page on display shows the entry of `key` (empty: none): its row
    // becomes current, or none, unless the user chose one.
    void setEntryShown(const QString &key);

protected:
    // Reached by Tab without a current row, the list makes its first one
    // current, quietly, so that the focus shows.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A row became the current one: its entry's page is wanted, while the
    // user may still move on.
    void browsed(const WordListThread::Row &row);
    // A row was picked: its entry's page is wanted.
    void picked(const WordListThread::Row &row);
    // Enter in the field while no row is current.
    void enteredWithoutRow();
    // A row of the other list was picked.
    void otherPicked(int row);

private:
    void showFromTop();
    // Makes the row of the entry shown current, or none, quietly.
    void followEntryShown();
    // Moves the current row by `step`, when there is a list to move in.
    void move(int step);
    void enter();
    void pick(const QModelIndex &index);
    void browse(const QModelIndex &current);
    bool showsOther() const;

    Form form;
    WordListModel *model;
    // The current row was made so by the user, not by a new list.
    bool chosen = false;
    // The current row is being set by the list, not by the user.
    bool showingList = false;
    QString entryShown;
};
