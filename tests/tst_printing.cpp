// Saving and printing the page: PagePrinter::save writes the page as HTML or
// PDF with its text (the PDF read back by pdftotext), refuses a place it
// cannot write without leaving a file; and File > Save Page As... (Ctrl+S)
// in the window saves the page shown, named as the file dialog was told.

#include "mainwindow/pageprinter.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

namespace {

const QString pageHtml = "<h2>run</h2><ol><li>走る、駆ける</li><li>to operate a machine</li></ol>";
const QStringList pageWords{"run", "走る、駆ける", "to operate a machine"};

// What a reader gets from the file: the text of an HTML file as a browser
// lays it out, of a PDF as pdftotext extracts it.
QString textOf(const QString &file)
{
    if (!file.endsWith(".pdf", Qt::CaseInsensitive)) {
        QTextDocument document;
        document.setHtml(QString::fromUtf8(TestUtil::readBytes(file)));
        return document.toPlainText();
    }
    const TestUtil::Run run = TestUtil::run("pdftotext", {"-enc", "UTF-8", file, "-"});
    // Qt's PDF maps a glyph back to one of the characters the font draws
    // with it: 走 may come back as the Kangxi radical ⾛. A reader's search
    // folds them, and so does this.
    return run.exit == 0 ? run.out.normalized(QString::NormalizationForm_KC)
                         : "<pdftotext failed: " + run.err + ">";
}

bool holdsPage(const QString &text)
{
    for (const QString &word : pageWords)
        if (!text.contains(word))
            return false;
    return true;
}

} // namespace

class PrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed (package poppler-utils)");
    }

    void save_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("HTML") << "page.html" << QByteArray("<!DOCTYPE HTML");
        QTest::newRow("HTM in capitals") << "PAGE.HTM" << QByteArray("<!DOCTYPE HTML");
        QTest::newRow("no ending: HTML") << "page" << QByteArray("<!DOCTYPE HTML");
        QTest::newRow("PDF") << "page.pdf" << QByteArray("%PDF-");
        QTest::newRow("PDF in capitals") << "PAGE.PDF" << QByteArray("%PDF-");
    }
    void save()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, starts);
        QTextDocument page;
        page.setHtml(pageHtml);
        const QString file = TestUtil::makeDir("save") + "/" + name;
        QCOMPARE(PagePrinter::save(page, file), QString());
        QVERIFY(TestUtil::readBytes(file).startsWith(starts));
        const QString text = textOf(file);
        QVERIFY2(holdsPage(text), qPrintable(text));
    }

    void saveRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("HTML") << "page.html";
        QTest::newRow("PDF") << "page.pdf";
    }
    // A folder that does not exist: said, and no file made.
    void saveRefused()
    {
        QFETCH(QString, name);
        QTextDocument page;
        page.setHtml(pageHtml);
        const QString file = TestUtil::makeDir("refused") + "/missing/" + name;
        QVERIFY(!PagePrinter::save(page, file).isEmpty());
        QVERIFY(!QFileInfo::exists(file));
    }

    // Ctrl+S on a page, a PDF name typed into the dialog, Enter: the file
    // holds the page on display, and the status bar says where it went.
    void saveFromTheWindow()
    {
        QVERIFY(WindowFixture::install({"■run  {動} : 走る、駆ける", "■water : 水"}));
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        const QList<QAction *> file = w.window.menuBar()->actions().first()->menu()->actions();
        QVERIFY(file.indexOf(w.action("actionSavePageAs")) < file.indexOf(w.action("actionPrint")));
        QTest::keyClicks(w.edit, "run");
        QTRY_VERIFY(w.shows("run"));

        const QString target = TestUtil::makeDir("window") + "/run-page.pdf";
        // The dialog is answered from its own event loop: answered while it
        // was still being shown, it would close before its loop runs, and
        // the loop would then wait for ever.
        QString proposed;
        const int level = QThread::currentThread()->loopLevel();
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || QThread::currentThread()->loopLevel() <= level)
                return;
            poll.stop();
            proposed = dialog->selectedFiles().value(0);
            // Set rather than typed: typing a path opens the completer's
            // pop-up, which would take the Return. The dialog takes the name
            // in (its queued updates) before Return.
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(target);
            QTimer::singleShot(0, dialog, [dialog] { QTest::keyClick(dialog, Qt::Key_Return); });
        });
        poll.start();
        QTest::keyClick(w.edit, Qt::Key_S, Qt::ControlModifier);
        // The name proposed is the word's, without the marks that keep its
        // direction in the title.
        QCOMPARE(QFileInfo(proposed).fileName(), QString("run.html"));
        const QString text = textOf(target);
        // Every word the view shows, the entries after the word's included
        // (the PDF lays them out in lines of its own).
        const QString flat = text.simplified().remove(' ');
        for (const QString &word :
             w.view->toPlainText().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
            QVERIFY2(flat.contains(word), qPrintable(word + " is not in:\n" + text));
        QVERIFY(w.statusBar->currentMessage().contains(target));
    }
};

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
