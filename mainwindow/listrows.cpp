#include "mainwindow/listrows.h"

#include "mainwindow/entryfinder.h"
#include "mainwindow/whatimean.h"
#include "mainwindow/wordlist.h"

ListRows::ListRows(const Form &form, QObject *parent)
    : QObject(parent), history(form.history), meaning(form.meaning),
      wordList(new WordList(
          {form.view, form.field, form.listShown, form.withoutPhrasesNote, form.fileChangedNote},
          this)),
      entryFinder(new EntryFinder({form.menu, form.before, form.field, form.fieldRow,
                                   form.listPanel, form.view, form.listShown, wordList},
                                  this))
{
    connect(wordList, &WordList::picked, this, [this](const auto &row) {
        showRow({row.shown, row.key}, true);
    });
    connect(wordList, &WordList::browsed, this, [this](const auto &row) {
        showRow({row.shown, row.key}, false);
    });
    connect(entryFinder, &EntryFinder::picked, this,
            [this](const auto &visit) { showRow(visit, true); });
}

void ListRows::lookingUpAgain(const QString &text)
{
    wordList->setText(text);
    entryFinder->setText(text);
}

void ListRows::pageShows(const QString &key)
{
    wordList->setEntryShown(key);
}

void ListRows::showRow(const History::Visit &visit, bool picked)
{
    // Made current, the row is shown as a keystroke's page is, the user not
    // settled on it yet; only a pick shows it without the rules. Made
    // current before a pick, it is on display or on its way.
    if (!picked && !meaning->isOn())
        return;
    if (!picked)
        history->typed(visit);
    else if (visit == history->onDisplay())
        return history->settle();
    else
        history->goingOn();
    emit pageWanted(visit);
    if (picked)
        history->enter(visit);
}
