#include "mainwindow/notebookfiles.h"

#include "notebook/notebookthread.h"
#include "notebook/wordlistimport.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

NotebookFiles::NotebookFiles(NotebookThread *notebook, QWidget *window, QStatusBar *statusBar,
                             QObject *parent)
    : QObject(parent), notebook(notebook), window(window), statusBar(statusBar),
      m_export(new QAction(tr("&Export Notebook..."), this)),
      m_import(new QAction(tr("&Import Word List..."), this))
{
    m_export->setObjectName(QStringLiteral("actionExportNotebook"));
    m_import->setObjectName(QStringLiteral("actionImportWordList"));
    connect(m_export, &QAction::triggered, this, &NotebookFiles::exportNotebook);
    connect(m_import, &QAction::triggered, this, &NotebookFiles::importWordList);
    connect(notebook, &NotebookThread::exported, this,
            [this](const QString &file, int count, const QString &error) {
                this->statusBar->showMessage(
                    error.isEmpty()
                        ? tr("Lines written to %1: %2").arg(file).arg(count)
                        : tr("The notebook could not be written to %1: %2").arg(file, error));
            });
}

void NotebookFiles::exportNotebook()
{
    // In the order of the choices below: stars then the history, each as
    // tab-separated cards, then as CSV.
    const QStringList filters{tr("Starred entries as flash cards, tab-separated (*.tsv)"),
                              tr("Starred entries as flash cards, CSV (*.csv)"),
                              tr("History, tab-separated (*.tsv)"), tr("History, CSV (*.csv)")};
    QString chosen = filters.first();
    const QString file = QFileDialog::getSaveFileName(
        window, tr("Export Notebook"), QDir::home().filePath(QStringLiteral("orvel-cards.tsv")),
        filters.join(QStringLiteral(";;")), &chosen);
    if (file.isEmpty())
        return;
    const qsizetype choice = qMax<qsizetype>(0, filters.indexOf(chosen));
    notebook->exportTo(file, choice >= 2, choice % 2 ? Cards::Format::Csv : Cards::Format::Tsv);
}

void NotebookFiles::importWordList()
{
    const QString file = QFileDialog::getOpenFileName(
        window, tr("Import Word List"), QDir::homePath(),
        tr("Word lists, one word a line (*.txt *.tsv *.csv);;All files (*)"));
    if (!file.isEmpty())
        importFile(file);
}

void NotebookFiles::importFile(const QString &file)
{
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto read = std::make_shared<std::atomic<qint64>>(0);
    auto outcome = std::make_shared<WordListImport::Outcome>();
    const QString path = Notebook::defaultPath();
    std::unique_ptr<QThread> thread(QThread::create([=] {
        Notebook target(path);
        if (target.open() == Notebook::Opened::Failed) {
            outcome->error = target.lastError();
            return;
        }
        *outcome =
            WordListImport::run(file, &target, stop.get(), [read](qint64 done, qint64 total) {
                *read = total > 0 ? done * 1000 / total : 0;
            });
    }));
    QProgressDialog progress(tr("Importing %1...").arg(QFileInfo(file).fileName()), tr("Stop"), 0,
                             1000, window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &progress, [&] { progress.setValue(int(read->load())); });
    connect(&progress, &QProgressDialog::canceled, &progress, [stop] { *stop = true; });
    QEventLoop loop;
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    // One import at a time, even before the progress dialog shows.
    m_import->setEnabled(false);
    thread->start();
    poll.start(100);
    loop.exec();
    thread->wait();
    m_import->setEnabled(true);
    // The stars went in through a connection of the import's own.
    notebook->changedElsewhere();

    QString text = tr("Words starred: %1\nStarred before: %2\nNot found in any dictionary "
                      "switched on: %3")
                       .arg(outcome->starred)
                       .arg(outcome->already)
                       .arg(outcome->notFound);
    if (outcome->skipped > 0)
        text += u'\n' + tr("Lines too long to be a word: %1").arg(outcome->skipped);
    if (outcome->stopped)
        text = tr("The import was stopped.") + u' ' + text;
    // A file refused at its start says so and no more.
    if (!outcome->error.isEmpty())
        text = outcome->starred + outcome->already + outcome->notFound == 0
                   ? outcome->error
                   : outcome->error + QStringLiteral("\n\n") + text;
    // What became of the user's own request, said as that: no error dialog.
    auto *box = new QMessageBox(QMessageBox::Information, tr("Import Word List"), text,
                                QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("importOutcome"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
