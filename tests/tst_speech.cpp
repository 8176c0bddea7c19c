// Reading words aloud: the voice a word is read in, why one cannot be, the
// engine's thread, and the window's Speak and speakers, with and without an
// engine (speechprobe.cpp is the engine).
#include "mainwindow/speaker.h"
#include "mainwindow/speechengine.h"
#include "mainwindow/voicechoice.h"
#include "preferences/optiondialog.h"
#include "preferences/viewsettings.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>

namespace {

// No engine is called this, whatever the machine has installed.
const char missingEngine[] = "orvel-test-no-such-engine";

QList<QLocale> locales(const QString &names)
{
    QList<QLocale> list;
    for (const QString &name : names.split(u',', Qt::SkipEmptyParts))
        list << QLocale(name);
    return list;
}

// What the probe engine said, and what the test noted beside it, in order.
QStringList spoken()
{
    return qApp->property("orvelTestSpoken").toStringList();
}
void note(const QString &what)
{
    qApp->setProperty("orvelTestSpoken", spoken() << what);
}

} // namespace

class SpeechTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Before any engine is looked for.
        QCoreApplication::addLibraryPath(ORVEL_SPEECH_PLUGIN_DIR);
        QVERIFY(WindowFixture::install(
            {"■apple : りんご", "■apple pie : アップルパイ", "■run : 走る"}, "d"));
    }
    void init() { qApp->setProperty("orvelTestSpoken", QStringList()); }

    void voice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("available");
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<QString>("chosen"); // empty: no voice
        const auto row = [](const char *name, const QString &text, const char *preferred,
                            const char *chosen, const char *available = "de_DE,en_US,en_GB,ja_JP") {
            QTest::newRow(name) << text << QString(available) << QString(preferred)
                                << QString(chosen);
        };
        row("Latin, the first English", "apple", "fr_FR", "en_US");
        row("Latin, the user's English", "apple", "en_GB", "en_GB");
        row("user's English not offered", "run", "en_AU", "en_US");
        row("user's language not the word's", "りんご", "en_GB", "ja_JP");
        row("hiragana", "りんご", "C", "ja_JP");
        row("katakana with long vowel", "アップルパイ", "C", "ja_JP");
        row("half-width katakana", "ｱｯﾌﾟﾙ", "C", "ja_JP");
        row("kanji with iteration mark", "人々", "C", "ja_JP");
        row("Japanese wins in mixed text", "CDを", "en_US", "ja_JP");
        row("digits are read in English", "1984", "C", "en_US");
        row("full-width Latin", "ＡＢＣ", "C", "en_US");
        row("accented Latin", "café", "C", "en_US");
        row("no Japanese voice", "水", "C", "", "en_US");
        row("no English voice", "water", "C", "", "ja_JP");
        row("no voices at all", "water", "C", "", "");
        row("Cyrillic", "вода", "C", "");
        row("punctuation only", "…!", "C", "");
        row("empty", "", "C", "");
    }
    void voice()
    {
        QFETCH(QString, text);
        QFETCH(QString, available);
        QFETCH(QString, preferred);
        QFETCH(QString, chosen);
        const std::optional<QLocale> locale =
            VoiceChoice::localeFor(text, locales(available), QLocale(preferred));
        QCOMPARE(locale ? locale->name() : QString(), chosen);
    }

    void reason_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("spoken"); // "-": not started
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("names"); // what the reason names; empty: none
        const auto row = [](const char *name, const QStringList &installed, const char *wanted,
                            const char *spoken, const QString &text, const QString &names) {
            QTest::newRow(name) << installed << QString(wanted) << QString(spoken) << text << names;
        };
        const QStringList speechd{"speechd"};
        row("not started: an engine will do", speechd, "", "-", "水", "");
        row("started with the voice", speechd, "", "ja_JP", "水", "");
        row("the engine asked for", {"flite", "speechd"}, "speechd", "-", "run", "");
        row("no engine", {}, "", "-", "run", "speech-dispatcher");
        row("no engine, whatever the text", {}, "", "-", "", "speech-dispatcher");
        row("engine asked for missing", speechd, "flite", "-", "run", "flite");
        row("no entry", speechd, "", "en_US", "", "entry");
        row("no Japanese voice", speechd, "", "en_US", "水", "Japanese");
        row("no English voice", speechd, "", "ja_JP", "run", "English");
        row("no voice reads the script", speechd, "", "-", "вода", "вода");
    }
    void reason()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, wanted);
        QFETCH(QString, spoken);
        QFETCH(QString, text);
        QFETCH(QString, names);
        const QString why = VoiceChoice::whyNot(
            installed, wanted, spoken == "-" ? std::nullopt : std::optional(locales(spoken)), text);
        QVERIFY2(names.isEmpty() ? why.isEmpty() : why.contains(names), qPrintable(why));
    }

    void engine_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("voices");
        QTest::addColumn<QStringList>("texts");
        // "locale|text" as said, "none|text" without a voice, or "failed".
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("each text in its language")
            << "orvel-test"
            << "en_US,ja_JP" << QStringList{"apple", "りんご", "pie"}
            << QStringList{"en_US|apple", "ja_JP|りんご", "en_US|pie"};
        QTest::newRow("no Japanese voice")
            << "orvel-test"
            << "en_GB" << QStringList{"水", "water"} << QStringList{"none|水", "en_GB|water"};
        QTest::newRow("an engine that is not there")
            << missingEngine << "" << QStringList{"apple", "りんご"} << QStringList{"failed"};
    }
    // The engine starts on its thread at the first word, speaks each in a
    // voice of its language, and says so when it cannot start.
    void engine()
    {
        QFETCH(QString, engine);
        QFETCH(QString, voices);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, heard);
        qputenv("ORVEL_TEST_VOICES", voices.toUtf8());
        SpeechEngine speech{engine};
        connect(&speech, &SpeechEngine::failed, this, [] { note("failed"); });
        connect(&speech, &SpeechEngine::noVoice, this,
                [](const QString &text) { note("none|" + text); });
        for (const QString &text : texts)
            speech.say(text);
        QTRY_COMPARE_WITH_TIMEOUT(spoken(), heard, TestUtil::waitTimeout);
    }

    void speak_data()
    {
        QTest::addColumn<bool>("engine");
        QTest::newRow("no engine") << false;
        QTest::newRow("an engine") << true;
    }
    // Speak sits in View, with tooltips; the speakers stand between the
    // stars and the page. With an engine F7 speaks the entry at the top and
    // a speaker its own; without one Speak is off, F7 says nothing, and a
    // speaker says why.
    void speak()
    {
        QFETCH(bool, engine);
        qputenv("ORVEL_SPEECH_ENGINE", engine ? "orvel-test" : missingEngine);
        qputenv("ORVEL_TEST_VOICES", "en_US");
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.window.start(QString());
        QAction *speak = w.action("actionSpeak");
        auto *menu = w.child<QMenu>("menuView");
        QVERIFY(menu->actions().contains(speak));
        QVERIFY(menu->toolTipsVisible());
        QTest::keyClicks(w.edit, "apple");
        QVERIFY(w.shows("apple"));
        QCOMPARE(w.window.findChild<Speaker *>()->words(),
                 (QStringList{"apple", "apple pie", "run"}));
        QCOMPARE(speak->isEnabled(), engine);
        QVERIFY2(speak->toolTip().contains(engine ? "apple" : missingEngine),
                 qPrintable(speak->toolTip()));
        auto *speakers = w.child<QWidget>("speakerGutter");
        QCOMPARE(speakers->x(), w.child<QWidget>("starGutter")->geometry().right() + 1);
        QCOMPARE(w.view->viewport()->x(), speakers->geometry().right() + 1);

        w.statusBar->clearMessage();
        QTest::keyClick(w.edit, Qt::Key_F7);
        QCOMPARE(w.statusBar->currentMessage(), QString());
        QVERIFY(w.clickBesideHeading("speakerGutter", 2));
        if (engine) {
            QTRY_COMPARE_WITH_TIMEOUT(spoken(), (QStringList{"en_US|apple", "en_US|run"}),
                                      TestUtil::waitTimeout);
        } else {
            QVERIFY2(w.statusBar->currentMessage().contains(missingEngine),
                     qPrintable(w.statusBar->currentMessage()));
        }
    }

    // Preferences can leave the speakers out: the page then starts right of
    // the stars, as before, Speak is still there, and a next start keeps it.
    void speakersLeftOut()
    {
        const auto pageStart = [](WindowFixture &w) { return w.view->viewport()->x(); };
        {
            WindowFixture w;
            QVERIFY(w.showAndActivate());
            const int shown = pageStart(w);
            whenModal<OptionDialog>(this, [](OptionDialog *dialog) {
                auto *box = dialog->findChild<QCheckBox *>("speakersBox");
                QVERIFY(box->isChecked());
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
                dialog->accept();
            });
            w.action("actionPreferences")->trigger();
            QVERIFY(w.child<QWidget>("speakerGutter")->isHidden());
            QCOMPARE(pageStart(w), w.child<QWidget>("starGutter")->geometry().right() + 1);
            QVERIFY(pageStart(w) < shown);
            QVERIFY(w.action("actionSpeak"));
        }
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        QVERIFY(w.child<QWidget>("speakerGutter")->isHidden());
        w.window.viewSettings()->setSpeakers(true);
        QCOMPARE(pageStart(w), w.child<QWidget>("speakerGutter")->geometry().right() + 1);
    }
};

QTEST_MAIN(SpeechTest)
#include "tst_speech.moc"
