#include "mainwindow/entryfinder.h"

#include "dictionary/format.h"
#include "mainwindow/entrylistmodel.h"
#include "mainwindow/wordlist.h"
#include "mainwindow/wordlistdelegate.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QToolButton>

namespace {

// Paints a found line on one line: its entry word in bold, the places of
// the text searched for marked. Other rows are painted as ever; rows of
// either list are as tall, and cut ones show their text as a tooltip, as
// the word list's.
class FoundLineDelegate : public WordListDelegate
{
public:
    using WordListDelegate::WordListDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QVariant marks = index.data(EntryListModel::MarksRole);
        if (!marks.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        QTextLayout layout(item.text, item.font);
        // The background and the selection, without the text.
        item.text.clear();
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, option.widget);
        const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, option.widget);

        QTextCharFormat word;
        word.setFontWeight(QFont::Bold);
        QTextCharFormat marked;
        marked.setBackground(QColor(0xFF, 0xDC, 0x50));
        marked.setForeground(QColor(Qt::black));
        QList<QTextLayout::FormatRange> formats{
            {0, index.data(EntryListModel::WordLengthRole).toInt(), word}};
        for (const QVariant &mark : marks.toList())
            formats.append({mark.toPoint().x(), mark.toPoint().y(), marked});
        layout.setFormats(formats);
        QTextOption once;
        once.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(once);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();

        painter->save();
        painter->setClipRect(rect);
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter,
                    QPointF(rect.left(), rect.top() + (rect.height() - line.height()) / 2));
        painter->restore();
    }
};

} // namespace

EntryFinder::EntryFinder(const Form &form, QObject *parent)
    : QObject(parent), form(form), action(new QAction(tr("Find in Entries"), this)),
      count(new QLabel), model(new EntryListModel(this))
{
    action->setObjectName(QStringLiteral("actionFindInEntries"));
    action->setCheckable(true);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    action->setIcon(QIcon(QStringLiteral(":/orvel/icon/find-in-entries.svg")));
    form.menu->insertAction(form.before, action);
    form.menu->insertSeparator(form.before);
    auto *button = new QToolButton;
    button->setObjectName(QStringLiteral("findInEntriesButton"));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    form.fieldRow->insertWidget(form.fieldRow->indexOf(form.field) + 1, button);

    count->setObjectName(QStringLiteral("entryCountLabel"));
    count->setMargin(4);
    count->setVisible(false);
    form.listPanel->insertWidget(0, count);
    form.view->setItemDelegate(new FoundLineDelegate(form.view));

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
    // The lines found are listed where the words are.
    if (on)
        form.listShown->setChecked(true);
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
