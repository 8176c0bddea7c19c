#include "wizard/dictionarywizard.h"
#include "ui_dictionarywizard.h"

#include "wizard/conclusionpage.h"
#include "wizard/convertpage.h"
#include "wizard/intropage.h"
#include "wizard/registerpage.h"

#include <QEvent>

DictionaryWizard::DictionaryWizard(QWidget *parent)
    : QWizard(parent, Qt::WindowFlags()), ui(new Ui::DictionaryWizard)
{
    ui->setupUi(this);
    setPage(IntroPageId, new IntroPage);
    setPage(RegisterPageId, new RegisterPage);
    setPage(ConvertPageId, new ConvertPage);
    setPage(ConclusionPageId, new ConclusionPage);
    setStartId(IntroPageId);
}

DictionaryWizard::~DictionaryWizard()
{
    delete ui;
}

ConvertThread *DictionaryWizard::builder() const
{
    const auto *convert = qobject_cast<const ConvertPage *>(page(ConvertPageId));
    return convert ? convert->builder() : nullptr;
}

void DictionaryWizard::reject()
{
    // Only the convert page has a builder to stop; it is the current page
    // exactly while it is the one on screen.
    if (currentId() == ConvertPageId) {
        if (auto *convert = qobject_cast<ConvertPage *>(page(ConvertPageId)))
            convert->cancel();
    }
    QDialog::reject();
}

void DictionaryWizard::changeEvent(QEvent *e)
{
    QWizard::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
