#pragma once

#include <QWizardPage>

namespace Ui {
class IntroPage;
}

// First page: one radio button per known dictionary type. Any number of
// dictionaries of a type may be installed, so every type can be chosen.
class IntroPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit IntroPage(QWidget *parent = nullptr);
    ~IntroPage() override;

    void initializePage() override;
    bool validatePage() override;
    bool isComplete() const override;

protected:
    void changeEvent(QEvent *e) override;

private:
    Ui::IntroPage *ui;
};
