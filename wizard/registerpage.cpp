#include "wizard/registerpage.h"
#include "ui_registerpage.h"

#include "database/dictionarysettings.h"
#include "wizard/namecheck.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QWizard>

RegisterPage::RegisterPage(QWidget *parent) : QWizardPage(parent), ui(new Ui::RegisterPage)
{
    ui->setupUi(this);
    setCommitPage(true);
    // Alt+C commits: without an accelerator of its own, the file box would
    // take the key as a letter typed.
    setButtonText(QWizard::CommitButton, tr("&Commit"));
    m_nameCheck = new NameCheck(ui->nameEdit, ui->nameErrorLabel);
    connect(m_nameCheck, &NameCheck::validityChanged, this, &QWizardPage::completeChanged);
    // Only the user's own edits count as typed; a box they emptied takes
    // the file's name again.
    connect(ui->nameEdit, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_nameTyped = !text.isEmpty(); });
    connect(ui->fileEdit, &QLineEdit::textChanged, this, &RegisterPage::nameAfterFile);
    connect(ui->fileEdit, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
}

RegisterPage::~RegisterPage()
{
    delete ui;
}

void RegisterPage::initializePage()
{
    // Runs on every step forward onto this page: until a file is chosen the
    // box offers the type's name, which a changed type choice replaces.
    if (!m_nameTyped && ui->fileEdit->text().isEmpty())
        ui->nameEdit->setText(field("dictionaryName").toString());
    else
        nameAfterFile(ui->fileEdit->text());
}

void RegisterPage::nameAfterFile(const QString &file)
{
    if (!m_nameTyped && !file.isEmpty())
        ui->nameEdit->setText(DictionarySettings::nameOfFile(file));
}

bool RegisterPage::validatePage()
{
    // A failed build leads back here for another commit; the fields, bound
    // to the boxes, need registering only once.
    if (!m_fieldsRegistered) {
        registerField("dictionaryFile", ui->fileEdit);
        registerField("givenName", ui->nameEdit);
    }
    m_fieldsRegistered = true;
    return true;
}

void RegisterPage::cleanupPage()
{
    // The base would reset the box to the path of the first commit; going
    // back keeps what the user typed.
}

bool RegisterPage::isComplete() const
{
    return m_nameCheck->isValid() && !ui->fileEdit->text().isEmpty();
}

void RegisterPage::on_fileButton_clicked()
{
    // Dictionaries are kept among the user's files, not where Orvel was
    // started from.
    const QString from = ui->fileEdit->text().isEmpty() ? QDir::homePath() : ui->fileEdit->text();
    const QString file = QFileDialog::getOpenFileName(this, tr("Choose a file of dictionary"), from,
                                                      tr("All Files (*);;Text Files (*.txt)"),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty())
        ui->fileEdit->setText(file);
}

void RegisterPage::changeEvent(QEvent *e)
{
    QWizardPage::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        m_nameCheck->recheck();
    }
}
