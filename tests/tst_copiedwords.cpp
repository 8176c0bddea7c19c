// Words copied in other programs open the pop-up (Window > Look Up Copied
// Words), and the tray keeps Orvel running when the window is closed, if
// chosen. Runs on an X server of its own (run-on-xvfb.sh), whose clipboard
// other programs share.

#include "mainwindow/clipboardwatcher.h"
#include "mainwindow/popupwindow.h"
#include "mainwindow/resultview.h"
#include "mainwindow/trayicon.h"
#include "preferences/optiondialog.h"
#include "preferences/viewsettings.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// Another program, holding the clipboard with `text` (or the tray) until
// it goes.
struct OtherProgram
{
    explicit OtherProgram(const QString &text)
    {
        process.start(ORVEL_SELECTION_OWNER, {text});
        started = process.waitForReadyRead(TestUtil::waitTimeout);
    }
    ~OtherProgram()
    {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
    bool started;
};

struct Desktop : WindowFixture
{
    PopupWindow popup{window.viewSettings()};
    QAction *const watch = action("actionLookUpCopiedWords");

    Desktop()
    {
        // As the program wires them.
        QObject::connect(&window, &MainWindow::wordCopied, &popup, &PopupWindow::showWord);
    }
    bool popupShows(const QString &word)
    {
        return QTest::qWaitFor(
            [&] {
                return popup.isVisible() && popup.view()->toPlainText().startsWith(word + "\n");
            },
            TestUtil::waitTimeout);
    }
};
} // namespace

class CopiedWordsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server (run-on-xvfb.sh)");
        QVERIFY(WindowFixture::install({"■water  {名} : 水", "■wave : 波", "■take off : 離陸"}));
    }
    void init() { QSettings().clear(); }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void wordToLookUp_data();
    void wordToLookUp();
    void copiedInAnotherProgram();
    void closedToTheTray_data();
    void closedToTheTray();
};

void CopiedWordsTest::wordToLookUp_data()
{
    QTest::addColumn<QString>("copied");
    QTest::addColumn<bool>("own");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("looked"); // empty: not looked up
    QTest::newRow("a word") << "water" << false << ""
                            << "water";
    QTest::newRow("spaces around, inside") << "\n  take \t off  \n"
                                           << false << ""
                                           << "take off";
    QTest::newRow("five words") << "one two three four five" << false << ""
                                << "one two three four five";
    QTest::newRow("six words") << "one two three four five six" << false << ""
                               << "";
    QTest::newRow("a paragraph") << QString("water ").repeated(40) << false << ""
                                 << "";
    QTest::newRow("nothing") << "" << false << ""
                             << "";
    QTest::newRow("white space") << " \n\t " << false << ""
                                 << "";
    QTest::newRow("Japanese word") << "離陸" << false << ""
                                   << "離陸";
    QTest::newRow("Japanese sentence") << QString("水を飲む。").repeated(14) << false << ""
                                       << "";
    QTest::newRow("at most the characters")
        << QString(ClipboardWatcher::maxCharacters, u'x') << false << ""
        << QString(ClipboardWatcher::maxCharacters, u'x');
    QTest::newRow("own copy") << "water" << true << ""
                              << "";
    QTest::newRow("same as last") << "water" << false << "water"
                                  << "";
    QTest::newRow("same as last, spaced") << " take  off" << false << "take off"
                                          << "";
    QTest::newRow("other than last") << "wave" << false << "water"
                                     << "wave";
}

void CopiedWordsTest::wordToLookUp()
{
    QFETCH(QString, copied);
    QFETCH(bool, own);
    QFETCH(QString, last);
    QFETCH(QString, looked);
    QCOMPARE(ClipboardWatcher::wordToLookUp(copied, own, last), looked);
}

// Off at first; switched on in the Window menu, a word copied elsewhere
// comes up beside the pointer; a copy of Orvel's own (Ctrl+C in its page)
// does not, nor does the same word copied again.
void CopiedWordsTest::copiedInAnotherProgram()
{
    Desktop d;
    QVERIFY(d.showAndActivate());
    QSignalSpy copied(&d.window, &MainWindow::wordCopied);
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    QVERIFY(!d.watch->isChecked());
    const OtherProgram water("water");
    QVERIFY(water.started);
    // The clipboard's news has come and was let be.
    QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), TestUtil::waitTimeout);
    QVERIFY(copied.isEmpty());

    d.watch->trigger();
    QVERIFY(QSettings().value("Clipboard/watch").toBool());
    const OtherProgram takeOff(" take off\n");
    QVERIFY(takeOff.started);
    QVERIFY(d.popupShows("take off"));
    d.popup.close();

    // Orvel's own copy (Edit > Copy of the word in the field), then another
    // program's copy of the word last shown, then a new word: only the new
    // word comes up.
    d.edit->setText("water");
    QVERIFY(d.shows("water"));
    d.edit->setFocus();
    QTest::keyClick(d.edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(d.edit, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QGuiApplication::clipboard()->ownsClipboard());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("water"));
    const OtherProgram again("take off");
    QVERIFY(again.started);
    const OtherProgram wave("wave");
    QVERIFY(wave.started);
    QVERIFY(d.popupShows("wave"));
    QCOMPARE(copied.size(), 2);
    QCOMPARE(copied.at(0).at(0).toString(), QString("take off"));
}

void CopiedWordsTest::closedToTheTray_data()
{
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("chosen");
    // Without a tray first: Qt does not notice a tray go away at once.
    QTest::newRow("no tray, chosen") << false << true;
    QTest::newRow("tray, chosen") << true << true;
    QTest::newRow("tray, not chosen") << true << false;
}

// The window's close keeps Orvel in the tray only where there is one and
// the user chose it; Show Orvel brings the window back, and Quit (the
// window's or the tray's) always ends the run.
void CopiedWordsTest::closedToTheTray()
{
    QFETCH(bool, tray);
    QFETCH(bool, chosen);
    std::unique_ptr<OtherProgram> desktopTray;
    if (tray) {
        desktopTray = std::make_unique<OtherProgram>("--tray");
        QVERIFY(desktopTray->started);
        QTRY_VERIFY_WITH_TIMEOUT(TrayIcon::desktopHasTray(), TestUtil::waitTimeout);
    } else {
        QVERIFY(!TrayIcon::desktopHasTray());
    }
    Desktop d;
    QVERIFY(d.showAndActivate());
    auto *icon = d.window.findChild<TrayIcon *>();
    QVERIFY(icon);
    QCOMPARE(icon->menu() != nullptr, tray);

    // Preferences > Keep Orvel in the tray..., clicked.
    whenModal<OptionDialog>(this, [&](OptionDialog *dialog) {
        auto *box = dialog->findChild<QCheckBox *>("closeToTrayBox");
        QCOMPARE(box->isEnabled(), tray);
        if (chosen && tray)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        dialog->accept();
    });
    d.action("actionPreferences")->trigger();
    const bool kept = tray && chosen;
    QCOMPARE(QSettings().value("Window/closeToTray", false).toBool(), kept);
    if (!tray)
        d.window.viewSettings()->setCloseToTray(chosen);

    QCOMPARE(d.window.close(), !kept);
    QVERIFY(!d.window.isVisible());
    QCOMPARE(QGuiApplication::quitOnLastWindowClosed(), !kept);
    if (!tray)
        return;
    const QList<QAction *> items = icon->menu()->actions();
    QCOMPARE(items.size(), 4); // and a separator
    QCOMPARE(items.at(1), d.watch);
    items.at(0)->trigger();
    QTRY_VERIFY(d.window.isVisible());
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    // File > Quit closes, chosen or not.
    d.action("actionQuit")->trigger();
    QVERIFY(!d.window.isVisible());
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
}

QTEST_MAIN(CopiedWordsTest)
#include "tst_copiedwords.moc"
