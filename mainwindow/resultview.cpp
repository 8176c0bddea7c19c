#include "mainwindow/resultview.h"

#include "preferences/viewsettings.h"

#include <QEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextDocumentFragment>

ResultView::ResultView(QWidget *parent) : QTextBrowser(parent)
{
    // A page's links are the window's to follow (anchorClicked()): there is
    // no other page to open.
    setOpenLinks(false);
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
    // Qt's own plain text of a selection that starts inside a list item
    // begins with an empty line; the cursor's text does not.
    QString text = textCursor().selectedText();
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return text;
}

void ResultView::changeEvent(QEvent *event)
{
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

void ResultView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextBrowser::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // Qt's word runs across scripts ("水、river" is one); the word looked up
    // is the run of one script under the pointer, hyphens and apostrophes
    // inside it kept ("well-known", "don't").
    QTextCursor cursor = cursorForPosition(event->position().toPoint());
    const QString text = cursor.block().text();
    int at = cursor.positionInBlock();
    if (at == text.size() || (at > 0 && !text.at(at).isLetterOrNumber()))
        --at;
    if (at < 0 || !text.at(at).isLetterOrNumber())
        return;
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
    setTextCursor(cursor);
    emit wordDoubleClicked(cursor.selectedText());
}

QMimeData *ResultView::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setHtml(QTextDocumentFragment(textCursor()).toHtml());
    data->setText(selectedPlainText());
    return data;
}
