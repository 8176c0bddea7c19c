#pragma once

#include <QTextBrowser>

// The main window's result view. Its font stays within the sizes the
// Preferences dialog offers however it is changed (settings, Bigger and
// Smaller, Ctrl with the wheel), and a copied selection is the text shown.
class ResultView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ResultView(QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    // The selection as plain text: blocks and line breaks as new lines,
    // non-breaking spaces as spaces.
    QString selectedPlainText() const;
};
