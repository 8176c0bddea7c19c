#pragma once

#include <QTextBrowser>

// The main window's result view: a copied selection is the text shown.
class ResultView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ResultView(QWidget *parent = nullptr);

protected:
    QMimeData *createMimeDataFromSelection() const override;

private:
    // The selection as plain text: blocks and line breaks as new lines,
    // non-breaking spaces as spaces.
    QString selectedPlainText() const;
};
