#include "mainwindow/resultview.h"

#include "preferences/viewsettings.h"

#include <QEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextDocumentFragment>

ResultView::ResultView(QWidget *parent) : QTextBrowser(parent)
{
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
    // The view selects the word under the pointer.
    QTextBrowser::mouseDoubleClickEvent(event);
    const QString word = selectedPlainText().trimmed();
    if (event->button() == Qt::LeftButton && !word.isEmpty())
        emit wordDoubleClicked(word);
}

QMimeData *ResultView::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setHtml(QTextDocumentFragment(textCursor()).toHtml());
    data->setText(selectedPlainText());
    return data;
}
