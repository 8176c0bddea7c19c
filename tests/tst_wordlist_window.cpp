// The word list beside the result view, driven as a user drives it: typing,
// Up and Down in the search field, Enter, clicks, scrolling, Back, the View
// menu; rows and pages checked against a slow reading of a generated file.

#include "database/database.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "mainwindow/wordlistmodel.h"
#include "slowreading.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QSqlQuery>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <memory>

namespace {

// Types as a user does: ASCII on the keyboard, the rest committed by an
// input method.
void type(QWidget *field, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(c);
            QApplication::sendEvent(field, &commit);
        }
    }
}

// A main window as the program starts it, shown, the keyboard in the
// search field.
struct Window : WindowFixture
{
    QAction *toggle = action("actionWordList");

    Window()
    {
        QVERIFY(showAndActivate());
        edit->setFocus();
    }
    // Types `text` into the emptied field and waits for its list.
    bool typeAndList(const QString &text, const QStringList &expected)
    {
        edit->clear();
        type(edit, text);
        return QTest::qWaitFor([&] { return rows() == expected; }, TestUtil::waitTimeout);
    }
};

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

} // namespace

class WordListWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Slow> slow;
    const int batch = WordListModel::batch;
    // The first keys of a phrase and of a longer single word.
    QString phrase, word;

private slots:
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void initTestCase()
    {
        QByteArray bytes = Generator::generate({4000, false, 21});
        const QString M = QString(Eijiro::marker);
        for (const QString &line :
             {M + "Ｗａｔｅｒ : 全角", M + "水 : water", M + "水  {名} : 水分"})
            bytes += Generator::toShiftJis(line) + "\n";
        const QString file = TestUtil::writeBytes(TestUtil::makeDir("dict") + "/dict.txt", bytes);
        slow = std::make_unique<Slow>(file);
        for (const QString &key : std::as_const(slow->keys)) {
            if (phrase.isEmpty() && key.contains(' '))
                phrase = key;
            if (word.isEmpty() && key.size() > 3 && !key.contains(' '))
                word = key;
        }
        QVERIFY(!phrase.isEmpty() && !word.isEmpty());
        QVERIFY(QDir().mkpath(QFileInfo(Database::path()).path()));
        QVERIFY(TestUtil::openFreshDatabase(Database::path()));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        TestUtil::closeDefaultConnection();
    }

    void init() { QSettings().clear(); }

    void typingListsFromTheTypedKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a letter") << "a";
        QTest::newRow("lower case, upper-case keys") << slow->shown[phrase].toLower();
        QTest::newRow("into a phrase") << slow->shown[phrase].left(phrase.indexOf(' ') + 2);
        QTest::newRow("between two keys") << slow->keys.at(100) + "~";
        QTest::newRow("full width") << "Ｗａ";
        QTest::newRow("Japanese") << "水";
        QTest::newRow("past the last key") << QString(QChar(0xFFFD));
    }

    void typingListsFromTheTypedKey()
    {
        QFETCH(QString, text);
        Window w;
        const QStringList expected = slow->list(text, batch);
        QVERIFY(w.typeAndList(text, expected));
        // As many as fill the list, unless the dictionary ends first.
        if (!expected.isEmpty() && expected.size() == batch)
            QVERIFY(w.list->visualRect(w.list->model()->index(batch - 1, 0)).top() >
                    w.list->viewport()->height());
        QCOMPARE(w.edit->text(), text);
        QCOMPARE(QApplication::focusWidget(), w.edit);
        // Emptying the field empties the list.
        w.edit->clear();
        QTRY_VERIFY_WITH_TIMEOUT(w.rows().isEmpty(), TestUtil::waitTimeout);
    }

    void upAndDownShowTheRowAtOnce_data()
    {
        QTest::addColumn<QString>("keys"); // D: Down, U: Up
        QTest::addColumn<bool>("inList");  // pressed in the list after a click on its first row
        QTest::addColumn<bool>("rules");   // View > Find What I Mean
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("shown"); // the row whose page is shown; -1: the typed text's
        // A new list's current row is the typed text's entry's, or none
        // (-2 below), yet not chosen.
        QTest::newRow("none yet") << "" << false << true << -2 << -1;
        QTest::newRow("Down to the first") << "D" << false << true << 0 << 0;
        QTest::newRow("Up stays") << "U" << false << true << -2 << -1;
        QTest::newRow("down and back") << "DDDU" << false << true << 1 << 1;
        QTest::newRow("Up stops at the top") << "DDUUU" << false << true << 0 << 0;
        QTest::newRow("in the list") << "DDU" << true << true << 1 << 1;
        QTest::newRow("without the rules") << "DDD" << false << false << 2 << -1;
        QTest::newRow("without the rules, in the list") << "DDU" << true << false << 1 << 0;
    }

    void upAndDownShowTheRowAtOnce()
    {
        QFETCH(QString, keys);
        QFETCH(bool, inList);
        QFETCH(bool, rules);
        QFETCH(int, row);
        QFETCH(int, shown);
        Window w;
        w.action("actionFindWhatIMean")->setChecked(rules);
        QVERIFY(w.typeAndList("b", slow->list("b", batch)));
        // The list may come before the typed word's page: wait for both.
        Page typed;
        if (rules)
            SearchThread::findWhatIMean("b", &typed);
        else
            SearchThread::lookUp("b", &typed);
        QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), plainText(PageHtml::write(typed)),
                                  TestUtil::waitTimeout);
        QWidget *keysTo = w.edit;
        if (inList) {
            QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {},
                              w.list->visualRect(w.list->model()->index(0, 0)).center());
            // Its page takes the keyboard back to the field as it comes.
            QTRY_COMPARE_WITH_TIMEOUT(w.pagesRunning(), 0, TestUtil::waitTimeout);
            keysTo = w.list;
            keysTo->setFocus();
        }
        const qsizetype asked = w.pages.size();
        if (row == -2)
            row = int(w.rows().indexOf(typed.firstEntryWord()));
        for (const QChar key : keys)
            QTest::keyClick(keysTo, key == 'D' ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(w.currentRow(), row);
        QCOMPARE(QApplication::focusWidget(), keysTo);
        QCOMPARE(w.edit->text(), QString("b"));
        // Without Enter, the current row's entry; without the rules, only
        // the row picked by the click.
        QTRY_COMPARE_WITH_TIMEOUT(w.pagesRunning(), 0, TestUtil::waitTimeout);
        if (!rules)
            QCOMPARE(w.pages.size(), asked);
        const QString page =
            shown < 0 ? PageHtml::write(typed) : slow->page(w.rows()[shown].toUpper());
        QCOMPARE(w.view->toPlainText(), plainText(page));
        QCOMPARE(w.edit->text(), QString("b"));
    }

    // Down held: a look-up per row, finishing in any order; only the last
    // row's page may stay.
    void movingFastEndsOnTheLastRow_data()
    {
        QTest::addColumn<QList<int>>("finishing");
        QTest::newRow("the newest first") << QList<int>{2, 1, 0};
        QTest::newRow("in order") << QList<int>{0, 1, 2};
        QTest::newRow("the newest in between") << QList<int>{1, 2, 0};
    }

    void movingFastEndsOnTheLastRow()
    {
        QFETCH(QList<int>, finishing);
        Window w;
        QVERIFY(w.typeAndList("b", slow->list("b", batch)));
        QTRY_COMPARE_WITH_TIMEOUT(w.pagesRunning(), 0, TestUtil::waitTimeout);
        w.holdPages = true;
        const qsizetype before = w.pages.size();
        for (int i = 0; i < finishing.size(); ++i)
            QTest::keyClick(w.edit, Qt::Key_Down);
        QCOMPARE(w.pages.size() - before, finishing.size());
        const QString last = plainText(slow->page(w.rows()[finishing.size() - 1].toUpper()));
        for (const int index : finishing) {
            QVERIFY(WindowFixture::release(w.pages.at(before + index)));
            // Once the last row's page is in, it stays.
            if (index == finishing.size() - 1)
                QCOMPARE(w.view->toPlainText(), last);
        }
        QCOMPARE(w.view->toPlainText(), last);
        QCOMPARE(w.edit->text(), QString("b"));
    }

    void enterOrClickShowsTheEntry_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("click");
        for (const bool click : {false, true}) {
            const char *how = click ? "click" : "Enter";
            QTest::addRow("%s, phrase", how) << phrase << click;
            QTest::addRow("%s, word", how) << word << click;
            QTest::addRow("%s, Japanese", how) << QString("水") << click;
        }
    }

    void enterOrClickShowsTheEntry()
    {
        QFETCH(QString, key);
        QFETCH(bool, click);
        QVERIFY(!key.isEmpty());
        Window w;
        const QString shown = slow->shown[key];
        // Typed short of the whole word, the entry is a few rows down.
        const QString typed = shown.size() > 1 ? shown.chopped(1) : shown;
        QVERIFY(w.typeAndList(typed, slow->list(typed, batch)));
        const int row = int(w.rows().indexOf(shown));
        QVERIFY(row >= 0);
        if (click) {
            const QRect rect = w.list->visualRect(w.list->model()->index(row, 0));
            QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, rect.center());
        } else {
            for (int i = 0; i <= row; ++i)
                QTest::keyClick(w.edit, Qt::Key_Down);
            QTest::keyClick(w.edit, Qt::Key_Return);
        }
        const QString page = plainText(slow->page(key));
        QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), page, TestUtil::waitTimeout);
        QCOMPARE(w.edit->text(), typed);
        QCOMPARE(w.window.windowTitle(), "\u2068" + shown + "\u2069 - Orvel");
        QCOMPARE(QApplication::focusWidget(), w.edit);

        // Back from a typed word brings the picked entry's page (a phrase has
        // no typed word's page), Forward the typed word's again. A word typed
        // whole and then picked is one visit.
        const QString other = slow->shown[key == word ? QString("水") : word];
        w.edit->clear();
        type(w.edit, other);
        QTest::keyClick(w.edit, Qt::Key_Return);
        QStringList visits = w.window.history().words();
        // The typed part enters too if its own page stayed a second on display.
        if (typed != shown && visits.size() == 3 && visits.first() == typed)
            visits.removeFirst();
        QCOMPARE(visits, QStringList({shown, other}));
        QTest::keyClick(w.edit, Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), page, TestUtil::waitTimeout);
        QCOMPARE(w.edit->text(), shown);
        QCOMPARE(w.window.windowTitle(), "\u2068" + shown + "\u2069 - Orvel");
        QTest::keyClick(w.edit, Qt::Key_Right, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(w.edit->text(), other, TestUtil::waitTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(w.view->toPlainText().startsWith(other), TestUtil::waitTimeout);
    }

    void aStaleListNeverReplacesANewerOne_data()
    {
        QTest::addColumn<QStringList>("typing"); // "\b" is Backspace
        QTest::addColumn<QList<int>>("finishing");
        QTest::newRow("the newer first") << QStringList{"b", "o"} << QList<int>{1, 0};
        QTest::newRow("in order") << QStringList{"b", "o"} << QList<int>{0, 1};
        QTest::newRow("emptied while on its way") << QStringList{"b", "\b"} << QList<int>{0};
    }

    void aStaleListNeverReplacesANewerOne()
    {
        QFETCH(QStringList, typing);
        QFETCH(QList<int>, finishing);
        Window w;
        w.holdLists = true;
        for (const QString &keys : typing) {
            if (keys == "\b")
                QTest::keyClick(w.edit, Qt::Key_Backspace);
            else
                QTest::keyClicks(w.edit, keys);
        }
        const QString text = w.edit->text();
        QCOMPARE(w.lists.size(), finishing.size());
        for (const int index : finishing)
            QVERIFY(WindowFixture::release(w.lists.at(index)));
        w.holdLists = false;
        QCOMPARE(w.rows(), slow->list(text, text.isEmpty() ? 0 : batch));
    }

    void scrollingLoadsMore()
    {
        Window w;
        const QStringList all = slow->list("b", 3 * batch);
        QCOMPARE(all.size(), 3 * batch);
        QVERIFY(w.typeAndList("b", all.mid(0, batch)));
        QScrollBar *bar = w.list->verticalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0, TestUtil::waitTimeout);
        bar->setValue(bar->maximum());
        QTRY_COMPARE_WITH_TIMEOUT(w.rows(), all.mid(0, 2 * batch), TestUtil::waitTimeout);
        // Down at the last row asks for the next ones too.
        w.list->setCurrentIndex(w.list->model()->index(2 * batch - 2, 0));
        QTest::keyClick(w.edit, Qt::Key_Down);
        QTRY_COMPARE_WITH_TIMEOUT(w.rows(), all, TestUtil::waitTimeout);
        QCOMPARE(w.currentRow(), 2 * batch - 1);
    }

    void shownAndWidthKeptAcrossARestart_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("hidden") << false;
    }

    void shownAndWidthKeptAcrossARestart()
    {
        QFETCH(bool, shown);
        {
            Window w;
            QVERIFY(w.toggle->isChecked());
            w.splitter->setSizes({230, w.splitter->width() - 230});
            QTRY_COMPARE_WITH_TIMEOUT(w.splitter->sizes().constFirst(), 230, TestUtil::waitTimeout);
            if (!shown)
                w.toggle->trigger();
            w.window.close();
        }
        TestUtil::closeDefaultConnection();
        Window w;
        QCOMPARE(w.toggle->isChecked(), shown);
        QCOMPARE(w.list->isVisible(), shown);
        // A hidden list asks for nothing; shown again it lists the field's text.
        QTest::keyClicks(w.edit, "b");
        if (!shown) {
            QTest::qWait(100);
            QVERIFY(w.rows().isEmpty());
            w.toggle->trigger();
        }
        QTRY_COMPARE_WITH_TIMEOUT(w.rows(), slow->list("b", batch), TestUtil::waitTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(w.splitter->sizes().constFirst(), 230, TestUtil::waitTimeout);
    }

    // Last: it makes the database an old one.
    void anOldDatabaseSaysHowToGetPhrases()
    {
        for (const bool old : {false, true}) {
            if (old) {
                QVERIFY(TestUtil::openFreshDatabase(Database::path()));
                QVERIFY(QSqlQuery().exec("DROP TABLE t_entry"));
                TestUtil::closeDefaultConnection();
            }
            Window w;
            QLabel *note = w.window.findChild<QLabel *>("wordListNote");
            QVERIFY(w.typeAndList("b", slow->list("b", batch, old)));
            QCOMPARE(note->isVisible(), old);
            QVERIFY(!note->text().isEmpty());
            w.edit->clear();
            QTRY_VERIFY_WITH_TIMEOUT(!note->isVisible(), TestUtil::waitTimeout);
        }
    }
};

QTEST_MAIN(WordListWindowTest)
#include "tst_wordlist_window.moc"
