#include "preferences/rebuilddialog.h"
#include "ui_rebuilddialog.h"

#include "database/installeddictionaries.h"
#include "lookup/searchthread.h"

#include <QEvent>
#include <QPushButton>

RebuildDialog::RebuildDialog(int id, QWidget *parent) : QDialog(parent), ui(new Ui::RebuildDialog)
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &RebuildDialog::reject);
    connect(&m_builder, &ConvertThread::frameChanged, ui->progressBar, &QProgressBar::setValue);
    connect(&m_builder, &QThread::finished, this, &RebuildDialog::buildEnded);
    m_builder.setRebuild(id);
    m_builder.start(QThread::InheritPriority);
}

RebuildDialog::~RebuildDialog()
{
    m_builder.cancel();
    m_builder.wait();
    delete ui;
}

void RebuildDialog::reject()
{
    if (m_builder.isFinished() && !m_builder.isRunning()) {
        QDialog::reject();
        return;
    }
    m_builder.cancel();
    ui->messageLabel->setText(tr("Canceling..."));
    ui->buttonBox->setEnabled(false);
}

void RebuildDialog::buildEnded()
{
    switch (m_builder.outcome()) {
    case ConvertThread::Committed:
        accept();
        return;
    case ConvertThread::Canceled:
        QDialog::reject();
        return;
    default:
        break;
    }
    ui->messageLabel->setText(tr("The index could not be rebuilt: %1\nThe old index is still in "
                                 "place.")
                                  .arg(m_builder.errorString()));
    ui->progressBar->hide();
    ui->buttonBox->setStandardButtons(QDialogButtonBox::Close);
    ui->buttonBox->setEnabled(true);
}

void RebuildDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

int RebuildDialog::dictionaryOfLink(const QString &link)
{
    const QString rebuild = QLatin1String(SearchThread::rebuildLink);
    if (link.startsWith(rebuild + u'/'))
        return link.mid(rebuild.size() + 1).toInt();
    QList<Records::Installed> installed;
    if (link == rebuild && InstalledDictionaries().list(&installed) && installed.size() == 1)
        return installed.first().id;
    return 0;
}
