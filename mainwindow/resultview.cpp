#include "mainwindow/resultview.h"

#include "mainwindow/outsideword.h"
#include "preferences/viewsettings.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextList>

#include <algorithm>
#include <memory>
#include <utility>

ResultView::ResultView(QWidget *parent)
    : QTextBrowser(parent), m_colours(PageColours::forPalette(palette()))
{
    // A page's links are the window's to follow (anchorClicked()): there is
    // no other page to open.
    setOpenLinks(false);
}

void ResultView::setGutter(QWidget *column, int width)
{
    auto known = std::find_if(gutter.begin(), gutter.end(),
                              [column](const Column &each) { return each.widget == column; });
    if (known == gutter.end())
        gutter.append({column, width});
    else
        known->width = width;
    placeGutter();
}

void ResultView::placeGutter()
{
    // The pop-up's view has none.
    if (gutter.isEmpty())
        return;
    const int frame = frameWidth();
    int left = 0;
    for (const Column &column : std::as_const(gutter)) {
        if (!column.widget || column.widget->isHidden())
            continue;
        column.widget->setGeometry(frame + left, frame, column.width, viewport()->height());
        column.widget->update();
        left += column.width;
    }
    setViewportMargins(left, 0, 0, 0);
}

void ResultView::resizeEvent(QResizeEvent *event)
{
    QTextBrowser::resizeEvent(event);
    placeGutter();
}

void ResultView::takePageKeysFrom(QWidget *widget)
{
    const struct
    {
        QKeyCombination keys;
        QAbstractSlider::SliderAction action;
    } scrolls[] = {
        {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},
        {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
        {Qt::CTRL | Qt::Key_Home, QAbstractSlider::SliderToMinimum},
        {Qt::CTRL | Qt::Key_End, QAbstractSlider::SliderToMaximum},
    };
    for (const auto &scroll : scrolls) {
        auto *shortcut = new QShortcut(QKeySequence(scroll.keys), widget);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, scroll] { verticalScrollBar()->triggerAction(scroll.action); });
    }
    keysFrom << widget;
    widget->installEventFilter(this);
}

bool ResultView::eventFilter(QObject *watched, QEvent *event)
{
    // A line edit keeps Ctrl+Home and Ctrl+End for its one line, where Home
    // and End do the same: unclaimed, they reach the shortcuts above.
    if (event->type() == QEvent::ShortcutOverride && keysFrom.contains(watched)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        return (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
               (key->key() == Qt::Key_Home || key->key() == Qt::Key_End);
    }
    return QTextBrowser::eventFilter(watched, event);
}

QString ResultView::selectedPlainText() const
{
    // Block by block: Qt's own plain text of a selection drops the numbers
    // of list items, and one that starts inside an item begins with an
    // empty line.
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    QString text;
    for (QTextBlock block = document()->findBlock(start); block.isValid(); block = block.next()) {
        const bool first = block.position() <= start;
        if (!first && block.position() >= end)
            break;
        const int from = qMax(start, block.position());
        if (!first)
            text += u'\n';
        // An item copied from its start keeps its number ("1. ").
        if (block.textList() && from == block.position())
            text += block.textList()->itemText(block) + u' ';
        const int to = qMin(end, block.position() + block.length() - 1);
        text += block.text().mid(from - block.position(), to - from);
    }
    for (QChar &c : text) {
        if (c == QChar::LineSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    // A body's line end shows as a space; copied, no line ends in one.
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        while (line.endsWith(u' '))
            line.chop(1);
    }
    return lines.join(u'\n');
}

void ResultView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        // The page on display takes the new colours at once; pages on their
        // way take them as they are shown.
        const PageColours colours = PageColours::forPalette(palette());
        PageColours::recolour(document(), m_colours, colours);
        m_colours = colours;
    }
    if (event->type() != QEvent::FontChange) {
        QTextBrowser::changeEvent(event);
        return;
    }
    const QFont bounded = ViewSettings::boundedFont(font());
    if (bounded != font()) {
        // Sends a font change of its own, which ends below.
        setFont(bounded);
        return;
    }
    QTextBrowser::changeEvent(event);
    emit fontChanged(font());
}

QTextCursor ResultView::wordAt(const QPoint &position) const
{
    // Qt's word runs across scripts ("水、river" is one); the word looked up
    // is the run of one script under the pointer, hyphens and apostrophes
    // inside it kept ("well-known", "don't").
    QTextCursor cursor = cursorForPosition(position);
    const QString text = cursor.block().text();
    int at = cursor.positionInBlock();
    if (at == text.size() || (at > 0 && !text.at(at).isLetterOrNumber()))
        --at;
    if (at < 0 || !text.at(at).isLetterOrNumber())
        return QTextCursor();
    const QChar::Script script = text.at(at).script();
    const auto inWord = [&](int i) {
        const QChar c = text.at(i);
        return c.isLetterOrNumber() && (c.script() == script || c.script() == QChar::Script_Common);
    };
    const auto joins = [&](int i) {
        return (text.at(i) == u'-' || text.at(i) == u'\'') && i > 0 && i + 1 < text.size() &&
               inWord(i - 1) && inWord(i + 1);
    };
    int start = at;
    while (start > 0 && (inWord(start - 1) || joins(start - 1)))
        --start;
    int end = at + 1;
    while (end < text.size() && (inWord(end) || joins(end)))
        ++end;
    const int block = cursor.block().position();
    cursor.setPosition(block + start);
    cursor.setPosition(block + end, QTextCursor::KeepAnchor);
    return cursor;
}

void ResultView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextBrowser::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QTextCursor word = wordAt(event->position().toPoint());
    if (!word.hasSelection())
        return;
    setTextCursor(word);
    emit wordDoubleClicked(word.selectedText());
}

void ResultView::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint position = viewport()->mapFromGlobal(event->globalPos());
    // The selection, when the click is on it (or the menu comes from the
    // keyboard); else the word under the pointer: a selection made earlier,
    // by Find in Page say, is not what the user points at.
    const QTextCursor selection = textCursor();
    const int at = cursorForPosition(position).position();
    const bool onSelection = event->reason() != QContextMenuEvent::Mouse ||
                             (at >= selection.selectionStart() && at <= selection.selectionEnd());
    QString text = onSelection ? selection.selectedText() : QString();
    if (text.trimmed().isEmpty())
        text = wordAt(position).selectedText();
    std::unique_ptr<QMenu> menu(createStandardContextMenu(position));
    auto *lookUp = new QAction(tr("Look Up"), menu.get());
    lookUp->setObjectName(QStringLiteral("lookUpAction"));
    lookUp->setEnabled(!text.trimmed().isEmpty());
    connect(lookUp, &QAction::triggered, this,
            [this, text] { emit lookUpRequested(OutsideWord::clean(text)); });
    const QList<QAction *> standard = menu->actions();
    menu->insertAction(standard.value(0), lookUp);
    menu->insertSeparator(standard.value(0));
    menu->exec(event->globalPos());
}

QMimeData *ResultView::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setHtml(QTextDocumentFragment(textCursor()).toHtml());
    data->setText(selectedPlainText());
    return data;
}
