// Search as you type: what the window does with the look-ups it starts, in
// whatever order they finish.

#include "database/database.h"
#include "dictionary/convertthread.h"
#include "lookupfixture.h"
#include "mainwindow/pagethread.h"
#include "preferences/optiondialog.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {

// A main window whose look-ups are held back until the test lets them go,
// so the test decides in which order they finish. Their pages reach the
// view the way every page does.
struct TestWindow : WindowFixture
{
    TestWindow() { holdPages = true; }
    // Lets look-up `index` finish and waits until its worker is gone, which
    // is after its page and searchFinished() have been delivered.
    bool release(int index) const { return WindowFixture::release(pages.value(index)); }
};

const QRegularExpression secondsText("^\\d+\\.\\d{3} seconds$");

// A small dictionary. The words typed in most tests are not in it, so each
// gives a page of its own: the not-found page that names it.
QString installDictionary()
{
    const QString file = TestUtil::writeDictionary(
        TestUtil::makeDir("dictionary") + "/eijiro.txt",
        {QString::fromUtf8("■rule  {名-1} : 規則"), QString::fromUtf8("■run  {動-1} : 走る"),
         QString::fromUtf8("■run  {名-1} : 走ること"), QString::fromUtf8("■walk  {動-1} : 歩く")});
    return TestUtil::install(file) == int(ConvertThread::Committed) ? file : QString();
}

} // namespace

class SearchUiTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesNeverGoBackToOlderText();
    void clearingDropsPagesOnTheirWay();
    void spacesAreSearchedToo();
    void failedLookUpsClaimNoSuccess();
    void closingWaitsForRunningLookUps();
    void realLookUp();
    void aChangedFileIsRebuiltFromItsPage();
    void hostileTypedWords_data();
    void hostileTypedWords();
};

void SearchUiTest::init()
{
    TestUtil::closeDefaultConnection();
    QSettings settings;
    settings.clear();
    settings.sync();
    QFile::remove(Database::path());
}

void SearchUiTest::cleanup()
{
    TestUtil::closeDefaultConnection();
}

void SearchUiTest::pagesNeverGoBackToOlderText()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());
    QVERIFY(!installDictionary().isEmpty());

    // What the view and the worker look like when the time is shown.
    QStringList atStatus;
    connect(w.statusBar, &QStatusBar::messageChanged, this, [&](const QString &text) {
        if (text.isEmpty())
            return;
        atStatus << w.view->toPlainText() + QString(" / %1 running").arg(w.pagesRunning());
    });

    QTest::keyClicks(w.edit, "ab");
    QCOMPARE(w.pages.size(), 2);
    QCOMPARE(w.window.windowTitle(), QString("\u2068ab\u2069 - Orvel"));
    QTRY_COMPARE_WITH_TIMEOUT(w.pagesStarted, 2, TestUtil::waitTimeout);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    w.view->setFocus();

    // The newer look-up finishes first.
    QVERIFY(w.release(1));
    QCOMPARE(w.view->toPlainText(), QString("ab is not found."));
    QTRY_VERIFY_WITH_TIMEOUT(secondsText.match(w.statusBar->currentMessage()).hasMatch(),
                             TestUtil::waitTimeout);
    QCOMPARE(QApplication::focusWidget(), w.edit);
    // One look-up is still running, so the wait cursor stays.
    QVERIFY(QApplication::overrideCursor());

    // The older one must not take the view back to "a".
    w.statusBar->clearMessage();
    QVERIFY(w.release(0));
    QCOMPARE(w.view->toPlainText(), QString("ab is not found."));
    QTRY_VERIFY_WITH_TIMEOUT(secondsText.match(w.statusBar->currentMessage()).hasMatch(),
                             TestUtil::waitTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);
    QCOMPARE(w.window.windowTitle(), QString("\u2068ab\u2069 - Orvel"));

    // Each time was shown after the page had arrived and before its worker
    // was deleted (both still existed at the first one).
    QCOMPARE(atStatus,
             (QStringList{"ab is not found. / 2 running", "ab is not found. / 1 running"}));

    // In order, every page is shown.
    QTest::keyClick(w.edit, Qt::Key_C);
    QVERIFY(w.release(2));
    QCOMPARE(w.view->toPlainText(), QString("abc is not found."));
}

void SearchUiTest::clearingDropsPagesOnTheirWay()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());
    QVERIFY(!installDictionary().isEmpty());
    QTest::keyClick(w.edit, Qt::Key_X);
    QVERIFY(w.release(0));
    QCOMPARE(w.view->toPlainText(), QString("x is not found."));

    QTest::keyClick(w.edit, Qt::Key_Y);
    QCOMPARE(w.window.windowTitle(), QString("\u2068xy\u2069 - Orvel"));
    w.window.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(w.edit->text(), QString());
    QVERIFY(w.showsFirstView());
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    // Emptying the field is no look-up.
    QCOMPARE(w.pages.size(), 2);

    // The page of "xy" arrives after the field was emptied: dropped.
    QVERIFY(w.release(1));
    QVERIFY(w.showsFirstView());
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);

    // The next word is shown again.
    QTest::keyClick(w.edit, Qt::Key_Z);
    QVERIFY(w.release(2));
    QCOMPARE(w.view->toPlainText(), QString("z is not found."));
    QCOMPARE(w.window.windowTitle(), QString("\u2068z\u2069 - Orvel"));
}

void SearchUiTest::spacesAreSearchedToo()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());
    QVERIFY(!installDictionary().isEmpty());
    w.edit->setText("   ");
    QCOMPARE(w.pages.size(), 1);
    QCOMPARE(w.window.windowTitle(), QString("\u2068   \u2069 - Orvel"));
    QVERIFY(w.release(0));
    QCOMPARE(w.view->toPlainText(), QString("is not found."));
}

void SearchUiTest::failedLookUpsClaimNoSuccess()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());
    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());
    QTest::keyClicks(w.edit, "aaa");
    QCOMPARE(w.pages.size(), 3);
    QVERIFY(w.release(1));
    // With the dictionary file gone, the first and the last fail.
    QVERIFY(QFile::remove(file));
    // An older failure whose page is not shown changes nothing.
    QVERIFY(w.release(0));
    QCOMPARE(w.view->toPlainText(), QString("aa is not found."));
    QCOMPARE(w.window.windowTitle(), QString("\u2068aaa\u2069 - Orvel"));
    QTRY_VERIFY_WITH_TIMEOUT(secondsText.match(w.statusBar->currentMessage()).hasMatch(),
                             TestUtil::waitTimeout);
    // With a failure page shown, neither claims a look-up of the word.
    QVERIFY(w.release(2));
    QVERIFY(w.view->toPlainText().startsWith("The dictionary file cannot be read:"));
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar->currentMessage(), QString("The look-up failed."),
                              TestUtil::waitTimeout);
}

void SearchUiTest::closingWaitsForRunningLookUps()
{
    QPointer<QThread> running;
    {
        TestWindow w;
        QVERIFY(w.showAndActivate());
        QTest::keyClick(w.edit, Qt::Key_A);
        running = w.pages.value(0).thread;
        QVERIFY(running);
        // The fixture lets its workers go as it is destroyed; the main
        // window then waits for them and deletes them, with the document
        // each made for a page it never showed.
    }
    QVERIFY(running.isNull());
}

void SearchUiTest::realLookUp()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());

    // Nothing installed yet: nothing was looked up, so no time is said,
    // and the page's link opens Preferences at the Dictionary tab.
    w.edit->setText("run");
    QVERIFY(w.release(0));
    QVERIFY(w.view->toPlainText().startsWith("No dictionary is installed."));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);
    QCOMPARE(w.statusBar->currentMessage(), QString());
    QString tab;
    whenModal<OptionDialog>(this, [&tab](OptionDialog *dialog) {
        tab = dialog->findChild<QTabWidget *>("tabWidget")->currentWidget()->objectName();
    });
    QVERIFY(w.clickLink(QLatin1String(PageThread::preferencesLink)));
    QTRY_COMPARE(tab, QString("dictionaryTab"));
    w.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));

    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());

    // The word as typed, in any case, finds its first entry line.
    w.edit->setText("Run");
    QVERIFY(w.release(1));
    QVERIFY(w.view->toPlainText().contains(QString::fromUtf8("走ること")));
    QVERIFY(w.view->toPlainText().contains(QString::fromUtf8("走る")));
    QVERIFY(!w.view->toPlainText().contains(QString::fromUtf8("規則")));
    QCOMPARE(w.window.windowTitle(), QString("\u2068Run\u2069 - Orvel"));
    QTRY_VERIFY_WITH_TIMEOUT(secondsText.match(w.statusBar->currentMessage()).hasMatch(),
                             TestUtil::waitTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);
    QCOMPARE(QApplication::focusWidget(), w.edit);
    // Escape empties the field, and the time goes with the page.
    QTest::keyClick(w.edit, Qt::Key_Escape);
    QCOMPARE(w.statusBar->currentMessage(), QString());

    // The file gone: the view says so instead of keeping the last page.
    QVERIFY(QFile::remove(file));
    w.edit->setText("run");
    QVERIFY(w.release(2));
    QVERIFY(w.view->toPlainText().startsWith("The dictionary file cannot be read:"));
    QVERIFY(w.view->toPlainText().contains(file));
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);
}

// A dictionary file replaced after installation: the page and the word list
// say so, and the page's link rebuilds the index and shows the word again.
void SearchUiTest::aChangedFileIsRebuiltFromItsPage()
{
    TestWindow w;
    QVERIFY(w.showAndActivate());
    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());
    TestUtil::writeDictionary(file, {QString::fromUtf8("■wander : さまよう")});
    auto *note = w.window.findChild<QLabel *>("fileChangedNote");
    w.edit->setText("wander");
    QVERIFY(w.release(0));
    QVERIFY(w.view->toPlainText().startsWith("The dictionary file has changed since it was "
                                             "installed:"));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar->currentMessage(), QString("The look-up failed."),
                              TestUtil::waitTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(note->isVisible(), TestUtil::waitTimeout);

    emit w.view->anchorClicked(QUrl(QString::fromLatin1(SearchThread::rebuildLink)));
    QTRY_COMPARE_WITH_TIMEOUT(w.pages.size(), 2, 60000);
    QVERIFY(w.release(1));
    QVERIFY(w.view->toPlainText().contains(QString::fromUtf8("さまよう")));
    QCOMPARE(w.window.windowTitle(), QString("\u2068wander\u2069 - Orvel"));
    QTRY_VERIFY_WITH_TIMEOUT(!note->isVisible(), TestUtil::waitTimeout);
}

void SearchUiTest::hostileTypedWords_data()
{
    LookUpFixture::addHostileWords();
}

// Each word gives a page and a title, nothing else, and the window still
// looks the next word up.
void SearchUiTest::hostileTypedWords()
{
    QFETCH(QString, word);
    QSettings().setValue("Window/size", QSize(400, 300));
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    QVERIFY(!installDictionary().isEmpty());
    for (const QString &typed : {word, QString("run")}) {
        w.view->clear();
        w.edit->setText(typed);
        QTRY_VERIFY_WITH_TIMEOUT(!w.view->toPlainText().isEmpty(), TestUtil::waitTimeout);
        QCOMPARE(w.window.windowTitle(), "\u2068" + w.edit->text() + "\u2069 - Orvel");
    }
    QVERIFY(w.view->toPlainText().contains(QString::fromUtf8("走る")));
}

QTEST_MAIN(SearchUiTest)
#include "tst_search_ui.moc"
