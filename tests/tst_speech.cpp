// Reading words aloud: which voice a word is read in, why one cannot be,
// the engine's thread answering for an engine that is not there, and the
// window's Speak with no engine, by keyboard and mouse.
#include "mainwindow/speaker.h"
#include "mainwindow/speechengine.h"
#include "mainwindow/voicechoice.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

namespace {

// No engine is called this, whatever the machine has installed.
const char missingEngine[] = "orvel-test-no-such-engine";

QList<QLocale> locales(const QStringList &names)
{
    QList<QLocale> list;
    for (const QString &name : names)
        list << QLocale(name);
    return list;
}

// Clicks the speaker beside the entry heading `index` of the page on display.
void clickSpeaker(WindowFixture &w, int index)
{
    QTextBlock heading = w.view->document()->begin();
    for (int headings = 0; heading.isValid(); heading = heading.next()) {
        if (heading.blockFormat().headingLevel() == 2 && headings++ == index)
            break;
    }
    QVERIFY(heading.isValid());
    const QRectF place = w.view->document()->documentLayout()->blockBoundingRect(heading);
    auto *speakers = w.child<QWidget>("speakerGutter");
    const QPoint middle(speakers->width() / 2,
                        int(place.top() + heading.layout()->lineAt(0).height() / 2) -
                            w.view->verticalScrollBar()->value());
    QTest::mouseClick(speakers, Qt::LeftButton, {}, middle);
}

} // namespace

class SpeechTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_SPEECH_ENGINE", missingEngine);
        // Before any engine is looked for.
        QCoreApplication::addLibraryPath(ORVEL_SPEECH_PLUGIN_DIR);
        QVERIFY(WindowFixture::install(
            {"■apple : りんご", "■apple pie : アップルパイ", "■run : 走る"}, "d"));
    }

    void voice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("available");
        QTest::addColumn<QString>("preferred");
        // Empty: no voice.
        QTest::addColumn<QString>("chosen");
        const QStringList both{"de_DE", "en_US", "en_GB", "ja_JP"};
        QTest::newRow("Latin, the first English") << "apple" << both << "fr_FR"
                                                  << "en_US";
        QTest::newRow("Latin, the user's English") << "apple" << both << "en_GB"
                                                   << "en_GB";
        QTest::newRow("user's English not offered") << "run" << both << "en_AU"
                                                    << "en_US";
        QTest::newRow("user's language not the word's") << "りんご" << both << "en_GB"
                                                        << "ja_JP";
        QTest::newRow("hiragana") << "りんご" << both << "C"
                                  << "ja_JP";
        QTest::newRow("katakana with long vowel") << "アップルパイ" << both << "C"
                                                  << "ja_JP";
        QTest::newRow("half-width katakana") << "ｱｯﾌﾟﾙ" << both << "C"
                                             << "ja_JP";
        QTest::newRow("kanji with iteration mark") << "人々" << both << "C"
                                                   << "ja_JP";
        QTest::newRow("Japanese wins in mixed text") << "CDを" << both << "en_US"
                                                     << "ja_JP";
        QTest::newRow("digits are read in English") << "1984" << both << "C"
                                                    << "en_US";
        QTest::newRow("full-width Latin") << "ＡＢＣ" << both << "C"
                                          << "en_US";
        QTest::newRow("accented Latin") << "café" << both << "C"
                                        << "en_US";
        QTest::newRow("no Japanese voice") << "水" << QStringList{"en_US"} << "C"
                                           << "";
        QTest::newRow("no English voice") << "water" << QStringList{"ja_JP"} << "C"
                                          << "";
        QTest::newRow("no voices at all") << "water" << QStringList{} << "C"
                                          << "";
        QTest::newRow("Cyrillic") << "вода" << both << "C"
                                  << "";
        QTest::newRow("punctuation only") << "…!" << both << "C"
                                          << "";
        QTest::newRow("empty") << "" << both << "C"
                               << "";
    }

    void voice()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, available);
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
        QTest::addColumn<bool>("started");
        QTest::addColumn<QStringList>("spoken");
        QTest::addColumn<QString>("text");
        // What the reason names; empty: the text can be spoken.
        QTest::addColumn<QString>("names");
        const QStringList speechd{"speechd"};
        QTest::newRow("not started: an engine will do")
            << speechd << "" << false << QStringList{} << "水"
            << "";
        QTest::newRow("started with the voice")
            << speechd << "" << true << QStringList{"ja_JP"} << "水"
            << "";
        QTest::newRow("the engine asked for")
            << QStringList{"flite", "speechd"} << "speechd" << false << QStringList{} << "run"
            << "";
        QTest::newRow("no engine") << QStringList{} << "" << false << QStringList{} << "run"
                                   << "speech-dispatcher";
        QTest::newRow("no engine, whatever the text")
            << QStringList{} << "" << false << QStringList{} << ""
            << "speech-dispatcher";
        QTest::newRow("engine asked for missing")
            << speechd << "flite" << false << QStringList{} << "run"
            << "flite";
        QTest::newRow("no entry") << speechd << "" << true << QStringList{"en_US"} << ""
                                  << "entry";
        QTest::newRow("no Japanese voice") << speechd << "" << true << QStringList{"en_US"} << "水"
                                           << "Japanese";
        QTest::newRow("no English voice") << speechd << "" << true << QStringList{"ja_JP"} << "run"
                                          << "English";
        QTest::newRow("no voice reads the script")
            << speechd << "" << false << QStringList{} << "вода"
            << "вода";
    }

    void reason()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, wanted);
        QFETCH(bool, started);
        QFETCH(QStringList, spoken);
        QFETCH(QString, text);
        QFETCH(QString, names);
        const QString why = VoiceChoice::whyNot(
            installed, wanted, started ? std::optional(locales(spoken)) : std::nullopt, text);
        if (names.isEmpty())
            QVERIFY2(why.isEmpty(), qPrintable(why));
        else
            QVERIFY2(why.contains(names), qPrintable(why));
    }

    void engine_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("voices");
        QTest::addColumn<QStringList>("texts");
        // What the engine was given, "locale|text"; or the texts it had no
        // voice for, "none|text"; or "failed".
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
        qApp->setProperty("orvelTestSpoken", QStringList());
        SpeechEngine speech{engine};
        // On this thread, in the order the engine's thread sent them.
        const auto note = [](const QString &what) {
            qApp->setProperty("orvelTestSpoken", qApp->property("orvelTestSpoken").toStringList()
                                                     << what);
        };
        connect(&speech, &SpeechEngine::failed, this, [note] { note("failed"); });
        connect(&speech, &SpeechEngine::noVoice, this,
                [note](const QString &text) { note("none|" + text); });
        for (const QString &text : texts)
            speech.say(text);
        QTRY_COMPARE_WITH_TIMEOUT(qApp->property("orvelTestSpoken").toStringList(), heard,
                                  TestUtil::waitTimeout);
    }

    // With no engine, Speak is off and says why; the speakers stand beside
    // the stars and a click on one says why too.
    void speakWithoutAnEngine()
    {
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.window.start(QString());
        QAction *speak = w.action("actionSpeak");
        auto *menu = w.child<QMenu>("menuView");
        QVERIFY(menu->actions().contains(speak));
        QVERIFY(menu->toolTipsVisible());

        QTest::keyClicks(w.edit, "apple");
        QVERIFY(w.shows("apple"));
        auto *speaker = w.window.findChild<Speaker *>();
        QCOMPARE(speaker->words(), (QStringList{"apple", "apple pie", "run"}));
        QVERIFY(!speak->isEnabled());
        QVERIFY2(speak->toolTip().contains(missingEngine), qPrintable(speak->toolTip()));

        // F7 while it is off: nothing is said.
        w.statusBar->clearMessage();
        QTest::keyClick(w.edit, Qt::Key_F7);
        QVERIFY(w.statusBar->currentMessage().isEmpty());

        auto *stars = w.child<QWidget>("starGutter");
        auto *speakers = w.child<QWidget>("speakerGutter");
        QCOMPARE(speakers->x(), stars->geometry().right() + 1);
        QCOMPARE(w.view->viewport()->x(), speakers->geometry().right() + 1);
        clickSpeaker(w, 1);
        QVERIFY2(w.statusBar->currentMessage().contains(missingEngine),
                 qPrintable(w.statusBar->currentMessage()));
    }

    // With an engine, F7 speaks the entry at the top and a speaker its own.
    void speakWithAnEngine()
    {
        qputenv("ORVEL_SPEECH_ENGINE", "orvel-test");
        qputenv("ORVEL_TEST_VOICES", "en_US");
        qApp->setProperty("orvelTestSpoken", QStringList());
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        w.window.start(QString());
        QTest::keyClicks(w.edit, "apple");
        QVERIFY(w.shows("apple"));
        QAction *speak = w.action("actionSpeak");
        QVERIFY(speak->isEnabled());
        QVERIFY2(speak->toolTip().contains("apple"), qPrintable(speak->toolTip()));
        QTest::keyClick(w.edit, Qt::Key_F7);
        clickSpeaker(w, 2);
        QTRY_COMPARE_WITH_TIMEOUT(qApp->property("orvelTestSpoken").toStringList(),
                                  (QStringList{"en_US|apple", "en_US|run"}), TestUtil::waitTimeout);
        qputenv("ORVEL_SPEECH_ENGINE", missingEngine);
    }

    // The settings can leave the speakers out: the page starts right of
    // the stars, as before, and Speak is still there.
    void speakersLeftOut()
    {
        QSettings().setValue("Preferences/speakersBesideHeadings", false);
        WindowFixture w;
        QVERIFY(w.showAndActivate());
        QVERIFY(!w.window.findChild<QWidget *>("speakerGutter"));
        QCOMPARE(w.view->viewport()->x(), w.child<QWidget>("starGutter")->geometry().right() + 1);
        QVERIFY(w.action("actionSpeak"));
        QSettings().remove("Preferences/speakersBesideHeadings");
    }
};

QTEST_MAIN(SpeechTest)
#include "tst_speech.moc"
