// Getting around the main window: Back and Forward through the words looked
// up, double-clicked words, what the window opens with, and the keyboard.

#include "database/database.h"
#include "dictionary/convertthread.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <functional>

using TestUtil::closeDefaultConnection;

namespace {

// Every page begins with its word; "water"'s and "fire"'s are far longer
// than the view.
void installDictionary()
{
    QStringList lines{"■earth : 地球", "■fir : モミ", "■fire : 火", "■river : 川",
                      "■water : 水、river の水、well-known な水"};
    for (int i = 1; i <= 60; ++i)
        lines << QString("■water  {名-%1} : 水 %1").arg(i)
              << QString("■fire  {名-%1} : 火 %1").arg(i);
    const QString file = TestUtil::writeDictionary(TestUtil::makeDir("dict") + "/d.txt", lines);
    // Without a window, as in an earlier run.
    const bool windowOpen = QSqlDatabase::contains(QSqlDatabase::defaultConnection);
    QVERIFY(windowOpen || (QDir().mkpath(QFileInfo(Database::path()).path()) &&
                           TestUtil::openFreshDatabase(Database::path())));
    QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
    if (!windowOpen)
        closeDefaultConnection();
}

// A main window as the program starts it: shown, then given the word it
// opens with.
struct Window : WindowFixture
{
    QAction *back = action("actionBack");

    explicit Window(const QString &word = QString())
    {
        QVERIFY(showAndActivate());
        window.start(word);
    }
};

void closeDialog(const std::function<void(QWidget *)> &change = nullptr)
{
    QTimer::singleShot(0, [change] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (change)
            change(dialog);
        dialog->close();
    });
}

} // namespace

class NavigationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { closeDefaultConnection(); }
    void settledWordsEnterAndBackForwardShowThem();
    void backAndForwardKeepTheScroll_data();
    void backAndForwardKeepTheScroll();
    void historyKeepsTheNewestPages();
    void doubleClickLooksUp_data();
    void doubleClickLooksUp();
    void startShowsLastWordOrWhatToDo();
    void punctuationAroundAWordFromOutsideGoes_data();
    void punctuationAroundAWordFromOutsideGoes();
    void pageFollowsDictionariesThatCameOrWent();
    void positionRestoredOnlyOnAScreen_data();
    void positionRestoredOnlyOnAScreen();
    void sideButtonsFromAnywhere_data();
    void sideButtonsFromAnywhere();
    void keysFromAnywhere_data();
    void keysFromAnywhere();
    void zoomComesBackToTheChosenSize();
};

void NavigationTest::init()
{
    closeDefaultConnection();
    QSettings().clear();
    QFile::remove(Database::path());
}

void NavigationTest::settledWordsEnterAndBackForwardShowThem()
{
    installDictionary();
    Window w;
    // A word enters once its page has stayed; "fir" is found too, but the
    // next letter came first.
    QTest::keyClicks(w.edit, "fir");
    QVERIFY(w.shows("fir"));
    QTest::keyClick(w.edit, Qt::Key_E);
    QVERIFY(w.shows("fire"));
    QCOMPARE(w.history(), QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(w.history(), QStringList{"fire"}, TestUtil::waitTimeout);
    // Not found: it never enters, by Enter neither, nor handed over. A pick
    // from a list enters at once.
    w.edit->setText("fyre");
    QTest::qWait(History::settleTime * 3 / 2);
    QCOMPARE(w.history(), QStringList{"fire"});
    // Back leads from it to the one word settled on.
    QVERIFY(w.back->isEnabled());
    w.back->trigger();
    QVERIFY(w.shows("fire"));
    w.edit->setText("fyre");
    QTRY_VERIFY(w.view->toPlainText().startsWith("fyre is not found."));
    QTest::keyClick(w.edit, Qt::Key_Return);
    w.window.showFromOutside("qqq");
    QTRY_VERIFY(w.view->toPlainText().startsWith("qqq is not found."));
    QCOMPARE(w.history(), QStringList{"fire"});
    w.window.lookUp("water");
    w.window.history().enter({"earth", QString()});
    QCOMPARE(w.history(), (QStringList{"fire", "water", "earth"}));

    // By the keys, the action and the mouse's side buttons anywhere; left on
    // display, a word gone back to does not enter again.
    QTest::keyClick(w.edit, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(w.edit->text(), QString("water"));
    w.back->trigger();
    QVERIFY(w.shows("fire"));
    QVERIFY(!w.back->isEnabled());
    QTest::mousePress(w.view->viewport(), Qt::BackButton);
    QTest::qWait(History::settleTime * 3 / 2);
    QCOMPARE(w.edit->text(), QString("fire"));
    QTest::mousePress(w.view->viewport(), Qt::ForwardButton);
    QTest::keyClick(w.edit, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(w.shows("earth"));
    QVERIFY(!w.action("actionForward")->isEnabled());
    QCOMPARE(w.history(), (QStringList{"fire", "water", "earth"}));

    // From a word typed but not settled on, Back goes to the last one that
    // was; a new word drops those ahead.
    w.edit->setText("riv");
    w.back->trigger();
    QVERIFY(w.shows("earth"));
    w.back->trigger();
    w.edit->setText("river");
    QTest::keyClick(w.edit, Qt::Key_Return);
    QCOMPARE(w.history(), (QStringList{"fire", "water", "river"}));
}

// Back and Forward bring a page back where it was left, however they are
// given.
void NavigationTest::backAndForwardKeepTheScroll_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Alt+Left, Alt+Right") << "keys";
    QTest::newRow("the mouse's side buttons") << "mouse";
}

void NavigationTest::backAndForwardKeepTheScroll()
{
    QFETCH(QString, how);
    installDictionary();
    Window w("water");
    QVERIFY(w.shows("water"));
    QScrollBar *bar = w.view->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 2 * bar->pageStep());
    QTest::keyClick(w.edit, Qt::Key_PageDown);
    QTest::keyClick(w.edit, Qt::Key_PageDown);
    const int left = bar->value();
    QVERIFY(left > 0);
    w.edit->setText("fire");
    QTest::keyClick(w.edit, Qt::Key_Return);
    QVERIFY(w.shows("fire"));
    // The newer page scrolled too: Forward brings it back there.
    QTRY_VERIFY(bar->maximum() > bar->pageStep());
    QTest::keyClick(w.edit, Qt::Key_PageDown);
    const int newer = bar->value();
    QVERIFY(newer > 0 && newer != left);
    for (const bool back : {true, false, true, false}) {
        if (how == "keys")
            QTest::keyClick(w.edit, back ? Qt::Key_Left : Qt::Key_Right, Qt::AltModifier);
        else
            QTest::mousePress(w.view->viewport(), back ? Qt::BackButton : Qt::ForwardButton);
        QVERIFY(w.shows(back ? "water" : "fire"));
        QTRY_COMPARE(bar->value(), back ? left : newer);
    }
}

// Back leads as far as the oldest of the pages kept.
void NavigationTest::historyKeepsTheNewestPages()
{
    History history;
    QStringList words;
    for (int i = 0; i < History::capacity + 5; ++i) {
        words << QString("w%1").arg(i);
        history.enter({words.last(), QString()});
    }
    QCOMPARE(history.words(), words.mid(5));
    while (history.canGoBack())
        history.back();
    QCOMPARE(history.onDisplay().word, QString("w5"));
}

void NavigationTest::doubleClickLooksUp_data()
{
    QTest::addColumn<QString>("clicked"); // at its second character
    QTest::addColumn<QString>("word");
    QTest::newRow("among Japanese") << "river"
                                    << "river";
    QTest::newRow("a hyphen inside") << "known"
                                     << "well-known";
    QTest::newRow("Japanese") << "水、"
                              << "水";
}

void NavigationTest::doubleClickLooksUp()
{
    QFETCH(QString, clicked);
    QFETCH(QString, word);
    installDictionary();
    Window w("water");
    QVERIFY(w.shows("water"));
    QTextCursor cursor(w.view->document());
    cursor.setPosition(int(w.view->toPlainText().indexOf(clicked)) + 1);
    QTest::mouseDClick(w.view->viewport(), Qt::LeftButton, Qt::NoModifier,
                       w.view->cursorRect(cursor).center());
    QCOMPARE(w.edit->text(), word);
    QCOMPARE(w.view->textCursor().selectedText(), word);
    // The word it was found on enters first.
    QCOMPARE(w.history(), (QStringList{"water", word}));
}

void NavigationTest::startShowsLastWordOrWhatToDo()
{
    {
        Window w;
        QVERIFY(w.view->toPlainText().startsWith("No dictionary is installed."));
        installDictionary();
        closeDialog();
        w.action("actionPreferences")->trigger();
        QVERIFY(w.showsFirstView());
        w.edit->setText("fire");
        QVERIFY(w.window.close());
    }
    closeDefaultConnection();
    {
        // On by default; the word enters the history.
        Window w;
        QVERIFY(w.shows("fire"));
        QCOMPARE(w.history(), QStringList{"fire"});
        w.action("actionShowLastWord")->trigger();
        QVERIFY(w.window.close());
    }
    closeDefaultConnection();
    QCOMPARE(Window().edit->text(), QString());
    QVERIFY(Window(" \tearth\n").shows("earth"));
}

void NavigationTest::punctuationAroundAWordFromOutsideGoes_data()
{
    QTest::addColumn<QString>("text"); // given on the command line or selected
    QTest::addColumn<QString>("word");
    const auto row = [](const char *name, const char *text, const char *word) {
        QTest::newRow(name) << QString(text) << QString(word);
    };
    row("a comma", "apple,", "apple");
    row("straight quotes", "\"water\"", "water");
    row("curly quotes", "“water”", "water");
    row("single quotes and a full stop", "'water'.", "water");
    row("brackets", "[(water)]", "water");
    row("colon, semicolon, ! and ?", ":water;!?", "water");
    row("quotes in quotes, spaces", " « ‘water’ » ", "water");
    row("Japanese brackets and comma", "「水」、", "水");
    row("Japanese double brackets and full stop", "『水』。", "水");
    row("full-width brackets and !", "（水）！", "水");
    row("a phrase", "\"look up,\"", "look up");
    row("an apostrophe inside", "don't.", "don't");
    row("an abbreviation's stops", "(U.S.),", "U.S.");
    row("a hyphen and a percent sign belong", "-ism 100%", "-ism 100%");
    row("nothing but punctuation", "?!", "?!");
}

void NavigationTest::punctuationAroundAWordFromOutsideGoes()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    // At start (orvel WORD, orvel --selection), and handed to a running one.
    Window w(text);
    QCOMPARE(w.edit->text(), word);
    w.edit->clear();
    w.window.showFromOutside(text);
    QCOMPARE(w.edit->text(), word);
    // A word typed keeps all it has; the last word at the next start too.
    w.edit->setText(text.trimmed());
    QVERIFY(w.window.close());
    closeDefaultConnection();
    QCOMPARE(Window().edit->text(), text.trimmed());
}

void NavigationTest::pageFollowsDictionariesThatCameOrWent()
{
    Window w;
    w.edit->setText("fire");
    QTRY_VERIFY_WITH_TIMEOUT(w.view->toPlainText().startsWith("No dictionary is installed."),
                             TestUtil::waitTimeout);
    // Added while Preferences was open: the word's page, without a new visit.
    closeDialog([](QWidget *) { installDictionary(); });
    w.action("actionPreferences")->trigger();
    QVERIFY(w.shows("fire"));
    QCOMPARE(w.history(), QStringList());
    // Nothing changed: the page stays as it is, scrolled where it was.
    const QPointer<QTextDocument> shown = w.view->document();
    closeDialog();
    w.action("actionPreferences")->trigger();
    QTest::qWait(300);
    QVERIFY(shown && w.view->document() == shown);
    // Removed from a terminal, while that had the focus: seen on coming back.
    QWidget terminal;
    terminal.show();
    terminal.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&terminal));
    QCOMPARE(TestUtil::cli({"--database", Database::path(), "remove"}).exit, 0);
    w.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QTRY_VERIFY_WITH_TIMEOUT(w.view->toPlainText().startsWith("No dictionary is installed."),
                             TestUtil::waitTimeout);
}

void NavigationTest::positionRestoredOnlyOnAScreen_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("restored");
    QTest::newRow("on the screen") << QVariant(QPoint(100, 80)) << true;
    QTest::newRow("half off its edge") << QVariant(QPoint(-300, 80)) << true;
    QTest::newRow("on a screen gone") << QVariant(QPoint(5000, 80)) << false;
    QTest::newRow("not a point") << QVariant("100 80") << false;
}

void NavigationTest::positionRestoredOnlyOnAScreen()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, restored);
    QSettings().setValue("Window/position", stored);
    {
        WindowFixture w;
        QCOMPARE(w.window.pos() == stored.toPoint() && w.window.pos() != QPoint(), restored);
        w.window.show();
        w.window.move(120, 90);
        QVERIFY(w.window.close());
    }
    QCOMPARE(QSettings().value("Window/position").toPoint(), QPoint(120, 90));
}

// The mouse's back and forward buttons, pressed on widgets that take every
// press for themselves and on one that leaves it to the window.
void NavigationTest::sideButtonsFromAnywhere_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("the field") << "searchEdit";
    QTest::newRow("the list") << "wordList";
    QTest::newRow("the page's scroll bar") << "scrollBar";
    QTest::newRow("the menu bar") << "menuBar";
    QTest::newRow("the status bar") << "statusBar";
}

void NavigationTest::sideButtonsFromAnywhere()
{
    QFETCH(QString, where);
    installDictionary();
    Window w("fire");
    QVERIFY(w.shows("fire"));
    w.window.lookUp("water");
    QVERIFY(w.shows("water"));
    QWidget *widget = where == "scrollBar"  ? w.view->verticalScrollBar()
                      : where == "wordList" ? w.list->viewport()
                                            : w.window.findChild<QWidget *>(where);
    QTRY_VERIFY_WITH_TIMEOUT(widget->isVisible(), TestUtil::waitTimeout);
    QTest::mousePress(widget, Qt::BackButton, {}, QPoint(2, 2));
    QVERIFY(w.shows("fire"));
    QTest::mousePress(widget, Qt::ForwardButton, {}, QPoint(2, 2));
    QVERIFY(w.shows("water"));
}

// A key pressed in the widget named, the page scrolled to `from`; then the
// field has the focus, its text and selection, and the page is at `to`
// ("page": one page down from the top, "up": one page up from the bottom).
void NavigationTest::keysFromAnywhere_data()
{
    for (const char *column : {"keys", "focus", "from", "text", "selected", "to"})
        QTest::addColumn<QString>(column);
    const auto row = [](const char *keys, const char *focus, const char *from, const char *text,
                        const char *selected, const char *to) {
        QTest::newRow(qPrintable(QString(keys) + " in " + focus))
            << keys << focus << from << text << selected << to;
    };
    row("Esc", "searchEdit", "top", "", "", "top");
    row("Esc", "textBrowser", "top", "", "", "top");
    row("Ctrl+L", "textBrowser", "top", "water", "water", "top");
    row("F6", "textBrowser", "top", "water", "water", "top");
    row("PgDown", "searchEdit", "top", "water", "", "page");
    row("PgUp", "searchEdit", "bottom", "water", "", "up");
    row("Ctrl+End", "searchEdit", "top", "water", "", "bottom");
    row("Ctrl+Home", "searchEdit", "bottom", "water", "", "top");
    // Up and Down stay the field's own.
    row("Down", "searchEdit", "top", "water", "", "top");
}

void NavigationTest::keysFromAnywhere()
{
    QFETCH(QString, keys);
    QFETCH(QString, focus);
    QFETCH(QString, from);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    QFETCH(QString, to);
    installDictionary();
    Window w("water");
    QVERIFY(w.shows("water"));
    QScrollBar *bar = w.view->verticalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 2 * bar->pageStep(), TestUtil::waitTimeout);
    const QHash<QString, int> place{{"top", 0},
                                    {"bottom", bar->maximum()},
                                    {"page", bar->pageStep()},
                                    {"up", bar->maximum() - bar->pageStep()}};
    bar->setValue(place[from]);
    w.window.findChild<QWidget *>(focus)->setFocus();
    QTest::keySequence(QApplication::focusWidget(), QKeySequence(keys));
    QCOMPARE(QApplication::focusWidget(), w.edit);
    QCOMPARE(w.edit->text(), text);
    QCOMPARE(w.edit->selectedText(), selected);
    QCOMPARE(bar->value(), place[to]);
    // Cleared as Delete clears: the view shows what to type, and the title
    // is the program's.
    QCOMPARE(w.showsFirstView(), text.isEmpty());
    QCOMPARE(w.window.windowTitle(), text.isEmpty() ? "Orvel" : "\u2068" + text + "\u2069 - Orvel");
}

void NavigationTest::zoomComesBackToTheChosenSize()
{
    QSettings().setValue("Preferences/fontSize", 12);
    {
        // Ctrl+= as Ctrl++; Ctrl+0 back to the size stored before any choice.
        Window w;
        for (const char *keys : {"Ctrl+=", "Ctrl++", "Ctrl+0", "Ctrl+="})
            QTest::keySequence(&w.window, QKeySequence(keys));
        QCOMPARE(w.view->font().pointSize(), 13);
        // Alt+E opens Edit, as every menu opens by its mnemonic.
        QTest::keyClick(w.edit, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget(), TestUtil::waitTimeout);
        QCOMPARE(QApplication::activePopupWidget()->objectName(), QString("menuEdit"));
        QApplication::activePopupWidget()->close();
        // A size chosen in Preferences is the one to come back to.
        closeDialog(
            [](QWidget *dialog) { dialog->findChild<QSpinBox *>("sizeBox")->setValue(20); });
        w.action("actionPreferences")->trigger();
        w.action("actionSmaller")->trigger();
        QCOMPARE(w.view->font().pointSize(), 19);
        QVERIFY(w.window.close());
    }
    closeDefaultConnection();
    // The choice is kept across a restart.
    Window w;
    QCOMPARE(w.view->font().pointSize(), 19);
    QTest::keySequence(&w.window, QKeySequence("Ctrl+0"));
    QCOMPARE(w.view->font().pointSize(), 20);
}

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
