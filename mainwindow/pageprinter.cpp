#include "mainwindow/pageprinter.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextDocument>

PagePrinter::PagePrinter(const Parts &parts, QObject *parent)
    : QObject(parent), view(parts.view), window(parts.window), statusBar(parts.statusBar),
      m_save(new QAction(tr("&Save Page As..."), this)),
      m_preview(new QAction(tr("Print Pre&view..."), this)),
      m_print(new QAction(tr("&Print..."), this))
{
    m_save->setObjectName(QStringLiteral("actionSavePageAs"));
    m_preview->setObjectName(QStringLiteral("actionPrintPreview"));
    m_print->setObjectName(QStringLiteral("actionPrint"));
    m_save->setShortcut(QKeySequence::Save);
    m_print->setShortcut(QKeySequence::Print);
    connect(m_save, &QAction::triggered, this, &PagePrinter::saveAs);
    connect(m_preview, &QAction::triggered, this, &PagePrinter::preview);
    connect(m_print, &QAction::triggered, this, &PagePrinter::print);
    // Their keys work with the menu bar hidden too.
    window->addActions(actions());
    parts.fileMenu->insertActions(parts.before, actions());
    parts.fileMenu->insertSeparator(parts.before);
}

QList<QAction *> PagePrinter::actions() const
{
    return {m_save, m_preview, m_print};
}

QString PagePrinter::save(const QTextDocument &page, const QString &file)
{
    if (QFileInfo(file).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        // Whole or not at all: a failed write leaves an older file as it was.
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(page.toHtml().toUtf8()) < 0 ||
            !out.commit())
            return out.errorString();
        return QString();
    }
    // QPrinter says nothing of a file it cannot write; trying first does.
    QFile probe(file);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setCreator(QStringLiteral("Orvel"));
    printer.setDocName(QFileInfo(file).completeBaseName());
    page.print(&printer);
    if (QFileInfo(file).size() == 0)
        return tr("nothing was written");
    return QString();
}

void PagePrinter::saveAs()
{
    const QString html = tr("Web page (*.html *.htm)");
    const QString pdf = tr("PDF document (*.pdf)");
    QString chosen = html;
    // The word of the title ("WORD - Orvel"), without the marks that keep
    // its direction there and without a folder's slash.
    QString word = window->windowTitle().section(QStringLiteral(" - "), 0, -2);
    word.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
    word = word.simplified().replace(u'/', u'_');
    const QString proposed =
        QDir::home().filePath((word.isEmpty() ? QStringLiteral("orvel") : word) + ".html");
    QString file = QFileDialog::getSaveFileName(window, tr("Save Page As"), proposed,
                                                html + QStringLiteral(";;") + pdf, &chosen);
    if (file.isEmpty())
        return;
    // The name's ending decides; the type chosen only where it says neither.
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (!QStringList{"pdf", "html", "htm"}.contains(suffix))
        file += chosen == pdf ? QStringLiteral(".pdf") : QStringLiteral(".html");
    const QString error = save(*view->document(), file);
    statusBar->showMessage(error.isEmpty()
                               ? tr("The page was saved to %1.").arg(file)
                               : tr("The page could not be saved to %1: %2").arg(file, error));
}

void PagePrinter::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, window);
    dialog.setWindowTitle(tr("Print Page"));
    if (dialog.exec() == QDialog::Accepted)
        view->document()->print(&printer);
}

void PagePrinter::preview()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, window);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, view->document(), &QTextDocument::print);
    dialog.exec();
}
