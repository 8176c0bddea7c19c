#include "mainwindow/wordlist.h"

#include "mainwindow/wordlistmodel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QShortcut>

#include <functional>

WordList::WordList(const Form &form, QObject *parent)
    : QObject(parent), form(form), model(new WordListModel(this))
{
    connect(model, &WordListModel::withoutPhrasesChanged, form.withoutPhrasesNote,
            &QWidget::setVisible);
    connect(model, &WordListModel::fileChangedChanged, form.fileChangedNote, &QWidget::setVisible);
    connect(form.view, &QAbstractItemView::clicked, this, &WordList::pick);
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
    if (!other)
        setText(form.field->text());
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
    // From no row, Down goes to the first and Up stays.
    const int row =
        current.isValid() ? qBound(0, current.row() + step, rows - 1) : (step > 0 ? 0 : -1);
    if (row < 0)
        return;
    const QModelIndex next = list->index(row, 0);
    form.view->setCurrentIndex(next);
    form.view->scrollTo(next);
    // The rows after the last one come as the list is scrolled; from the
    // keyboard, ask as soon as the last row is reached.
    if (row == rows - 1)
        list->fetchMore(QModelIndex());
}

void WordList::enter()
{
    const QModelIndex current = form.view->currentIndex();
    if (form.shown->isChecked() && current.isValid())
        pick(current);
    else
        emit enteredWithoutRow();
}

void WordList::pick(const QModelIndex &index)
{
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
    // A new list has no current row: only the user makes one current.
    if (!current.isValid() || showsOther())
        return;
    const WordListThread::Row row = model->row(current.row());
    if (!row.key.isEmpty())
        emit browsed(row);
}
