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
    form.view->setModel(model);
    connect(model, &WordListModel::withoutPhrasesChanged, form.withoutPhrasesNote,
            &QWidget::setVisible);
    connect(model, &WordListModel::fileChangedChanged, form.fileChangedNote, &QWidget::setVisible);
    connect(form.view, &QAbstractItemView::clicked, this, &WordList::pick);
    connect(form.view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &WordList::browse);
    // Lists are not asked for while hidden.
    connect(form.shown, &QAction::toggled, this, [this](bool shown) {
        if (shown)
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
    if (form.shown->isChecked())
        model->setText(text);
}

void WordList::move(int step)
{
    const int rows = model->rowCount();
    if (!form.shown->isChecked() || rows == 0)
        return;
    const QModelIndex current = form.view->currentIndex();
    // From no row, Down goes to the first and Up stays.
    const int row =
        current.isValid() ? qBound(0, current.row() + step, rows - 1) : (step > 0 ? 0 : -1);
    if (row < 0)
        return;
    const QModelIndex next = model->index(row);
    form.view->setCurrentIndex(next);
    form.view->scrollTo(next);
    // The rows after the last one come as the list is scrolled; from the
    // keyboard, ask as soon as the last row is reached.
    if (row == rows - 1)
        model->fetchMore(QModelIndex());
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
    const WordListThread::Row row = model->row(index.row());
    if (!row.key.isEmpty())
        emit picked(row);
}

void WordList::browse(const QModelIndex &current)
{
    // A new list has no current row: only the user makes one current.
    if (!current.isValid())
        return;
    const WordListThread::Row row = model->row(current.row());
    if (!row.key.isEmpty())
        emit browsed(row);
}
