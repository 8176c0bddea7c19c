#pragma once

#include <QWizardPage>

namespace Ui {
class IntroPage;
}

// First page: one radio button per known dictionary type; types that are
// installed already are shown greyed out, with a note saying why.
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
    void explainInstalled();

    Ui::IntroPage *ui;
};
