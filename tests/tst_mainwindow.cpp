// The main window: its menus and shortcuts, and the state it keeps across
// restarts in the settings store.

#include "database/database.h"
#include "mainwindow/mainwindow.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

namespace {

void endRun()
{
    if (!QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        return;
    QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

void store(const QString &key, const QVariant &value)
{
    QSettings settings(Database::settingsOrganization, Database::settingsApplication);
    settings.setValue(key, value);
}

QVariant stored(const QString &key)
{
    QSettings settings(Database::settingsOrganization, Database::settingsApplication);
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

// The entries of a menu as object names, separators as "-".
QStringList entries(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QString("-") : a->objectName());
    return out;
}

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
    void menusAndActions();
    void hiddenMenubarKeepsShortcutsAndButton();
    void fontSizeSurvivesRestart();
    void barsSizeAndTopmostSurviveRestart();
    void editActionsWorkOnSearchField();
};

void MainWindowTest::init()
{
    endRun();
    QSettings settings(Database::settingsOrganization, Database::settingsApplication);
    settings.clear();
}

void MainWindowTest::cleanup()
{
    endRun();
}

void MainWindowTest::firstStartDefaults()
{
    MessageCapture messages;
    MainWindow window;
    QCOMPARE(window.size(), QSize(640, 360));
    QCOMPARE(window.windowTitle(), QString("Orvel"));
    QVERIFY(!window.windowIcon().isNull());
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
    auto *searchEdit = child<QLineEdit>(window, "searchEdit");
    QCOMPARE(searchEdit->font().pointSize(), 12);
    QVERIFY(searchEdit->font().bold());

    // The settings were written back during construction.
    QCOMPARE(stored("Window/size").toSize(), QSize(640, 360));
    QCOMPARE(stored("Window/menubar"), QVariant(true));
    QCOMPARE(stored("Window/statusbar"), QVariant(true));
    QCOMPARE(stored("Window/topmost"), QVariant(false));
    QCOMPARE(stored("Preferences/fontFamily").toString(), QString("Sans"));
    QCOMPARE(stored("Preferences/fontSize").toInt(), 10);

    // The font property is the result view's font, both ways.
    QFont serif("Serif", 14);
    window.setProperty("browserFont", serif);
    QCOMPARE(child<QTextBrowser>(window, "textBrowser")->font(), serif);
    QCOMPARE(window.browserFont(), serif);
    // The program's own diagnostics; the platform plugin may add warnings.
    QCOMPARE(messages.lines(QtDebugMsg), QStringList());
    QCOMPARE(messages.lines(QtCriticalMsg), QStringList());
}

void MainWindowTest::menusAndActions()
{
    MainWindow window;
    QStringList titles;
    for (const QAction *a : window.menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"File", "Edit", "Format", "View", "Window", "Help"}));

    QCOMPARE(entries(child<QMenu>(window, "menuFile")), QStringList{"actionQuit"});
    QCOMPARE(entries(child<QMenu>(window, "menuEdit")),
             (QStringList{"actionUndo", "actionRedo", "-", "actionCut", "actionCopy", "actionPaste",
                          "actionDelete", "actionSelectAll", "-", "actionPreferences"}));
    QCOMPARE(entries(child<QMenu>(window, "menuFormat")),
             (QStringList{"actionBigger", "actionSmaller"}));
    QCOMPARE(entries(child<QMenu>(window, "menuView")),
             (QStringList{"actionMenubar", "actionStatusbar"}));
    QCOMPARE(entries(child<QMenu>(window, "menu_Window")), QStringList{"actionTopmost"});
    QCOMPARE(entries(child<QMenu>(window, "menuHelp")),
             (QStringList{"actionAbout", "actionAboutQt"}));

    const struct
    {
        const char *name;
        const char *text;
        const char *shortcut;
        bool icon;
    } expected[] = {
        {"actionQuit", "Quit", "Ctrl+Q", false},
        {"actionAbout", "About Orvel", "", false},
        {"actionPreferences", "Preferences...", "Ctrl+,", false},
        {"actionAboutQt", "About Qt", "", false},
        {"actionUndo", "Undo", "Ctrl+Z", true},
        {"actionRedo", "Redo", "Ctrl+Shift+Z", true},
        {"actionCut", "Cut", "Ctrl+X", true},
        {"actionCopy", "Copy", "Ctrl+C", true},
        {"actionPaste", "Paste", "Ctrl+V", true},
        {"actionDelete", "Delete", "", false},
        {"actionSelectAll", "Select All", "Ctrl+A", false},
        {"actionMenubar", "Show Menubar", "", false},
        {"actionStatusbar", "Show Statusbar", "", false},
        {"actionBigger", "Bigger", "Ctrl++", false},
        {"actionSmaller", "Smaller", "Ctrl+-", false},
        {"actionTopmost", "Always on Top", "", false},
    };
    for (const auto &e : expected) {
        QAction *a = action(window, e.name);
        QCOMPARE(a->text(), QString(e.text));
        QCOMPARE(a->shortcut(), QKeySequence(e.shortcut));
        QCOMPARE(!a->icon().isNull(), e.icon);
        if (e.icon)
            QVERIFY(a->isIconVisibleInMenu());
    }
    QVERIFY(action(window, "actionMenubar")->isCheckable());
    QVERIFY(action(window, "actionMenubar")->isChecked());
    QVERIFY(action(window, "actionStatusbar")->isChecked());
    QVERIFY(action(window, "actionTopmost")->isCheckable());
    QVERIFY(!action(window, "actionTopmost")->isChecked());
    QVERIFY(!action(window, "actionQuit")->isCheckable());
    QVERIFY(!child<QPushButton>(window, "menuButton")->icon().isNull());
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
    QCOMPARE(titles, (QStringList{"File", "Edit", "Format", "View", "Window", "Help"}));
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
    endRun();
    QCOMPARE(stored("Preferences/fontSize").toInt(), 13);
    {
        MainWindow window;
        QCOMPARE(window.browserFont().family(), QString("Sans"));
        QCOMPARE(window.browserFont().pointSize(), 13);
    }
    endRun();

    // "Smaller" stops at one point.
    store("Preferences/fontFamily", "Serif");
    store("Preferences/fontSize", 2);
    MainWindow window;
    showAndActivate(window);
    QCOMPARE(window.browserFont().family(), QString("Serif"));
    for (int i = 0; i < 3; ++i)
        action(window, "actionSmaller")->trigger();
    QCOMPARE(window.browserFont().pointSize(), 1);
    QVERIFY(window.close());
    QCOMPARE(stored("Preferences/fontSize").toInt(), 1);
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
    endRun();

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

void MainWindowTest::editActionsWorkOnSearchField()
{
    MainWindow window;
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
    QCOMPARE(edit->text(), QString("runrun"));
    action(window, "actionUndo")->trigger();
    QCOMPARE(edit->text(), QString("run"));
    action(window, "actionRedo")->trigger();
    QCOMPARE(edit->text(), QString("runrun"));
    action(window, "actionDelete")->trigger();
    QCOMPARE(edit->text(), QString());
    // Every change started a look-up; let them end before the window goes.
    QTRY_VERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
