// Words copied in other programs open the pop-up, and the tray keeps Orvel
// running when the window is closed, if chosen. On an X server of its own.
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
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// Another program, holding the clipboard with `text` (or the tray) until
// it goes.
struct OtherProgram : QProcess
{
    explicit OtherProgram(const QString &text)
    {
        start(ORVEL_SELECTION_OWNER, {text});
        // It says so once it holds what it was given.
        waitForReadyRead(TestUtil::waitTimeout);
    }
    ~OtherProgram() override { kill(), waitForFinished(); }
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

    void wordToLookUp_data()
    {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("own");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("looked"); // empty: not looked up
        const auto row = [](const char *name, const QString &copied, bool own, const char *last,
                            const QString &looked) {
            QTest::newRow(name) << copied << own << QString(last) << looked;
        };
        const QString longest(ClipboardWatcher::maxCharacters, u'x');
        row("spaced word", "\n  take \t off  \n", false, "", "take off");
        row("five words", "one two three four five", false, "", "one two three four five");
        row("six words", "one two three four five six", false, "", "");
        row("white space", " \n\t ", false, "", "");
        row("Japanese word", "離陸", false, "", "離陸");
        row("Japanese sentence", QString("水を飲む。").repeated(14), false, "", "");
        row("longest", longest, false, "", longest);
        row("own copy", "water", true, "", "");
        row("same as last", " take  off", false, "take off", "");
        row("other than last", "wave", false, "water", "wave");
    }

    void wordToLookUp()
    {
        QFETCH(QString, copied);
        QFETCH(bool, own);
        QFETCH(QString, last);
        QFETCH(QString, looked);
        QCOMPARE(ClipboardWatcher::wordToLookUp(copied, own, last), looked);
    }

    // Off at first; switched on, a word copied in another program comes up in
    // the pop-up; Orvel's own copy (Ctrl+C in the field) does not, nor does
    // the same word copied again.
    void copiedInAnotherProgram()
    {
        WindowFixture w;
        PopupWindow popup(w.window.viewSettings());
        // As the program wires them.
        connect(&w.window, &MainWindow::wordCopied, &popup, &PopupWindow::showWord);
        QVERIFY(w.showAndActivate());
        QSignalSpy copied(&w.window, &MainWindow::wordCopied);
        QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
        const OtherProgram water("water");
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), TestUtil::waitTimeout);
        QVERIFY(copied.isEmpty());

        w.action("actionLookUpCopiedWords")->trigger();
        QVERIFY(QSettings().value("Clipboard/watch").toBool());
        const OtherProgram takeOff(" take off\n");
        QTRY_VERIFY_WITH_TIMEOUT(popup.view()->toPlainText().startsWith("take off\n"),
                                 TestUtil::waitTimeout);
        QVERIFY(popup.isVisible());

        w.edit->setText("water");
        QVERIFY(w.shows("water"));
        w.edit->setFocus();
        QTest::keyClick(w.edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w.edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("water"));
        const OtherProgram again("take off");
        const OtherProgram wave("wave");
        QTRY_VERIFY_WITH_TIMEOUT(popup.view()->toPlainText().startsWith("wave\n"),
                                 TestUtil::waitTimeout);
        QCOMPARE(copied.size(), 2);
    }

    void closedToTheTray_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("chosen");
        // Without a tray first: Qt does not notice a tray go away at once.
        QTest::newRow("no tray") << false << true;
        QTest::newRow("tray, chosen") << true << true;
        QTest::newRow("tray, not chosen") << true << false;
    }

    // Closing the window keeps Orvel in the tray only where there is one and
    // the user chose it in Preferences; Show Orvel brings the window back, and
    // File > Quit closes it whatever was chosen.
    void closedToTheTray()
    {
        QFETCH(bool, tray);
        QFETCH(bool, chosen);
        const std::unique_ptr<OtherProgram> desktopTray(tray ? new OtherProgram("--tray")
                                                             : nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(TrayIcon::desktopHasTray(), tray, TestUtil::waitTimeout);
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        whenModal<OptionDialog>(this, [&](OptionDialog *dialog) {
            auto *box = dialog->findChild<QCheckBox *>("closeToTrayBox");
            QCOMPARE(box->isEnabled(), tray);
            if (chosen)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
            dialog->accept();
        });
        w.action("actionPreferences")->trigger();
        const bool kept = tray && chosen;
        QCOMPARE(QSettings().value("Window/closeToTray", false).toBool(), kept);
        // As a run on a desktop with a tray may have left it.
        w.window.viewSettings()->setCloseToTray(chosen);

        QCOMPARE(w.window.close(), !kept);
        QVERIFY(!w.window.isVisible());
        QCOMPARE(QGuiApplication::quitOnLastWindowClosed(), !kept);
        QMenu *menu = w.window.findChild<TrayIcon *>()->menu();
        QCOMPARE(menu != nullptr, tray);
        if (!tray)
            return;
        QCOMPARE(menu->actions().at(1), w.action("actionLookUpCopiedWords"));
        menu->actions().at(0)->trigger();
        QTRY_VERIFY(w.window.isVisible());
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        w.action("actionQuit")->trigger();
        QVERIFY(!w.window.isVisible());
    }
};

QTEST_MAIN(CopiedWordsTest)
#include "tst_copiedwords.moc"
