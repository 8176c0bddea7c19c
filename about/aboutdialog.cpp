#include "about/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "version.h"

#include <QEvent>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    ui->numberLabel->setText(QStringLiteral(ORVEL_VERSION));
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

void AboutDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The name, the version number and the notice are never translated; the
    // form puts only the translatable texts here.
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
