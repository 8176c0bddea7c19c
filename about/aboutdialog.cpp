#include "about/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "version.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    ui->numberLabel->setText(QStringLiteral(ORVEL_VERSION));
    // A way out for those who do not know Escape.
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("closeButtons"));
    ui->gridLayout->addWidget(buttons, ui->gridLayout->rowCount(), 0, 1, 2);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // In the program's language, as the rest of the dialog.
    buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
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
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        findChild<QDialogButtonBox *>(QStringLiteral("closeButtons"))
            ->button(QDialogButtonBox::Close)
            ->setText(tr("Close"));
    }
}
