// Search as you type: what the window does with the look-ups it starts, in
// whatever order they finish.

#include "database/database.h"
#include "dictionary/convertthread.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/pagethread.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {

// The main window's own look-up, held back until the test lets it go, so
// the test decides in which order look-ups finish. Its page reaches the
// view the way every page does.
class GatedSearch : public PageThread
{
public:
    using PageThread::PageThread;
    QSemaphore gate;

protected:
    void run() override
    {
        gate.acquire();
        PageThread::run();
    }
};

class TestWindow : public MainWindow
{
public:
    ~TestWindow() override
    {
        for (const QPointer<GatedSearch> &worker : workers) {
            if (worker)
                worker->gate.release();
        }
    }

    QList<QPointer<GatedSearch>> workers;

protected:
    PageThread *createSearchThread() override
    {
        workers << new GatedSearch(findChild<QTextBrowser *>("textBrowser"));
        return workers.last();
    }
};

// Lets one look-up finish and waits until its worker is gone, which is
// after its page and searchFinished() have been delivered.
bool release(TestWindow &window, int index)
{
    QPointer<GatedSearch> worker = window.workers.value(index);
    if (!worker)
        return false;
    worker->gate.release();
    return QTest::qWaitFor([&] { return worker.isNull(); });
}

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

private:
    bool open(TestWindow &window);

    QLineEdit *edit = nullptr;
    QTextBrowser *view = nullptr;
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

bool SearchUiTest::open(TestWindow &window)
{
    window.show();
    window.activateWindow();
    edit = window.findChild<QLineEdit *>("searchEdit");
    view = window.findChild<QTextBrowser *>("textBrowser");
    return QTest::qWaitForWindowActive(&window) && edit && view;
}

void SearchUiTest::pagesNeverGoBackToOlderText()
{
    TestWindow window;
    QVERIFY(open(window));
    QVERIFY(!installDictionary().isEmpty());

    // What the view and the worker look like when the time is shown.
    QStringList atStatus;
    connect(window.statusBar(), &QStatusBar::messageChanged, this, [&](const QString &text) {
        if (text.isEmpty())
            return;
        int alive = 0;
        for (const auto &worker : window.workers)
            alive += worker ? 1 : 0;
        atStatus << view->toPlainText() + QString(" / %1 running").arg(alive);
    });

    QTest::keyClicks(edit, "ab");
    QCOMPARE(window.workers.size(), 2);
    QCOMPARE(window.windowTitle(), QString("\u2068ab\u2069 - Orvel"));
    QTRY_VERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    view->setFocus();

    // The newer look-up finishes first.
    QVERIFY(release(window, 1));
    QCOMPARE(view->toPlainText(), QString("ab is not found."));
    QVERIFY(secondsText.match(window.statusBar()->currentMessage()).hasMatch());
    QCOMPARE(QApplication::focusWidget(), edit);
    // One look-up is still running, so the wait cursor stays.
    QVERIFY(QApplication::overrideCursor());

    // The older one must not take the view back to "a".
    window.statusBar()->clearMessage();
    QVERIFY(release(window, 0));
    QCOMPARE(view->toPlainText(), QString("ab is not found."));
    QVERIFY(secondsText.match(window.statusBar()->currentMessage()).hasMatch());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(window.windowTitle(), QString("\u2068ab\u2069 - Orvel"));

    // Each time was shown after the page had arrived and before its worker
    // was deleted (both still existed at the first one).
    QCOMPARE(atStatus,
             (QStringList{"ab is not found. / 2 running", "ab is not found. / 1 running"}));

    // In order, every page is shown.
    QTest::keyClick(edit, Qt::Key_C);
    QVERIFY(release(window, 2));
    QCOMPARE(view->toPlainText(), QString("abc is not found."));
}

void SearchUiTest::clearingDropsPagesOnTheirWay()
{
    TestWindow window;
    QVERIFY(open(window));
    QVERIFY(!installDictionary().isEmpty());
    QTest::keyClick(edit, Qt::Key_X);
    QVERIFY(release(window, 0));
    QCOMPARE(view->toPlainText(), QString("x is not found."));

    QTest::keyClick(edit, Qt::Key_Y);
    QCOMPARE(window.windowTitle(), QString("\u2068xy\u2069 - Orvel"));
    window.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(edit->text(), QString());
    QCOMPARE(view->toPlainText(), QString());
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    // Emptying the field is no look-up.
    QCOMPARE(window.workers.size(), 2);

    // The page of "xy" arrives after the field was emptied: dropped.
    QVERIFY(release(window, 1));
    QCOMPARE(view->toPlainText(), QString());
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    QVERIFY(!QApplication::overrideCursor());

    // The next word is shown again.
    QTest::keyClick(edit, Qt::Key_Z);
    QVERIFY(release(window, 2));
    QCOMPARE(view->toPlainText(), QString("z is not found."));
    QCOMPARE(window.windowTitle(), QString("\u2068z\u2069 - Orvel"));
}

void SearchUiTest::spacesAreSearchedToo()
{
    TestWindow window;
    QVERIFY(open(window));
    QVERIFY(!installDictionary().isEmpty());
    edit->setText("   ");
    QCOMPARE(window.workers.size(), 1);
    QCOMPARE(window.windowTitle(), QString("\u2068   \u2069 - Orvel"));
    QVERIFY(release(window, 0));
    QCOMPARE(view->toPlainText(), QString("is not found."));
}

void SearchUiTest::failedLookUpsClaimNoSuccess()
{
    TestWindow window;
    QVERIFY(open(window));
    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());
    QTest::keyClicks(edit, "aaa");
    QCOMPARE(window.workers.size(), 3);
    QVERIFY(release(window, 1));
    // With the dictionary file gone, the first and the last fail.
    QVERIFY(QFile::remove(file));
    // An older failure whose page is not shown changes nothing.
    QVERIFY(release(window, 0));
    QCOMPARE(view->toPlainText(), QString("aa is not found."));
    QCOMPARE(window.windowTitle(), QString("\u2068aaa\u2069 - Orvel"));
    QVERIFY(secondsText.match(window.statusBar()->currentMessage()).hasMatch());
    // With a failure page shown, neither claims a look-up of the word.
    QVERIFY(release(window, 2));
    QVERIFY(view->toPlainText().startsWith("The dictionary file cannot be read:"));
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    QCOMPARE(window.statusBar()->currentMessage(), QString("The look-up failed."));
}

void SearchUiTest::closingWaitsForRunningLookUps()
{
    QPointer<GatedSearch> running;
    {
        TestWindow window;
        QVERIFY(open(window));
        QTest::keyClick(edit, Qt::Key_A);
        running = window.workers.value(0);
        QVERIFY(running);
        // The test window lets its workers go as it is destroyed; the main
        // window then waits for them and deletes them, with the document
        // each made for a page it never showed.
    }
    QVERIFY(running.isNull());
}

void SearchUiTest::realLookUp()
{
    TestWindow window;
    QVERIFY(open(window));

    // Nothing installed yet.
    edit->setText("run");
    QVERIFY(release(window, 0));
    QVERIFY(view->toPlainText().startsWith("No dictionary is installed."));
    QVERIFY(!QApplication::overrideCursor());

    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());

    // The word as typed, in any case, finds its first entry line.
    edit->setText("Run");
    QVERIFY(release(window, 1));
    QVERIFY(view->toPlainText().contains(QString::fromUtf8("走ること")));
    QVERIFY(view->toPlainText().contains(QString::fromUtf8("走る")));
    QVERIFY(!view->toPlainText().contains(QString::fromUtf8("規則")));
    QCOMPARE(window.windowTitle(), QString("\u2068Run\u2069 - Orvel"));
    QVERIFY(secondsText.match(window.statusBar()->currentMessage()).hasMatch());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(QApplication::focusWidget(), edit);

    // The file gone: the view says so instead of keeping the last page.
    QVERIFY(QFile::remove(file));
    edit->setText("run");
    QVERIFY(release(window, 2));
    QVERIFY(view->toPlainText().startsWith("The dictionary file cannot be read:"));
    QVERIFY(view->toPlainText().contains(file));
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    QVERIFY(!QApplication::overrideCursor());
}

// A dictionary file replaced after installation: the page and the word list
// say so, and the page's link rebuilds the index and shows the word again.
void SearchUiTest::aChangedFileIsRebuiltFromItsPage()
{
    TestWindow window;
    QVERIFY(open(window));
    const QString file = installDictionary();
    QVERIFY(!file.isEmpty());
    TestUtil::writeDictionary(file, {QString::fromUtf8("■wander : さまよう")});
    auto *note = window.findChild<QLabel *>("fileChangedNote");
    edit->setText("wander");
    QVERIFY(release(window, 0));
    QVERIFY(view->toPlainText().startsWith("The dictionary file has changed since it was "
                                           "installed:"));
    QCOMPARE(window.statusBar()->currentMessage(), QString("The look-up failed."));
    QTRY_VERIFY(note->isVisible());

    emit view->anchorClicked(QUrl(QString::fromLatin1(SearchThread::rebuildLink)));
    QTRY_COMPARE_WITH_TIMEOUT(window.workers.size(), 2, 60000);
    QVERIFY(release(window, 1));
    QVERIFY(view->toPlainText().contains(QString::fromUtf8("さまよう")));
    QCOMPARE(window.windowTitle(), QString("\u2068wander\u2069 - Orvel"));
    QTRY_VERIFY(!note->isVisible());
}

QTEST_MAIN(SearchUiTest)
#include "tst_search_ui.moc"
