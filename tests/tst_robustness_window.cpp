// The main window over garbage settings and hostile typed words: it comes
// up, stays usable and writes back a usable state.
#include "database/database.h"
#include "preferences/viewsettings.h"
#include "robustness.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>

using namespace Robustness;

class TestRobustnessWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Every case starts without settings and without a database.
        TestUtil::closeDefaultConnection();
        QSettings().clear();
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(Database::path() + suffix);
    }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void garbageSettingsStillGiveAWindow_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("wrong types")
            << QByteArray("[Window]\nsize=banana\nmenubar=maybe\n"
                          "statusbar=@Invalid()\ntopmost=2\n"
                          "[Preferences]\nfontFamily=@ByteArray(\\0\\xff)\n"
                          "fontSize=-7\n");
        QTest::newRow("extremes") << QByteArray(
            "[Window]\nsize=@Size(-5 100000)\n"
            "[Preferences]\nfontFamily=\nfontSize=2147483647\n");
        QTest::newRow("huge window") << QByteArray("[Window]\nsize=@Size(100000 100000)\n"
                                                   "[Preferences]\nfontSize=0\n");
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(5);
        for (char &c : noise)
            c = char(rng.bounded(256));
        QTest::newRow("noise") << noise;
    }

    void garbageSettingsStillGiveAWindow()
    {
        QFETCH(QByteArray, settings);
        const QString path = QSettings().fileName();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        TestUtil::writeBytes(path, settings);
        {
            WindowFixture w;
            w.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.window));
            QVERIFY(w.window.isVisible());
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
            auto *edit = w.edit;
            auto *browser = w.view;
            QVERIFY(edit && browser);
            edit->setText("run");
            QTRY_VERIFY_WITH_TIMEOUT(
                browser->toPlainText().startsWith("No dictionary is installed."), 30000);
            w.window.close();
        }
        // What it writes back reads as a usable state.
        QSettings stored;
        QCOMPARE(stored.status(), QSettings::NoError);
        const int written = stored.value("Preferences/fontSize").toInt();
        QVERIFY(written >= ViewSettings::minimumFontSize &&
                written <= ViewSettings::maximumFontSize);
    }

    // A folder in the settings file's place stops even root writing it.
    void unwritableSettingsAreSaidInSight()
    {
        const QString path = QSettings().fileName();
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));
        WindowFixture w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto *label = w.window.findChild<QLabel *>("settingsNotSavedLabel");
        QVERIFY(label && label->toolTip().contains(path));
        // Look-up times take the status bar's message, not the label.
        w.edit->setText("run");
        QTRY_VERIFY_WITH_TIMEOUT(w.window.statusBar()->currentMessage().endsWith("seconds"), 30000);
        QVERIFY(label->isVisible());
        QVERIFY(QDir(path).removeRecursively());
    }

    // Each word gives a page and a title, nothing else, and the window
    // still looks the next word up.
    void hostileTypedWordsInTheWindow_data() { addHostileWords(); }

    void hostileTypedWordsInTheWindow()
    {
        QFETCH(QString, word);
        {
            QSettings settings;
            settings.setValue("Window/size", QSize(400, 300));
        }
        QVERIFY(TestUtil::openFreshDatabase(Database::path()));
        QCOMPARE(TestUtil::install(
                     TestUtil::writeDictionary(TestUtil::makeDir("typed") + "/d.txt", sample)),
                 int(ConvertThread::Committed));
        TestUtil::closeDefaultConnection();

        WindowFixture w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto *edit = w.edit;
        auto *browser = w.view;
        QVERIFY(edit && browser);
        for (const QString &typed : {word, QString("run")}) {
            browser->clear();
            edit->setText(typed);
            QTRY_VERIFY_WITH_TIMEOUT(!browser->toPlainText().isEmpty(), 30000);
            QCOMPARE(w.window.windowTitle(), "\u2068" + edit->text() + "\u2069 - Orvel");
        }
        QVERIFY(browser->toPlainText().contains("走る"));
        w.window.close();
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestRobustnessWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robustness_window.moc"
