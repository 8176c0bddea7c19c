#include "wizard/convertpage.h"
#include "ui_convertpage.h"

#include "dictionary/convertthread.h"
#include "dictionary/dictionaryformat.h"

#include <QEvent>
#include <QWizard>

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
    // Entered again after a failed build: start afresh.
    ui->processBar->setValue(ui->processBar->minimum());
    ui->errorLabel->hide();
    showProgress(true);

    auto *builder = new ConvertThread;
    m_builder = builder;
    connect(builder, &ConvertThread::frameChanged, ui->processBar, &QProgressBar::setValue);
    // Queued calls run in the order they were connected, so this one reads
    // the builder before the deleteLater below can take it away.
    connect(builder, &QThread::finished, this, [this, builder] { buildEnded(builder); });
    // Nobody waits for the builder (cancelling must not block), so it cleans
    // up after itself once its thread has ended.
    connect(builder, &QThread::finished, builder, &QObject::deleteLater);
    builder->setDictionary(field("givenName").toString(), field("dictionaryFile").toString());
    builder->setType(DictionaryFormat::typeNamed(field("dictionaryName").toString()));
    builder->start(QThread::InheritPriority);
}

void ConvertPage::cleanupPage()
{
    QWizardPage::cleanupPage();
    if (m_reopened)
        m_reopened->setCommitPage(true);
    m_reopened = nullptr;
}

void ConvertPage::buildEnded(const ConvertThread *builder)
{
    // A stop request comes only with the wizard closing, so there is nobody
    // left to tell.
    const ConvertThread::Outcome outcome = builder->outcome();
    if (builder != m_builder || outcome == ConvertThread::Committed ||
        outcome == ConvertThread::Canceled)
        return;
    // The builder's reason is a fragment ("cannot open …") made to follow
    // a lead-in; on its own on the page it reads as a sentence.
    QString reason = builder->errorString();
    if (!reason.isEmpty())
        reason[0] = reason[0].toUpper();
    // Installed all the same: the page is complete, and there is no way back.
    if (outcome == ConvertThread::CheckpointFailed) {
        ui->errorLabel->setText(reason);
        ui->errorLabel->show();
        return;
    }
    const QString way = outcome == ConvertThread::NameRefused
                            ? tr("Nothing was installed. Click Back to change the name.")
                            : tr("Nothing was installed. Click Back to choose another file.");
    ui->errorLabel->setText((reason.isEmpty() ? QString() : reason + '\n') + way);
    ui->errorLabel->show();
    // Nothing to wait for any more: only the reason and the way back.
    showProgress(false);
    allowBack();
}

void ConvertPage::showProgress(bool shown)
{
    ui->processLabel->setVisible(shown);
    ui->processBar->setVisible(shown);
    setSubTitle(shown ? tr("Now creating indexes of entry words, please wait for a minute.")
                      : QString());
}

// The page before this one is the commit page, so the wizard offers no way
// back to it. After a failed build nothing was committed, so it becomes an
// ordinary page until the user has gone back (cleanupPage).
void ConvertPage::allowBack()
{
    if (!wizard())
        return;
    const QList<int> visited = wizard()->visitedIds();
    QWizardPage *previous =
        visited.size() > 1 ? wizard()->page(visited[visited.size() - 2]) : nullptr;
    if (!previous || !previous->isCommitPage())
        return;
    previous->setCommitPage(false);
    m_reopened = previous;
    // The wizard looks at its buttons again on this signal.
    emit completeChanged();
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
    if (e->type() == QEvent::LanguageChange) {
        const bool waiting = !subTitle().isEmpty();
        ui->retranslateUi(this);
        // A failed build's page keeps only its reason.
        if (!waiting)
            setSubTitle(QString());
    }
}
