#pragma once

#include <QWizardPage>

namespace Ui {
class ConclusionPage;
}

// Last page: tells the user the dictionary is ready.
class ConclusionPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ConclusionPage(QWidget *parent = nullptr);
    ~ConclusionPage() override;

protected:
    void changeEvent(QEvent *e) override;

private:
    Ui::ConclusionPage *ui;
};
