#pragma once

#include "mainwindow/pagecolours.h"

#include <QPointer>
#include <QTextBrowser>

// The result view of the main window and of the pop-up. Its font stays
// within the result font's bounds however it is changed (settings, Bigger
// and Smaller, Ctrl with the wheel), a copied selection is the text shown
// with the numbers of its lists, a double-clicked word and the context
// menu's Look Up are offered for a look-up, and a page's colours follow the
// palette as it changes.
class ResultView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ResultView(QWidget *parent = nullptr);

    // Page Up, Page Down, Ctrl+Home and Ctrl+End pressed in `widget` (the
    // search field, which keeps the keyboard while the page is read) scroll
    // this view.
    void takePageKeysFrom(QWidget *widget);

    // The colours pages are shown in now.
    const PageColours &colours() const { return m_colours; }
    // Room of `width` pixels at the left of the page, outside it, for the
    // marks `column` paints beside its lines (StarLinks' stars, Speaker's
    // speakers). Columns stand left to right in the order first given and
    // follow the view's height.
    void setGutter(QWidget *column, int width);

signals:
    // The view's font has changed (and is within the bounds), by whatever
    // route: the window keeps its settings in step through this.
    void fontChanged(const QFont &font);
    // A word was double-clicked (and is selected).
    void wordDoubleClicked(const QString &word);
    // The context menu's Look Up: the selection, or the word under the
    // pointer, as OutsideWord::clean() leaves it.
    void lookUpRequested(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // A line edit's claim to Ctrl+Home and Ctrl+End, refused.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    // The word at `position` of the viewport, as a cursor that selects it;
    // no selection where there is no word.
    QTextCursor wordAt(const QPoint &position) const;

    void placeGutter();

    struct Column
    {
        QPointer<QWidget> widget;
        int width;
    };
    QList<Column> gutter;
    QList<QObject *> keysFrom;
    PageColours m_colours;
    // The selection as plain text: blocks and line breaks as new lines, a
    // list item's number before it, non-breaking spaces as spaces.
    QString selectedPlainText() const;
};
