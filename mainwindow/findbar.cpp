#include "mainwindow/findbar.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

namespace {
// Matches marked at most: a letter found on every line of a long page
// would make each repaint slow.
constexpr int mostMarked = 2000;
} // namespace

FindBar::FindBar(QTextEdit *view, QMenu *menu, QAction *after, QWidget *parent)
    : QWidget(parent), view(view), m_action(new QAction(this)), edit(new QLineEdit(this)),
      previous(new QToolButton(this)), next(new QToolButton(this)), closer(new QToolButton(this)),
      countLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    edit->setObjectName(QStringLiteral("findEdit"));
    previous->setObjectName(QStringLiteral("findPrevious"));
    next->setObjectName(QStringLiteral("findNext"));
    closer->setObjectName(QStringLiteral("findClose"));
    countLabel->setObjectName(QStringLiteral("findCount"));
    m_action->setObjectName(QStringLiteral("actionFind"));
    m_action->setShortcut(QKeySequence::Find);
    previous->setArrowType(Qt::UpArrow);
    next->setArrowType(Qt::DownArrow);
    closer->setText(QStringLiteral("\u2715"));
    for (QToolButton *button : {previous, next, closer})
        button->setAutoRaise(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(edit, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(countLabel);
    layout->addWidget(closer);
    // One line under the page, however tall the window: the page keeps
    // the height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    retranslate();
    hide();
    const QList<QAction *> actions = menu->actions();
    menu->insertAction(actions.value(actions.indexOf(after) + 1), m_action);

    connect(m_action, &QAction::triggered, this, &FindBar::open);
    connect(edit, &QLineEdit::textChanged, this, [this] { search(true); });
    connect(previous, &QToolButton::clicked, this, [this] { step(-1); });
    connect(next, &QToolButton::clicked, this, [this] { step(1); });
    connect(closer, &QToolButton::clicked, this, &FindBar::close);
    // A new page, or more of it: counted again, nothing selected until
    // the user moves on.
    connect(view, &QTextEdit::textChanged, this, [this] {
        if (isVisible())
            search(false);
    });
    edit->installEventFilter(this);
}

void FindBar::open()
{
    show();
    edit->setFocus(Qt::ShortcutFocusReason);
    edit->selectAll();
    search(false);
}

void FindBar::close()
{
    hide();
    matches.clear();
    m_current = -1;
    view->setExtraSelections({});
    emit closed();
}

void FindBar::search(bool fromStart)
{
    matches.clear();
    m_current = -1;
    const QString text = edit->text();
    QTextDocument *document = view->document();
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat marked;
    marked.setBackground(palette().color(QPalette::Inactive, QPalette::Highlight));
    marked.setForeground(palette().color(QPalette::Inactive, QPalette::HighlightedText));
    for (QTextCursor found = text.isEmpty() ? QTextCursor() : document->find(text); !found.isNull();
         found = document->find(text, found)) {
        matches << found;
        if (marks.size() < mostMarked)
            marks.append({found, marked});
    }
    view->setExtraSelections(marks);
    if (fromStart && !matches.isEmpty())
        step(1);
    showCount();
}

void FindBar::step(int step)
{
    if (matches.isEmpty())
        return;
    const int count = int(matches.size());
    m_current = m_current < 0 ? (step > 0 ? 0 : count - 1) : (m_current + step + count) % count;
    view->setTextCursor(matches.at(m_current));
    view->ensureCursorVisible();
    showCount();
}

void FindBar::showCount()
{
    if (edit->text().isEmpty())
        countLabel->clear();
    else if (matches.isEmpty())
        countLabel->setText(tr("Not found"));
    else if (m_current < 0)
        countLabel->setText(tr("%1 found").arg(matches.size()));
    else
        countLabel->setText(tr("%1 of %2").arg(m_current + 1).arg(matches.size()));
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != edit ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->key() != Qt::Key_Escape && !enter)
        return false;
    // Escape is the window's shortcut that empties the search field: here
    // it is the bar's.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (enter)
        step(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
    else
        close();
    return true;
}

void FindBar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void FindBar::retranslate()
{
    m_action->setText(tr("Find in Page..."));
    edit->setPlaceholderText(tr("Find in the page"));
    previous->setToolTip(tr("Previous match (Shift+Enter)"));
    next->setToolTip(tr("Next match (Enter)"));
    closer->setToolTip(tr("Close (Escape)"));
    showCount();
}
