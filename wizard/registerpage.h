#pragma once

#include <QWizardPage>

namespace Ui {
class RegisterPage;
}

// Second page and the wizard's commit page: the dictionary's name and the
// path of its text file.
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
    Ui::RegisterPage *ui;
    bool m_fileRegistered = false;
};
