// The main window: its menus and shortcuts, and the state it keeps across
// restarts in the settings store, whatever that store holds.

#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"
#include "preferences/optiondialog.h"
#include "preferences/viewsettings.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRandomGenerator>
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
    void garbageSettingsStillGiveAWindow_data();
    void garbageSettingsStillGiveAWindow();
    void unwritableSettingsAreSaidInSight();
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
    WindowFixture w;
    QCOMPARE(w.window.size(), QSize(640, 360));
    QCOMPARE(w.window.windowTitle(), QString("Orvel"));
    QVERIFY(!(w.window.windowFlags() & Qt::WindowStaysOnTopHint));
    // Nothing shows itself during construction unless it is to stay on top.
    QVERIFY(!w.window.isVisible());

    QVERIFY(w.showAndActivate());
    QVERIFY(w.window.menuBar()->isVisible());
    QVERIFY(w.window.statusBar()->isVisible());
    QVERIFY(!w.child<QPushButton>("menuButton")->isVisible());

    const QFont font = w.view->font();
    QCOMPARE(font.family(), QString("Sans"));
    QCOMPARE(font.pointSize(), 10);
    QCOMPARE(w.window.property("browserFont").value<QFont>(), font);

    // The settings were written back during construction.
    QCOMPARE(stored("Window/size").toSize(), QSize(640, 360));
    QCOMPARE(stored("Window/topmost"), QVariant(false));
    QCOMPARE(stored("Preferences/fontFamily").toString(), QString("Sans"));

    // The font property is the result view's font, both ways.
    QFont serif("Serif", 14);
    w.window.setProperty("browserFont", serif);
    QCOMPARE(w.view->font(), serif);
    QCOMPARE(w.window.browserFont(), serif);
    // The program's own diagnostics; the platform plugin may add warnings.
    QCOMPARE(messages.lines(QtDebugMsg), QStringList());
    QCOMPARE(messages.lines(QtCriticalMsg), QStringList());
}

void MainWindowTest::hiddenMenubarKeepsShortcutsAndButton()
{
    store("Window/menubar", false);
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    QVERIFY(!w.window.menuBar()->isVisible());
    auto *button = w.child<QPushButton>("menuButton");
    QVERIFY(button->isVisible());
    QVERIFY(!w.action("actionMenubar")->isChecked());

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
    for (const QAction *menu : w.window.menuBar()->actions())
        menus << menu->text();
    QVERIFY(menus.size() > 1);
    QCOMPARE(titles, menus);
    const QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    QCOMPARE(popupGeometry.x() + popupGeometry.width(), corner.x());
    QCOMPARE(popupGeometry.y(), corner.y());

    // Shortcuts of the hidden menus still work.
    QVERIFY(w.showAndActivate());
    QTest::keyClick(&w.window, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(w.window.browserFont().pointSize(), 11);
    QTest::keyClick(&w.window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!w.window.isVisible());

    // Showing the menu bar again hides the button.
    w.action("actionMenubar")->trigger();
    QVERIFY(w.showAndActivate());
    QVERIFY(w.window.menuBar()->isVisible());
    QVERIFY(!button->isVisible());
}

void MainWindowTest::fontSizeSurvivesRestart()
{
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        for (int i = 0; i < 3; ++i)
            w.action("actionBigger")->trigger();
        QCOMPARE(w.window.browserFont().pointSize(), 13);
        QVERIFY(w.window.close());
    }
    TestUtil::closeDefaultConnection();
    QCOMPARE(stored("Preferences/fontSize").toInt(), 13);
    {
        WindowFixture w;
        QCOMPARE(w.window.browserFont().family(), QString("Sans"));
        QCOMPARE(w.window.browserFont().pointSize(), 13);
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
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        QCOMPARE(w.window.browserFont().family(), QString("Serif"));
        for (int i = 0; i < 3; ++i)
            QTest::keySequence(&w.window, QKeySequence(size.keys));
        QCOMPARE(w.window.browserFont().pointSize(), size.shown);
        QVERIFY(w.window.close());
        QCOMPARE(stored("Preferences/fontSize").toInt(), size.shown);
        TestUtil::closeDefaultConnection();
    }
}

// The view shows the settings' font however they change, and the settings
// follow the view's own zoom (Ctrl with the wheel here; Bigger and Smaller
// above), within the bounds.
void MainWindowTest::fontFollowsTheSettings()
{
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    ViewSettings *settings = w.window.viewSettings();
    auto *view = w.view;
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
    w.action("actionPreferences")->trigger();
    QCOMPARE(shownInDialog, 30);
    QCOMPARE(settings->font(), w.window.browserFont());
    QVERIFY(w.window.close());
    QCOMPARE(stored("Preferences/fontSize").toInt(), 30);
}

void MainWindowTest::barsSizeAndTopmostSurviveRestart()
{
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.action("actionStatusbar")->trigger();
        QVERIFY(!w.window.statusBar()->isVisible());
        w.window.resize(500, 300);
        w.action("actionTopmost")->trigger();
        // Re-applying the flags hides the window; it must come back.
        QVERIFY(w.window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.window.isVisible());
        QVERIFY(w.window.close());
    }
    TestUtil::closeDefaultConnection();

    WindowFixture w;
    // On top from the start: shown already during construction.
    QVERIFY(w.window.isVisible());
    QVERIFY(w.window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.action("actionTopmost")->isChecked());
    QCOMPARE(w.window.size(), QSize(500, 300));
    QVERIFY(!w.action("actionStatusbar")->isChecked());
    QVERIFY(!w.window.statusBar()->isVisible());
    QVERIFY(w.window.menuBar()->isVisible());

    w.action("actionTopmost")->trigger();
    QVERIFY(!(w.window.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w.window.isVisible());
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
        WindowFixture w;
        QVERIFY(w.window.screen()->availableGeometry().contains(w.window.geometry()));
        QVERIFY(w.showAndActivate());
        // Both panes can be read and the whole window is on its screen, at
        // this start and the next.
        QVERIFY(w.child<QWidget>("wordListPanel")->width() >= 100);
        QVERIFY(w.child<QWidget>("textBrowser")->width() >= 100);
        QVERIFY(w.window.screen()->availableGeometry().contains(w.window.frameGeometry()));
        QVERIFY(w.window.close());
        TestUtil::closeDefaultConnection();
        // Fitted, not resized by the user: the size chosen is what the next
        // start at another scale fits again.
        QCOMPARE(stored("Window/size").toSize(), size);
    }
    // Resized by the user, the window keeps the new size.
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    const QSize before = w.window.size();
    w.window.resize(before - QSize(20, 20));
    QTRY_VERIFY(w.window.size() != before);
    const QSize resized = w.window.size();
    QVERIFY(w.window.close());
    QCOMPARE(stored("Window/size").toSize(), resized);
}

void MainWindowTest::garbageSettingsStillGiveAWindow_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::newRow("wrong types") << QByteArray("[Window]\nsize=banana\nmenubar=maybe\n"
                                               "statusbar=@Invalid()\ntopmost=2\n"
                                               "[Preferences]\nfontFamily=@ByteArray(\\0\\xff)\n"
                                               "fontSize=-7\nchosenFontSize=x\n");
    QTest::newRow("extremes") << QByteArray("[Window]\nsize=@Size(-5 100000)\n"
                                            "[Preferences]\nfontFamily=\nfontSize=2147483647\n"
                                            "chosenFontSize=2147483647\n");
    QTest::newRow("huge window") << QByteArray("[Window]\nsize=@Size(100000 100000)\n"
                                               "[Preferences]\nfontSize=0\n");
    QByteArray noise(4096, '\0');
    QRandomGenerator rng(5);
    for (char &c : noise)
        c = char(rng.bounded(256));
    QTest::newRow("noise") << noise;
}

// The window comes up, stays usable and writes back a usable state.
void MainWindowTest::garbageSettingsStillGiveAWindow()
{
    QFETCH(QByteArray, settings);
    const QString path = QSettings().fileName();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    TestUtil::writeBytes(path, settings);
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        // Within the result font's bounds, in the view and in what the
        // preferences dialog would edit.
        const QFont font = w.window.browserFont();
        QVERIFY2(font.pointSize() >= ViewSettings::minimumFontSize &&
                     font.pointSize() <= ViewSettings::maximumFontSize,
                 qPrintable(QString::number(font.pointSize())));
        QCOMPARE(w.window.viewSettings()->font(), font);
        // A damaged file is still written over: no false alarm.
        QVERIFY(!w.window.findChild<QLabel *>("settingsNotSavedLabel"));
        // The window works: a look-up gives the no-dictionary page.
        w.edit->setText("run");
        QTRY_VERIFY_WITH_TIMEOUT(w.view->toPlainText().startsWith("No dictionary is installed."),
                                 TestUtil::waitTimeout);
        w.window.close();
    }
    // What it writes back reads as a usable state.
    QSettings stored;
    QCOMPARE(stored.status(), QSettings::NoError);
    for (const char *key : {"Preferences/fontSize", "Preferences/chosenFontSize"}) {
        const int written = stored.value(key).toInt();
        QVERIFY2(written >= ViewSettings::minimumFontSize &&
                     written <= ViewSettings::maximumFontSize,
                 key);
    }
}

// A folder in the settings file's place stops even root writing it.
void MainWindowTest::unwritableSettingsAreSaidInSight()
{
    const QString path = QSettings().fileName();
    // A look-up that takes its time: a dictionary to look up in.
    QVERIFY(WindowFixture::install({"■run : 走る"}));
    QFile::remove(path);
    QVERIFY(QDir().mkpath(path));
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    auto *label = w.child<QLabel>("settingsNotSavedLabel");
    QVERIFY(label->toolTip().contains(path));
    // Look-up times take the status bar's message, not the label.
    w.edit->setText("run");
    QTRY_VERIFY_WITH_TIMEOUT(w.statusBar->currentMessage().endsWith("seconds"),
                             TestUtil::waitTimeout);
    QVERIFY(label->isVisible());
    QVERIFY(QDir(path).removeRecursively());
}

void MainWindowTest::editActionsWorkOnSearchField()
{
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    auto *edit = w.edit;
    edit->setFocus();
    QTest::keyClicks(edit, "run");
    w.action("actionSelectAll")->trigger();
    QCOMPARE(edit->selectedText(), QString("run"));
    w.action("actionCut")->trigger();
    QCOMPARE(edit->text(), QString());
    w.action("actionPaste")->trigger();
    w.action("actionPaste")->trigger();
    w.action("actionUndo")->trigger();
    QCOMPARE(edit->text(), QString("run"));
    w.action("actionRedo")->trigger();
    QCOMPARE(edit->text(), QString("runrun"));
    w.action("actionDelete")->trigger();
    QCOMPARE(edit->text(), QString());
    // Every change started a look-up; the wait cursor goes with the last
    // one's end, which is delivered after its worker may be gone: wait for
    // the state itself.
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), TestUtil::waitTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.pagesRunning(), 0, TestUtil::waitTimeout);
}

void MainWindowTest::editActionsFollowTheFocus()
{
    WindowFixture w;
    QVERIFY(w.showAndActivate());
    auto *edit = w.edit;
    auto *view = w.view;
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
    QCOMPARE(QApplication::clipboard()->text(), QString("move fast\n・a shop\nrune\n1. a"));
    // What cannot change a read-only view leaves the search field alone.
    for (const char *name : {"actionUndo", "actionCut", "actionPaste", "actionDelete"})
        w.action(name)->trigger();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->textCursor().selectedText().size(), text.size());
    QCOMPARE(view->toPlainText(), text);
    QVERIFY(edit->text().isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
