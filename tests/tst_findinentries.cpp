// Find in Entries, driven as a user drives it: the toggle, typing, the
// rows and their count, scrolling, Enter and clicks, Back and Forward, and
// a newer text winning over an older one; rows and pages checked against a
// slow reading of a generated file.
#include "database/database.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "mainwindow/entrylistmodel.h"
#include "mainwindow/foundlinedelegate.h"
#include "slowreading.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>

#include <memory>

namespace {

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

// A main window as the program starts it, shown, the keyboard in the
// search field.
struct Window : WindowFixture
{
    QAction *toggle = action("actionFindInEntries");
    QLabel *count = child<QLabel>("entryCountLabel");

    Window()
    {
        QVERIFY(showAndActivate());
        edit->setFocus();
    }
    // The lines the list shows (each row's tooltip), whatever it lists.
    QStringList lines() const
    {
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown << list->model()->index(row, 0).data(Qt::ToolTipRole).toString();
        return shown;
    }
    // Searches for `text` in entries and waits for its count.
    bool find(const QString &text, qsizetype found)
    {
        if (!toggle->isChecked())
            toggle->trigger();
        edit->setText(text);
        const QString summary =
            found == 1 ? QString("1 entry") : QLocale().toString(found) + " entries";
        return QTest::qWaitFor([&] { return count->text() == summary; }, TestUtil::waitTimeout);
    }
    // Scrolls to the end until the list holds `rows` rows.
    bool scrollTo(qsizetype rows)
    {
        return QTest::qWaitFor(
            [&] {
                list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
                return list->model()->rowCount() >= rows;
            },
            TestUtil::waitTimeout);
    }
};

} // namespace

class FindInEntriesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Slow> slow;
    std::unique_ptr<SlowGrep> slowGrep;
    QString file;
    const int batch = EntryListModel::batch;

    // The lines of the slow reading's rows.
    QStringList found(const QString &text, qsizetype most = -1) const
    {
        QStringList lines;
        for (const QString &row : slowGrep->grep(text))
            lines << row.section(u'\t', 1);
        return lines.mid(0, most);
    }

private slots:
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void initTestCase()
    {
        QByteArray bytes = Generator::generate({4000, false, 21});
        const QString M = QString(Eijiro::marker);
        for (const QString &line :
             {M + "Ｗａｔｅｒ : 全角の水", M + "水 : water, <b>", M + "%1 : 見積もり"})
            bytes += Generator::toShiftJis(line) + "\n";
        file = TestUtil::writeBytes(TestUtil::makeDir("dict") + "/dict.txt", bytes);
        slow = std::make_unique<Slow>(file);
        slowGrep = std::make_unique<SlowGrep>(*slow);
        QVERIFY(QDir().mkpath(QFileInfo(Database::path()).path()));
        QVERIFY(TestUtil::openFreshDatabase(Database::path()));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        TestUtil::closeDefaultConnection();
    }

    void init() { QSettings().clear(); }

    void theToggleReplacesTheWordList_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Ctrl+Shift+F") << "keys";
        QTest::newRow("the button") << "button";
        QTest::newRow("the menu") << "menu";
    }

    // On, the lines found in place of the words and their count; off, the
    // words again. It shows the list even where the list was hidden, and
    // hides it again when turned off.
    void theToggleReplacesTheWordList()
    {
        QFETCH(QString, how);
        Window w;
        w.action("actionWordList")->trigger();
        QTest::keyClicks(w.edit, "wat");
        const auto toggle = [&] {
            if (how == "keys")
                QTest::keyClick(w.edit, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
            else if (how == "button")
                QTest::mouseClick(w.child<QToolButton>("findInEntriesButton"), Qt::LeftButton);
            else
                w.toggle->trigger();
        };
        toggle();
        QVERIFY(w.toggle->isChecked() && w.list->isVisible() && w.count->isVisible());
        const QStringList expected = found("wat");
        QTRY_COMPARE_WITH_TIMEOUT(w.count->text(), QLocale().toString(expected.size()) + " entries",
                                  TestUtil::waitTimeout);
        QCOMPARE(w.lines(), expected.mid(0, batch));
        QCOMPARE(QApplication::focusWidget(), w.edit);
        toggle();
        QVERIFY(!w.toggle->isChecked() && !w.count->isVisible());
        QVERIFY(!w.action("actionWordList")->isChecked() && !w.list->isVisible());
        w.action("actionWordList")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.rows(), slow->list("wat", 60), TestUtil::waitTimeout);
    }

    // Tab goes from the field to the button, whose focus shows and whose
    // tooltip names its key, then to the list, which shows a current row;
    // each new text's lines start at the top.
    void keyboardAndNewTexts()
    {
        Window w;
        QTest::keyClicks(w.edit, "th");
        QTRY_VERIFY_WITH_TIMEOUT(!w.rows().isEmpty(), TestUtil::waitTimeout);
        auto *button = w.child<QToolButton>("findInEntriesButton");
        QVERIFY(
            button->toolTip().contains(w.toggle->shortcut().toString(QKeySequence::NativeText)));
        const QImage unfocused = button->grab().toImage();
        QTest::keyClick(w.edit, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button);
        QVERIFY(button->grab().toImage() != unfocused);
        QTest::keyClick(button, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.list);
        QVERIFY(w.list->currentIndex().isValid());

        QVERIFY(w.find("th", found("th").size()));
        QVERIFY(w.scrollTo(2 * batch));
        QVERIFY(w.list->verticalScrollBar()->value() > 0);
        QVERIFY(found("the").size() > batch);
        QVERIFY(w.find("the", found("the").size()));
        QTRY_COMPARE(w.list->verticalScrollBar()->value(), 0);
    }

    // A row shows its first match at any width: moved left only as far as
    // it takes, the match a third into the row, the line's end not before
    // the row's.
    void theMatchShowsAtAnyWidth_data()
    {
        QTest::addColumn<qreal>("start");
        QTest::addColumn<qreal>("end");
        QTest::addColumn<qreal>("line");
        QTest::addColumn<qreal>("shift");
        // A row 90 wide.
        QTest::newRow("fits") << 10.0 << 80.0 << 400.0 << 0.0;
        QTest::newRow("ends at the edge") << 60.0 << 90.0 << 400.0 << 0.0;
        QTest::newRow("beyond the edge") << 150.0 << 160.0 << 400.0 << 120.0;
        QTest::newRow("near the line's end") << 380.0 << 390.0 << 400.0 << 310.0;
        QTest::newRow("wider than the row") << 100.0 << 300.0 << 400.0 << 70.0;
    }
    void theMatchShowsAtAnyWidth()
    {
        QFETCH(qreal, start);
        QFETCH(qreal, end);
        QFETCH(qreal, line);
        QFETCH(qreal, shift);
        QCOMPARE(FoundLineDelegate::shift(start, end, line, 90), shift);
    }

    void rowsFollowTheSlowReading_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString text : {"水", "意味", "th", "The", "ｗａｔ", "<b>", "%1", "zzqq"})
            QTest::newRow(qPrintable(text)) << text;
        QTest::newRow("a lone surrogate") << QString(QChar(0xD800));
        QTest::newRow("10,000 characters") << QString(10000, u'a');
    }

    // In file order, all of them as the list is scrolled, each with its
    // entry word and the text marked where the row shows it.
    void rowsFollowTheSlowReading()
    {
        QFETCH(QString, text);
        Window w;
        const QStringList expected = found(text, 3 * batch);
        QVERIFY(w.find(text, found(text).size()));
        QVERIFY(w.scrollTo(expected.size()));
        QCOMPARE(w.lines().mid(0, expected.size()), expected);
        for (int row = 0; row < qMin(20, int(expected.size())); ++row) {
            const QModelIndex index = w.list->model()->index(row, 0);
            const QString shown = index.data().toString();
            QVERIFY(shown.startsWith(slowGrep->grep(text)[row].section(u'\t', 0, 0) + "  "));
            QCOMPARE(index.data(EntryListModel::MarksRole).toList().isEmpty(),
                     !shown.contains(text, Qt::CaseInsensitive));
        }
    }

    void enterOrClickShowsTheEntryMarked_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("Enter") << false;
        QTest::newRow("click") << true;
    }

    // The page of the line's entry word, the text marked on it; the field
    // keeps the text. Back and Forward come back to it, the lines found
    // with it, from a word typed after it.
    void enterOrClickShowsTheEntryMarked()
    {
        QFETCH(bool, click);
        Window w;
        QVERIFY(w.find("見積", 1));
        QTRY_COMPARE_WITH_TIMEOUT(w.lines(), found("見積"), TestUtil::waitTimeout);
        if (click) {
            const QRect rect = w.list->visualRect(w.list->model()->index(0, 0));
            QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, rect.center());
        } else {
            QTest::keyClick(w.edit, Qt::Key_Down);
            QTest::keyClick(w.edit, Qt::Key_Return);
        }
        const QString page = plainText(slow->page("%1"));
        const auto marked = [&w] {
            const QList<QTextEdit::ExtraSelection> marks = w.view->extraSelections();
            return marks.size() == 1 && marks.first().cursor.selectedText() == "見積";
        };
        QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), page, TestUtil::waitTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(marked(), TestUtil::waitTimeout);
        QCOMPARE(w.edit->text(), QString("見積"));

        w.toggle->trigger();
        w.edit->setText("水");
        QTest::keyClick(w.edit, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(w.shows("水"), TestUtil::waitTimeout);
        QVERIFY(w.view->extraSelections().isEmpty());
        QCOMPARE(w.window.history().words(), QStringList({"%1", "水"}));
        w.action("actionBack")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), page, TestUtil::waitTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(marked(), TestUtil::waitTimeout);
        QVERIFY(w.toggle->isChecked());
        QCOMPARE(w.edit->text(), QString("見積"));
        QTRY_COMPARE_WITH_TIMEOUT(w.lines(), found("見積"), TestUtil::waitTimeout);
        w.action("actionForward")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.shows("水"), TestUtil::waitTimeout);
        QVERIFY(!w.toggle->isChecked());
    }

    void aNewerTextWins_data()
    {
        QTest::addColumn<QString>("keys");      // "\b" is Backspace
        QTest::addColumn<QString>("finishing"); // the searches, as they were asked
        QTest::newRow("the newer first") << "th"
                                         << "10";
        QTest::newRow("in order") << "th"
                                  << "01";
        QTest::newRow("emptied while on its way") << "t\b"
                                                  << "0";
    }

    // Whichever search ends first, the list ends with the rows and the
    // count of the text in the field.
    void aNewerTextWins()
    {
        QFETCH(QString, keys);
        QFETCH(QString, finishing);
        Window w;
        w.toggle->trigger();
        w.holdLists = true;
        // QTest types "\b" as Backspace.
        for (const QChar key : keys)
            QTest::keyClick(w.edit, key.toLatin1());
        QCOMPARE(w.lists.size(), finishing.size());
        for (const QChar search : finishing)
            QVERIFY(WindowFixture::release(w.lists.at(search.digitValue())));
        w.holdLists = false;
        const QString text = w.edit->text();
        QCOMPARE(w.lines(), text.isEmpty() ? QStringList() : found(text, batch));
        QCOMPARE(w.count->text(),
                 text.isEmpty() ? QString() : QLocale().toString(found(text).size()) + " entries");
    }

    // Last: it changes the dictionary file. The list says what failed.
    void aChangedFileSaysSoInTheList()
    {
        TestUtil::writeBytes(file, TestUtil::readBytes(file) + "\n");
        Window w;
        w.toggle->trigger();
        w.edit->setText("th");
        QTRY_COMPARE_WITH_TIMEOUT(w.count->text(), QString("The search failed."),
                                  TestUtil::waitTimeout);
        QCOMPARE(w.list->model()->rowCount(), 1);
        QVERIFY(w.rows().constFirst().contains("Rebuild its index"));
    }
};

QTEST_MAIN(FindInEntriesTest)
#include "tst_findinentries.moc"
