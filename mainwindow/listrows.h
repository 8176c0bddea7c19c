#pragma once

#include "mainwindow/history.h"

#include <QObject>

class EntryFinder;
class QAction;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class WhatIMean;
class WordList;

// The lists beside the page, as the window uses them: the word list and
// Find in Entries' lines in its place. A row made current shows its
// entry's page while Find What I Mean is on; a row picked shows it and
// enters the history. The word list's current row follows the page on
// display: the row of its entry, or none.
class ListRows : public QObject
{
    Q_OBJECT

public:
    struct Form
    {
        QListView *view;
        QLineEdit *field;
        QAction *listShown; // View > Word List
        QLabel *withoutPhrasesNote;
        QLabel *fileChangedNote;
        // Where Find in Entries' action, button and count go.
        QMenu *menu;
        QAction *before;
        QBoxLayout *fieldRow;
        QBoxLayout *listPanel;
        History *history;
        WhatIMean *meaning;
    };
    ListRows(const Form &form, QObject *parent);

    WordList *words() const { return wordList; }
    EntryFinder *finder() const { return entryFinder; }
    // The lists follow `text` (the field's), as they are now.
    void lookingUpAgain(const QString &text);
    // The page on display shows the entry of `key` (empty: none).
    void pageShows(const QString &key);

signals:
    // The page of `visit` is wanted.
    void pageWanted(const History::Visit &visit);

private:
    // Shows the page of a row of the word list, `picked` or made current,
    // or of a line picked among those found in entries.
    void showRow(const History::Visit &visit, bool picked);

    History *history;
    WhatIMean *meaning;
    WordList *wordList;
    EntryFinder *entryFinder;
};
