#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// The about box: logo, name, version, a note on Qt's licence and the
// ownership notice with a link to the maker's site.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::AboutDialog *ui;
};
