#pragma once

#include <QWizardPage>

class NameCheck;

namespace Ui {
class RegisterPage;
}

// Second page and the wizard's commit page: the dictionary's name and the
// path of its text file. The name follows the file's until the user types
// one of their own; it is handed on as the field "givenName".
class RegisterPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit RegisterPage(QWidget *parent = nullptr);
    ~RegisterPage() override;

    void initializePage() override;
    bool validatePage() override;
    void cleanupPage() override;
    bool isComplete() const override;

protected:
    void changeEvent(QEvent *e) override;

private slots:
    void on_fileButton_clicked();

private:
    void nameAfterFile(const QString &file);

    Ui::RegisterPage *ui;
    NameCheck *m_nameCheck;
    bool m_fieldsRegistered = false;
    // The name box holds a name the user typed, which no file replaces.
    bool m_nameTyped = false;
};
