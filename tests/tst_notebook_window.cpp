// The notebook in the window, by keyboard and mouse: the words settled on
// kept in its history, the stars beside the entries and Ctrl+D, the
// Notebook pane (F9) with its filter, Enter, Delete and F2, Preferences'
// history settings, and the import of a word list.
#include "mainwindow/notebookfiles.h"
#include "mainwindow/notebookparts.h"
#include "mainwindow/starlinks.h"
#include "notebook/notebook.h"
#include "preferences/optiondialog.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

namespace {

// The notebook as another connection reads it: "word count" newest first,
// and "word|note" of the stars newest first.
QStringList history()
{
    Notebook notebook;
    QList<HistoryWord> words;
    QStringList shown;
    if (notebook.open() == Notebook::Opened::Ready && notebook.history(&words))
        for (const HistoryWord &word : words)
            shown << QString("%1 %2").arg(word.word).arg(word.count);
    return shown;
}

QStringList stars()
{
    Notebook notebook;
    QList<Star> stars;
    QStringList shown;
    if (notebook.open() == Notebook::Opened::Ready && notebook.stars(&stars))
        for (const Star &star : stars)
            shown << star.word + "|" + star.note;
    return shown;
}

} // namespace

class NotebookWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(WindowFixture::install({"■apple : りんご", "■run  {自動-1} : 走る",
                                        "■run  {自動-2} : 経営する", "■run out : 尽きる",
                                        "■water : 水"},
                                       "d"));
    }

    void theNotebookByKeyboardAndMouse()
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.window.start(QString());
        auto *links = w.window.findChild<NotebookParts *>()->stars();

        // Enter settles on the word: kept once, counted.
        QTest::keyClicks(w.edit, "run");
        QVERIFY(w.shows("run"));
        QTest::keyClick(w.edit, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(history(), QStringList{"run 1"}, TestUtil::waitTimeout);

        // Ctrl+D stars the entry at the top; a click on a star stars its
        // entry, a click on ★ takes the star away.
        QTest::keyClick(w.edit, Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(stars(), QStringList{"run|"}, TestUtil::waitTimeout);
        QCOMPARE(links->entries().size(), 3);
        QVERIFY(links->isStarred(links->entries().at(0)));
        QVERIFY(w.clickBesideHeading("starGutter", 1));
        QTRY_COMPARE_WITH_TIMEOUT(stars(), (QStringList{"run out|", "run|"}),
                                  TestUtil::waitTimeout);
        QVERIFY(w.clickBesideHeading("starGutter", 1));
        QVERIFY(!links->isStarred(links->entries().at(1)));
        QTRY_COMPARE_WITH_TIMEOUT(stars(), QStringList{"run|"}, TestUtil::waitTimeout);

        // F9 opens the pane at its filter; Down goes to the list, Enter
        // shows the row's word, which is looked up once more.
        w.window.lookUp("water");
        QTRY_COMPARE_WITH_TIMEOUT(history(), (QStringList{"water 1", "run 1"}),
                                  TestUtil::waitTimeout);
        QTest::keyClick(w.edit, Qt::Key_F9);
        auto *filter = w.child<QLineEdit>("filterEdit");
        auto *historyView = w.child<QTreeView>("historyView");
        QTRY_VERIFY(filter->hasFocus());
        QTRY_COMPARE(historyView->model()->rowCount(), 2);
        QTest::keyClicks(filter, "RU");
        QTRY_COMPARE(historyView->model()->rowCount(), 1);
        QTest::keyClick(filter, Qt::Key_Down);
        QVERIFY(historyView->hasFocus());
        QTest::keyClick(historyView, Qt::Key_Return);
        QVERIFY(w.shows("run"));
        QTRY_COMPARE_WITH_TIMEOUT(history(), (QStringList{"run 2", "water 1"}),
                                  TestUtil::waitTimeout);

        // Ctrl+Tab to the stars; F2 edits the note, Delete takes the star.
        QTest::keyClick(historyView, Qt::Key_Tab, Qt::ControlModifier);
        auto *starView = w.child<QTreeView>("starView");
        QTRY_VERIFY(starView->isVisible());
        QTRY_COMPARE(starView->model()->rowCount(), 1);
        starView->setFocus();
        starView->setCurrentIndex(starView->model()->index(0, 0));
        QTest::keyClick(starView, Qt::Key_F2);
        QTRY_VERIFY(QApplication::focusWidget() != starView);
        QTest::keyClicks(QApplication::focusWidget(), "to run, \"fast\"");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(stars(), QStringList{"run|to run, \"fast\""},
                                  TestUtil::waitTimeout);
        QTest::keyClick(starView, Qt::Key_Delete);
        QTRY_COMPARE_WITH_TIMEOUT(stars(), QStringList(), TestUtil::waitTimeout);
        QTRY_VERIFY(!links->isStarred(links->entries().at(0)));

        // Preferences: off, a word settled on is not kept; Clear History...
        // takes every word.
        whenModal<OptionDialog>(this, [this](OptionDialog *dialog) {
            dialog->findChild<QCheckBox *>("keepHistoryBox")->click();
            whenModal<QMessageBox>(
                this, [](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
            dialog->findChild<QPushButton *>("clearHistoryButton")->click();
        });
        w.action("actionPreferences")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(history(), QStringList(), TestUtil::waitTimeout);
        QSignalSpy kept(&w.window.history(), &History::kept);
        w.window.lookUp("apple");
        QTRY_COMPARE_WITH_TIMEOUT(kept.count(), 1, TestUtil::waitTimeout);
        whenModal<OptionDialog>(this, [](OptionDialog *dialog) {
            dialog->findChild<QCheckBox *>("keepHistoryBox")->click();
        });
        w.action("actionPreferences")->trigger();
        w.window.lookUp("water");
        QTRY_COMPARE_WITH_TIMEOUT(history(), QStringList{"water 1"}, TestUtil::waitTimeout);
    }

    // The window keeps in the notebook what its history settles on, as the
    // page shows it: a word left on display, one entered before its page
    // came, a pick from the word list, the entry a base form shows; never a
    // text not found. "water", looked up after each, tells when all before
    // it was written.
    void keepsWhatTheHistorySettlesOn_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("left on display") << "left"
                                         << "run" << QStringList{"water 1", "run 1"};
        QTest::newRow("Enter before its page") << "enter"
                                               << "run" << QStringList{"water 1", "run 1"};
        QTest::newRow("a base form") << "enter"
                                     << "runs" << QStringList{"water 1", "run 1"};
        QTest::newRow("not found") << "enter"
                                   << "qqq" << QStringList{"water 1"};
        QTest::newRow("picked") << "pick"
                                << "run o" << QStringList{"water 1", "run out 1"};
    }

    void keepsWhatTheHistorySettlesOn()
    {
        QFETCH(QString, how);
        QFETCH(QString, text);
        QFETCH(QStringList, kept);
        {
            Notebook notebook;
            QVERIFY(notebook.open() == Notebook::Opened::Ready && notebook.clearHistory());
        }
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.window.start(QString());
        w.holdPages = how == "enter";
        QTest::keyClicks(w.edit, text);
        if (how == "left")
            QTest::qWait(History::settleTime * 3 / 2);
        if (how == "pick") {
            QTRY_VERIFY_WITH_TIMEOUT(w.rows().contains("run out"), TestUtil::waitTimeout);
            while (w.currentRow() < 0 || w.rows().at(w.currentRow()) != "run out")
                QTest::keyClick(w.edit, Qt::Key_Down);
        }
        QTest::keyClick(w.edit, Qt::Key_Return);
        w.holdPages = false;
        for (const WindowFixture::Worker &worker : std::as_const(w.pages))
            WindowFixture::release(worker);
        QTRY_COMPARE_WITH_TIMEOUT(w.pagesRunning(), 0, TestUtil::waitTimeout);
        w.window.lookUp("water");
        QTRY_COMPARE_WITH_TIMEOUT(history().value(0), QString("water 1"), TestUtil::waitTimeout);
        QCOMPARE(history(), kept);
    }

    // A word list imported from the window stars what the dictionary has
    // and says how many it did not find.
    void importFromTheWindow()
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        const QString file = TestUtil::writeBytes(TestUtil::makeDir("import") + "/words.txt",
                                                  "water\napple\npear\n");
        w.window.findChild<NotebookParts *>()->files()->importFile(file);
        auto *box = w.window.findChild<QMessageBox *>("importOutcome");
        QVERIFY(box);
        QCOMPARE(box->text(), QString("Words starred: 2\nStarred before: 0\nNot found in any "
                                      "dictionary switched on: 1"));
        box->accept();
        QCOMPARE(stars().size(), 2);
    }
};

QTEST_MAIN(NotebookWindowTest)
#include "tst_notebook_window.moc"
