#include "wizard/convertpage.h"
#include "ui_convertpage.h"

#include "dictionary/convertthread.h"

#include <QEvent>

ConvertPage::ConvertPage(QWidget *parent) : QWizardPage(parent), ui(new Ui::ConvertPage)
{
    ui->setupUi(this);
    connect(ui->processBar, &QProgressBar::valueChanged, this, &QWizardPage::completeChanged);
}

ConvertPage::~ConvertPage()
{
    delete ui;
}

void ConvertPage::initializePage()
{
    auto *builder = new ConvertThread;
    m_builder = builder;
    connect(builder, &ConvertThread::frameChanged, ui->processBar, &QProgressBar::setValue);
    // Nobody waits for the builder (cancelling must not block), so it cleans
    // up after itself once its thread has ended.
    connect(builder, &QThread::finished, builder, &QObject::deleteLater);
    builder->setDictionary(field("dictionaryName").toString(), field("dictionaryFile").toString());
    builder->start(QThread::InheritPriority);
}

bool ConvertPage::isComplete() const
{
    return ui->processBar->value() == ui->processBar->maximum();
}

ConvertThread *ConvertPage::builder() const
{
    return m_builder;
}

void ConvertPage::cancel()
{
    if (m_builder)
        m_builder->cancel();
}

void ConvertPage::changeEvent(QEvent *e)
{
    QWizardPage::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
