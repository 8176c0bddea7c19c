#include "mainwindow/resultview.h"

#include <QMimeData>
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

QMimeData *ResultView::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setHtml(QTextDocumentFragment(textCursor()).toHtml());
    data->setText(selectedPlainText());
    return data;
}
