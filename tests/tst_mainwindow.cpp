// The main window: its menus and shortcuts, and the state it keeps across
// restarts in the settings store.

#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"
#include "mainwindow/mainwindow.h"
#include "preferences/optiondialog.h"
#include "preferences/viewsettings.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace {

void store(const QString &key, const QVariant &value)
{
    QSettings settings;
    settings.setValue(key, value);
}

QVariant stored(const QString &key)
{
    QSettings settings;
    return settings.value(key);
}

QAction *action(QWidget &window, const char *name)
{
    auto *found = window.findChild<QAction *>(name);
    if (!found)
        qFatal("no action %s", name);
    return found;
}

template <class T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// Counts the look-ups it has running, so a test can let them all end
// before the process does.
class CountingWindow : public MainWindow
{
public:
    int running = 0;

protected:
    PageThread *createSearchThread() override
    {
        PageThread *worker = MainWindow::createSearchThread();
        ++running;
        QObject::connect(worker, &QObject::destroyed, this, [this] { --running; });
        return worker;
    }
};

void showAndActivate(QWidget &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartDefaults();
    void hiddenMenubarKeepsShortcutsAndButton();
    void fontSizeSurvivesRestart();
    void fontFollowsTheSettings();
    void barsSizeAndTopmostSurviveRestart();
    void storedLayoutIsSane_data();
    void storedLayoutIsSane();
    void editActionsWorkOnSearchField();
    void editActionsFollowTheFocus();
};

void MainWindowTest::init()
{
    TestUtil::closeDefaultConnection();
    QSettings settings;
    settings.clear();
}

void MainWindowTest::cleanup()
{
    TestUtil::closeDefaultConnection();
}

void MainWindowTest::firstStartDefaults()
{
    MessageCapture messages;
    MainWindow window;
    QCOMPARE(window.size(), QSize(640, 360));
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    // Nothing shows itself during construction unless it is to stay on top.
    QVERIFY(!window.isVisible());

    showAndActivate(window);
    QVERIFY(window.menuBar()->isVisible());
    QVERIFY(window.statusBar()->isVisible());
    QVERIFY(!child<QPushButton>(window, "menuButton")->isVisible());

    const QFont font = child<QTextBrowser>(window, "textBrowser")->font();
    QCOMPARE(font.family(), QString("Sans"));
    QCOMPARE(font.pointSize(), 10);
    QCOMPARE(window.property("browserFont").value<QFont>(), font);

    // The settings were written back during construction.
    QCOMPARE(stored("Window/size").toSize(), QSize(640, 360));
    QCOMPARE(stored("Window/topmost"), QVariant(false));
    QCOMPARE(stored("Preferences/fontFamily").toString(), QString("Sans"));

    // The font property is the result view's font, both ways.
    QFont serif("Serif", 14);
    window.setProperty("browserFont", serif);
    QCOMPARE(child<QTextBrowser>(window, "textBrowser")->font(), serif);
    QCOMPARE(window.browserFont(), serif);
    // The program's own diagnostics; the platform plugin may add warnings.
    QCOMPARE(messages.lines(QtDebugMsg), QStringList());
    QCOMPARE(messages.lines(QtCriticalMsg), QStringList());
}

void MainWindowTest::hiddenMenubarKeepsShortcutsAndButton()
{
    store("Window/menubar", false);
    MainWindow window;
    showAndActivate(window);
    QVERIFY(!window.menuBar()->isVisible());
    auto *button = child<QPushButton>(window, "menuButton");
    QVERIFY(button->isVisible());
    QVERIFY(!action(window, "actionMenubar")->isChecked());

    // The button's popup offers every menu, hanging from the button's
    // bottom-right corner.
    QStringList titles;
    QRect popupGeometry;
    QTimer::singleShot(0, this, [&] {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            return;
        for (const QAction *a : popup->actions())
            titles << a->text();
        popupGeometry = popup->geometry();
        popup->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QStringList menus;
    for (const QAction *menu : window.menuBar()->actions())
        menus << menu->text();
    QVERIFY(menus.size() > 1);
    QCOMPARE(titles, menus);
    const QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    QCOMPARE(popupGeometry.x() + popupGeometry.width(), corner.x());
    QCOMPARE(popupGeometry.y(), corner.y());

    // Shortcuts of the hidden menus still work.
    showAndActivate(window);
    QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(window.browserFont().pointSize(), 11);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!window.isVisible());

    // Showing the menu bar again hides the button.
    action(window, "actionMenubar")->trigger();
    showAndActivate(window);
    QVERIFY(window.menuBar()->isVisible());
    QVERIFY(!button->isVisible());
}

void MainWindowTest::fontSizeSurvivesRestart()
{
    {
        MainWindow window;
        showAndActivate(window);
        for (int i = 0; i < 3; ++i)
            action(window, "actionBigger")->trigger();
        QCOMPARE(window.browserFont().pointSize(), 13);
        QVERIFY(window.close());
    }
    TestUtil::closeDefaultConnection();
    QCOMPARE(stored("Preferences/fontSize").toInt(), 13);
    {
        MainWindow window;
        QCOMPARE(window.browserFont().family(), QString("Sans"));
        QCOMPARE(window.browserFont().pointSize(), 13);
    }
    TestUtil::closeDefaultConnection();

    // Stored, zoomed and written back, the size stays within the
    // Preferences dialog's range.
    const struct
    {
        QVariant stored;
        const char *keys;
        int shown;
    } sizes[] = {{100000, "Ctrl++", 72}, {"big", "Ctrl+-", 6}, {8, "Ctrl+-", 6}};
    store("Preferences/fontFamily", "Serif");
    for (const auto &size : sizes) {
        store("Preferences/fontSize", size.stored);
        MainWindow window;
        showAndActivate(window);
        QCOMPARE(window.browserFont().family(), QString("Serif"));
        for (int i = 0; i < 3; ++i)
            QTest::keySequence(&window, QKeySequence(size.keys));
        QCOMPARE(window.browserFont().pointSize(), size.shown);
        QVERIFY(window.close());
        QCOMPARE(stored("Preferences/fontSize").toInt(), size.shown);
        TestUtil::closeDefaultConnection();
    }
}

// The view shows the settings' font however they change, and the settings
// follow the view's own zoom (Ctrl with the wheel here; Bigger and Smaller
// above), within the bounds.
void MainWindowTest::fontFollowsTheSettings()
{
    MainWindow window;
    showAndActivate(window);
    ViewSettings *settings = window.viewSettings();
    auto *view = child<QTextBrowser>(window, "textBrowser");
    settings->setFont(QFont("Serif", 100));
    QCOMPARE(view->font().pointSize(), 72);
    QCOMPARE(view->document()->defaultFont().pointSize(), 72);

    const QPoint inside = view->viewport()->rect().center();
    QWheelEvent wheel(inside, view->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -360),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    QCOMPARE(settings->font().pointSize(), 69);

    // The dialog changes the settings, and the view shows it at once.
    int shownInDialog = 0;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<OptionDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->findChild<QSpinBox *>("sizeBox")->setValue(30);
        shownInDialog = view->font().pointSize();
        dialog->reject();
    });
    action(window, "actionPreferences")->trigger();
    QCOMPARE(shownInDialog, 30);
    QCOMPARE(settings->font(), window.browserFont());
    QVERIFY(window.close());
    QCOMPARE(stored("Preferences/fontSize").toInt(), 30);
}

void MainWindowTest::barsSizeAndTopmostSurviveRestart()
{
    {
        MainWindow window;
        showAndActivate(window);
        action(window, "actionStatusbar")->trigger();
        QVERIFY(!window.statusBar()->isVisible());
        window.resize(500, 300);
        action(window, "actionTopmost")->trigger();
        // Re-applying the flags hides the window; it must come back.
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());
        QVERIFY(window.close());
    }
    TestUtil::closeDefaultConnection();

    MainWindow window;
    // On top from the start: shown already during construction.
    QVERIFY(window.isVisible());
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(action(window, "actionTopmost")->isChecked());
    QCOMPARE(window.size(), QSize(500, 300));
    QVERIFY(!action(window, "actionStatusbar")->isChecked());
    QVERIFY(!window.statusBar()->isVisible());
    QVERIFY(window.menuBar()->isVisible());

    action(window, "actionTopmost")->trigger();
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
}

void MainWindowTest::storedLayoutIsSane_data()
{
    // The splitter's sizes as its state keeps them (none: no state), and the
    // window's size in the screen's own units (twice as large at 2x).
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QSize>("size");
    const QSize fits(640, 360);
    QTest::newRow("a huge list") << QList<int>{std::numeric_limits<int>::max(), 480} << fits;
    QTest::newRow("the view collapsed") << QList<int>{640, 0} << fits;
    QTest::newRow("the list collapsed") << QList<int>{0, 640} << fits;
    QTest::newRow("kept at 1x, shown at 2x")
        << QList<int>() << QGuiApplication::primaryScreen()->availableSize() * 2;
    QTest::newRow("far larger") << QList<int>() << QSize(100000, 100000);
}

void MainWindowTest::storedLayoutIsSane()
{
    QFETCH(QList<int>, sizes);
    QFETCH(QSize, size);
    QSplitter kept;
    for (int i = 0; i < sizes.size(); ++i)
        kept.addWidget(new QWidget);
    kept.setSizes(sizes);
    store("Window/splitter", sizes.isEmpty() ? QByteArray() : kept.saveState());
    store("Window/size", size);
    store("Window/position", QPoint(40, 40));
    for (int start = 0; start < 2; ++start) {
        MainWindow window;
        QVERIFY(window.screen()->availableGeometry().contains(window.geometry()));
        showAndActivate(window);
        // Both panes can be read and the whole window is on its screen, at
        // this start and the next.
        QVERIFY(child<QWidget>(window, "wordListPanel")->width() >= 100);
        QVERIFY(child<QWidget>(window, "textBrowser")->width() >= 100);
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        QVERIFY(window.close());
        TestUtil::closeDefaultConnection();
    }
}

void MainWindowTest::editActionsWorkOnSearchField()
{
    CountingWindow window;
    showAndActivate(window);
    auto *edit = child<QLineEdit>(window, "searchEdit");
    edit->setFocus();
    QTest::keyClicks(edit, "run");
    action(window, "actionSelectAll")->trigger();
    QCOMPARE(edit->selectedText(), QString("run"));
    action(window, "actionCut")->trigger();
    QCOMPARE(edit->text(), QString());
    action(window, "actionPaste")->trigger();
    action(window, "actionPaste")->trigger();
    action(window, "actionUndo")->trigger();
    QCOMPARE(edit->text(), QString("run"));
    action(window, "actionRedo")->trigger();
    QCOMPARE(edit->text(), QString("runrun"));
    action(window, "actionDelete")->trigger();
    QCOMPARE(edit->text(), QString());
    // Every change started a look-up; let them end before the window goes.
    QTRY_COMPARE(window.running, 0);
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::editActionsFollowTheFocus()
{
    MainWindow window;
    showAndActivate(window);
    auto *edit = child<QLineEdit>(window, "searchEdit");
    auto *view = child<QTextBrowser>(window, "textBrowser");
    ResultRenderer page("run");
    page.renderLine("■run  {v-1} : to move fast■・a shop\n");
    page.renderLine("■rune : a letter\n");
    view->setHtml(PageHtml::write(page.finish()));
    const QString text = view->toPlainText();

    // A selection that starts inside a list item; the line end of a body
    // shows as a space.
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(int(text.indexOf("move")));
    cursor.setPosition(int(text.indexOf("letter")), QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("move fast\n・a shop \nrune\na "));
    // What cannot change a read-only view leaves the search field alone.
    for (const char *name : {"actionUndo", "actionCut", "actionPaste", "actionDelete"})
        action(window, name)->trigger();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->textCursor().selectedText().size(), text.size());
    QCOMPARE(view->toPlainText(), text);
    QVERIFY(edit->text().isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
