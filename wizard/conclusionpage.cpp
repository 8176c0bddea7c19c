#include "wizard/conclusionpage.h"
#include "ui_conclusionpage.h"

#include <QEvent>

ConclusionPage::ConclusionPage(QWidget *parent) : QWizardPage(parent), ui(new Ui::ConclusionPage)
{
    ui->setupUi(this);
}

ConclusionPage::~ConclusionPage()
{
    delete ui;
}

void ConclusionPage::changeEvent(QEvent *e)
{
    QWizardPage::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
