#pragma once

#include <QTextBrowser>

// The main window's result view. Its font stays within the result font's
// bounds however it is changed (settings, Bigger and Smaller, Ctrl with the
// wheel), a copied selection is the text shown, and a double-clicked word
// is offered for a look-up.
class ResultView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ResultView(QWidget *parent = nullptr);

    // Page Up, Page Down, Ctrl+Home and Ctrl+End pressed in `widget` (the
    // search field, which keeps the keyboard while the page is read) scroll
    // this view.
    void takePageKeysFrom(QWidget *widget);

signals:
    // The view's font has changed (and is within the bounds), by whatever
    // route: the window keeps its settings in step through this.
    void fontChanged(const QFont &font);
    // A word was double-clicked (and is selected).
    void wordDoubleClicked(const QString &word);

protected:
    void changeEvent(QEvent *event) override;
    // A line edit's claim to Ctrl+Home and Ctrl+End, refused.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    QList<QObject *> keysFrom;
    // The selection as plain text: blocks and line breaks as new lines,
    // non-breaking spaces as spaces.
    QString selectedPlainText() const;
};
