#include "mainwindow/wordlist.h"

#include "mainwindow/wordlistdelegate.h"
#include "mainwindow/wordlistmodel.h"

#include <QAction>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScopedValueRollback>
#include <QShortcut>

#include <functional>

WordList::WordList(const Form &form, QObject *parent)
    : QObject(parent), form(form), model(new WordListModel(this))
{
    connect(model, &WordListModel::withoutPhrasesChanged, form.withoutPhrasesNote,
            &QWidget::setVisible);
    connect(model, &WordListModel::fileChangedChanged, form.fileChangedNote, &QWidget::setVisible);
    connect(form.view, &QAbstractItemView::clicked, this, &WordList::pick);
    connect(model, &WordListModel::listShown, this, &WordList::showFromTop);
    form.view->setItemDelegate(new WordListDelegate(form.view));
    // Tab reaches the list (a click leaves the keyboard in the field); it
    // shows where the keyboard is by a current row.
    form.view->setFocusPolicy(Qt::TabFocus);
    form.view->installEventFilter(this);
    showOther(nullptr);
    // Lists are not asked for while hidden.
    connect(form.shown, &QAction::toggled, this, [this](bool shown) {
        if (shown && !showsOther())
            model->setText(this->form.field->text());
    });
    const struct
    {
        Qt::Key key;
        std::function<void()> run;
    } keys[] = {
        {Qt::Key_Up, [this] { move(-1); }},
        {Qt::Key_Down, [this] { move(1); }},
        {Qt::Key_Return, [this] { enter(); }},
        {Qt::Key_Enter, [this] { enter(); }},
    };
    for (const auto &key : keys) {
        auto *shortcut = new QShortcut(QKeySequence(key.key), form.field);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, key.run);
    }
}

void WordList::setText(const QString &text)
{
    if (form.shown->isChecked() && !showsOther())
        model->setText(text);
}

void WordList::showOther(QAbstractItemModel *other)
{
    // Each model the view is given comes with a selection model of its own.
    const QItemSelectionModel *old = form.view->selectionModel();
    form.view->setModel(other ? other : model);
    delete old;
    connect(form.view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &WordList::browse);
    chosen = false;
    if (!other)
        setText(form.field->text());
}

void WordList::showFromTop()
{
    // A view keeps its scroll position across a reset: a list scrolled
    // once would open every later one with its first rows hidden.
    if (showsOther())
        return;
    form.view->scrollToTop();
    chosen = false;
    followEntryShown();
}

void WordList::setEntryShown(const QString &key)
{
    entryShown = key;
    if (!chosen && !showsOther())
        followEntryShown();
}

void WordList::followEntryShown()
{
    int found = -1;
    for (int i = 0; i < model->rowCount() && found < 0 && !entryShown.isEmpty(); ++i)
        found = model->row(i).key == entryShown ? i : -1;
    const QModelIndex row = found >= 0 ? model->index(found) : QModelIndex();
    if (row == form.view->currentIndex())
        return;
    const QScopedValueRollback<bool> quiet(showingList, true);
    if (row.isValid())
        form.view->setCurrentIndex(row);
    else
        form.view->selectionModel()->clear();
}

bool WordList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == form.view && event->type() == QEvent::FocusIn &&
        !form.view->currentIndex().isValid() && form.view->model()->rowCount() > 0) {
        const QScopedValueRollback<bool> quiet(showingList, true);
        form.view->setCurrentIndex(form.view->model()->index(0, 0));
    }
    return QObject::eventFilter(watched, event);
}

bool WordList::showsOther() const
{
    return form.view->model() != model;
}

void WordList::move(int step)
{
    QAbstractItemModel *const list = form.view->model();
    const int rows = list->rowCount();
    if (!form.shown->isChecked() || rows == 0)
        return;
    const QModelIndex current = form.view->currentIndex();
    // Not chosen yet (no row, or the row of the entry on the page), Down
    // goes to the first and Up stays.
    const int row = current.isValid() && chosen ? qBound(0, current.row() + step, rows - 1)
                                                : (step > 0 ? 0 : -1);
    if (row < 0)
        return;
    const QModelIndex next = list->index(row, 0);
    if (next != current)
        form.view->setCurrentIndex(next);
    else if (!chosen)
        browse(next);
    form.view->scrollTo(next);
    // The rows after the last one come as the list is scrolled; from the
    // keyboard, ask as soon as the last row is reached.
    if (row == rows - 1)
        list->fetchMore(QModelIndex());
}

void WordList::enter()
{
    const QModelIndex current = form.view->currentIndex();
    if (form.shown->isChecked() && chosen && current.isValid())
        pick(current);
    else
        emit enteredWithoutRow();
}

void WordList::pick(const QModelIndex &index)
{
    // A new list's first row, current already, is made so by the click as
    // any other row would be, before it is picked.
    if (!chosen)
        browse(index);
    if (showsOther()) {
        emit otherPicked(index.row());
        return;
    }
    const WordListThread::Row row = model->row(index.row());
    if (!row.key.isEmpty())
        emit picked(row);
}

void WordList::browse(const QModelIndex &current)
{
    // Only a row the user makes current is chosen.
    if (!current.isValid() || showingList)
        return;
    chosen = true;
    if (showsOther())
        return;
    const WordListThread::Row row = model->row(current.row());
    if (!row.key.isEmpty())
        emit browsed(row);
}
