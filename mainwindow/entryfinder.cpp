#include "mainwindow/entryfinder.h"

#include "dictionary/format.h"
#include "mainwindow/entrylistmodel.h"
#include "mainwindow/foundlinedelegate.h"
#include "mainwindow/wordlist.h"

#include <QAction>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>

EntryFinder::EntryFinder(const Form &form, QObject *parent)
    : QObject(parent), form(form), action(new QAction(tr("Find in Entries"), this)),
      count(new QLabel), model(new EntryListModel(this))
{
    action->setObjectName(QStringLiteral("actionFindInEntries"));
    action->setCheckable(true);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    action->setIcon(QIcon(QStringLiteral(":/orvel/icon/find-in-entries.svg")));
    //: The button's tooltip: the action, then its key.
    action->setToolTip(
        tr("Find in Entries (%1)").arg(action->shortcut().toString(QKeySequence::NativeText)));
    form.menu->insertAction(form.before, action);
    form.menu->insertSeparator(form.before);
    auto *button = new QToolButton;
    button->setObjectName(QStringLiteral("findInEntriesButton"));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    // Reached with Tab after the field, before the list.
    button->setFocusPolicy(Qt::TabFocus);
    form.fieldRow->insertWidget(form.fieldRow->indexOf(form.field) + 1, button);
    QWidget::setTabOrder(form.field, button);
    QWidget::setTabOrder(button, form.view);

    count->setObjectName(QStringLiteral("entryCountLabel"));
    count->setMargin(4);
    count->setVisible(false);
    form.listPanel->insertWidget(0, count);
    form.view->setItemDelegate(new FoundLineDelegate(form.view));

    // Each new text's lines are shown from the top, wherever the last
    // ones were scrolled to.
    connect(model, &QAbstractItemModel::modelReset, form.view, [this] {
        if (this->form.view->model() == model)
            this->form.view->scrollToTop();
    });
    connect(action, &QAction::toggled, this, &EntryFinder::turn);
    connect(model, &EntryListModel::summaryChanged, count, &QLabel::setText);
    connect(form.list, &WordList::otherPicked, this, &EntryFinder::pick);
    connect(form.field, &QLineEdit::textChanged, this, &EntryFinder::setText);
}

bool EntryFinder::isOn() const
{
    return action->isChecked();
}

QString EntryFinder::show(const History::Visit &visit)
{
    action->setChecked(!visit.found.isEmpty());
    return visit.found.isEmpty() ? visit.word : visit.found;
}

void EntryFinder::setText(const QString &text)
{
    if (isOn())
        model->setText(text);
}

void EntryFinder::turn(bool on)
{
    // The lines found are listed where the words are; the list is hidden
    // again afterwards if it was.
    if (on) {
        listWasShown = form.listShown->isChecked();
        form.listShown->setChecked(true);
    } else
        form.listShown->setChecked(listWasShown);
    form.list->showOther(on ? model : nullptr);
    model->setText(on ? form.field->text() : QString());
    count->setVisible(on);
    form.field->setFocus(Qt::OtherFocusReason);
}

void EntryFinder::pick(int row)
{
    if (const EntrySearch::Row *found = model->row(row))
        emit picked({found->entryWord, Eijiro::entryKey(found->entryWord), model->text()});
}
