#include "wizard/registerpage.h"
#include "ui_registerpage.h"

#include <QEvent>
#include <QFileDialog>

RegisterPage::RegisterPage(QWidget *parent) : QWizardPage(parent), ui(new Ui::RegisterPage)
{
    ui->setupUi(this);
    setCommitPage(true);
    connect(ui->nameEdit, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
    connect(ui->fileEdit, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
}

RegisterPage::~RegisterPage()
{
    delete ui;
}

void RegisterPage::initializePage()
{
    // Runs on every step forward onto this page, so a changed type choice
    // replaces whatever the name box held.
    ui->nameEdit->setText(field("dictionaryName").toString());
}

bool RegisterPage::validatePage()
{
    // A failed build leads back here for another commit; the field, bound
    // to the box, needs registering only once.
    if (!m_fileRegistered)
        registerField("dictionaryFile", ui->fileEdit);
    m_fileRegistered = true;
    return true;
}

void RegisterPage::cleanupPage()
{
    // The base would reset the box to the path of the first commit; going
    // back keeps what the user typed.
}

bool RegisterPage::isComplete() const
{
    return !ui->nameEdit->text().isEmpty() && !ui->fileEdit->text().isEmpty();
}

void RegisterPage::on_fileButton_clicked()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("Choose a file of dictionary"), ui->fileEdit->text(),
        tr("All Files (*);;Text Files (*.txt)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty())
        ui->fileEdit->setText(file);
}

void RegisterPage::changeEvent(QEvent *e)
{
    QWizardPage::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
