#include "testutil.h"
#include "windowfixture.h"

#include "database/dictionarysettings.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "preferences/optiondialog.h"
#include "preferences/rebuilddialog.h"
#include "preferences/renamedialog.h"
#include "preferences/viewsettings.h"
#include "wizard/dictionarywizard.h"

#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <memory>

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void addThroughWizard();
    void remove();
    void removeFromTheKeyboard();
    void failedRemoval_data();
    void failedRemoval();
    void failedRefresh();
    void rebuild_data();
    void rebuild();
    void fontControlsEditTheSettings();
    void arrange_data();
    void arrange();
    void windowFollowsEachChange();

private:
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *window = nullptr;
};

static bool exec(const QString &sql)
{
    QSqlQuery query;
    return query.exec(sql);
}

static QTableView *view(OptionDialog &dialog)
{
    return dialog.findChild<QTableView *>("dictionaryView");
}

static QPushButton *button(QWidget &parent, const char *name)
{
    return parent.findChild<QPushButton *>(name);
}

// The visible columns of the list, one "Name|File" string per row.
static QStringList listed(OptionDialog &dialog)
{
    QStringList out;
    const QAbstractItemModel *model = view(dialog)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, 1).data().toString() + "|" +
                   model->index(row, 2).data().toString();
    return out;
}

static void showDictionaryTab(OptionDialog &dialog)
{
    dialog.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

static void clickRow(OptionDialog &dialog, int row)
{
    QTableView *table = view(dialog);
    const QRect cell = table->visualRect(table->model()->index(row, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

// Clicks the check box of a row, where the style draws it.
static void clickCheckBox(OptionDialog &dialog, int row)
{
    QTableView *table = view(dialog);
    QStyleOptionViewItem option;
    option.initFrom(table->viewport());
    option.rect = table->visualRect(table->model()->index(row, 1));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box =
        table->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, table);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
}

// Presses Tab until `widget` has the focus within its window.
static void tabTo(QWidget *widget)
{
    QWidget *window = widget->window();
    for (int i = 0; i < 20 && window->focusWidget() != widget; ++i)
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), widget);
}

void TestPreferences::initTestCase()
{
    // The database is opened beside the window's settings, in the test's
    // home.
    fixture = std::make_unique<WindowFixture>();
    window = &fixture->window;
    QVERIFY(QSqlDatabase::database().isOpen());
}

void TestPreferences::init()
{
    QVERIFY(exec("DROP TRIGGER IF EXISTS refuse"));
    QVERIFY(exec("PRAGMA foreign_keys = OFF"));
    QVERIFY(exec("DROP TABLE IF EXISTS keeper"));
    QVERIFY(exec("DROP TABLE IF EXISTS t_installed"));
    QVERIFY(exec("DELETE FROM t_word"));
    QVERIFY(exec("DELETE FROM t_dictionary"));
    QVERIFY(exec("DELETE FROM m_dictionary WHERE id <> 1"));
}

void TestPreferences::addThroughWizard()
{
    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    QTableView *table = view(dialog);
    QCOMPARE(table->model()->rowCount(), 0);
    QCOMPARE(table->model()->headerData(1, Qt::Horizontal).toString(), QString("Name"));
    QCOMPARE(table->model()->headerData(2, Qt::Horizontal).toString(), QString("File"));
    QVERIFY(table->isColumnHidden(0));
    QVERIFY(!button(dialog, "removeButton")->isEnabled());

    // A cancelled wizard reloads the list as well: the database may have
    // changed meanwhile.
    whenModal<DictionaryWizard>(this, [](DictionaryWizard *wizard) {
        QVERIFY(exec("INSERT INTO t_dictionary VALUES (1, '/elsewhere.txt', '', 0)"));
        wizard->button(QWizard::CancelButton)->click();
    });
    button(dialog, "addButton")->click();
    QCOMPARE(listed(dialog), QStringList{"Eijiro|/elsewhere.txt"});
    QVERIFY(exec("DELETE FROM t_dictionary"));

    // A finished one reloads it, and so does a build that commits after the
    // wizard has closed, as one does when Cancel comes after it has read the
    // whole file. Another connection's write lock holds this one back.
    const QString file = TestUtil::makeDir("add") + "/eijiro.txt";
    QVERIFY(Generator::write(file, {2000, true, 9}));
    QSqlDatabase locker = QSqlDatabase::cloneDatabase(QSqlDatabase::database(), "locker");
    QVERIFY(locker.open());
    for (const bool finish : {true, false}) {
        QVERIFY(exec("DELETE FROM t_word"));
        QVERIFY(exec("DELETE FROM t_dictionary"));
        whenModal<DictionaryWizard>(this, [&](DictionaryWizard *wizard) {
            QTest::mouseClick(wizard->page(0)->findChild<QRadioButton *>(), Qt::LeftButton, {},
                              QPoint(6, 6));
            wizard->next();
            wizard->page(1)->findChild<QLineEdit *>("fileEdit")->setText(file);
            if (!finish) {
                QVERIFY(QSqlQuery(locker).exec("BEGIN IMMEDIATE"));
                wizard->button(QWizard::CommitButton)->click();
                return wizard->QDialog::reject(); // closes without a stop request
            }
            wizard->button(QWizard::CommitButton)->click();
            QTRY_COMPARE_WITH_TIMEOUT(wizard->page(2)->findChild<QProgressBar *>()->value(), 100,
                                      120000);
            wizard->next();
            wizard->button(QWizard::FinishButton)->click();
        });
        button(dialog, "addButton")->click();
        if (!finish)
            QVERIFY(QSqlQuery(locker).exec("ROLLBACK"));
        QTRY_COMPARE_WITH_TIMEOUT(listed(dialog), QStringList{"eijiro|" + file}, 60000);
        QCOMPARE(TestUtil::wordRows().size(), TestUtil::rowCount("t_word"));
    }
    QVERIFY(TestUtil::rowCount("t_word") > 0);
    locker = QSqlDatabase();
    QSqlDatabase::removeDatabase("locker");
}

// Dictionary 1 from a generated file, and a second type with one of its own.
static int installTwo()
{
    const QString file = TestUtil::makeDir("remove") + "/eijiro.txt";
    if (!Generator::write(file, {3000, false, 4}) ||
        TestUtil::install(file) != ConvertThread::Committed)
        return -1;
    exec("INSERT INTO m_dictionary (id, name) VALUES (2, 'Waeijiro')");
    exec("INSERT INTO t_dictionary VALUES (2, '/data/waeijiro.txt', '', 2)");
    exec("INSERT INTO t_word VALUES (2, 0, 'A'), (2, 40, 'B')");
    return TestUtil::rowCount("t_word");
}

static QStringList table(const QString &name)
{
    QStringList out;
    QSqlQuery query("SELECT * FROM " + name + " ORDER BY 1, 2");
    while (query.next())
        out << query.value(0).toString() + "," + query.value(1).toString();
    return out;
}

void TestPreferences::remove()
{
    const int words = installTwo();
    QVERIFY(words > 2);
    const QStringList types = table("m_dictionary");

    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    QCOMPARE(listed(dialog).size(), 2);
    const int row = listed(dialog)[0].startsWith("Eijiro|") ? 0 : 1;

    // No current row: nothing is asked and nothing deleted.
    bool asked = false;
    {
        QObject watch;
        whenModal<QMessageBox>(&watch, [&](QMessageBox *) { asked = true; });
        QVERIFY(QMetaObject::invokeMethod(&dialog, "on_removeButton_clicked"));
        QCoreApplication::processEvents();
    }
    QVERIFY(!asked);
    QCOMPARE(TestUtil::rowCount("t_word"), words);

    // From the keyboard alone: tabbing into the list makes its first row
    // current, which offers Remove as a click does.
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    tabTo(view(dialog));
    QVERIFY(button(dialog, "removeButton")->isEnabled());
    if (row == 1)
        QTest::keyClick(view(dialog), Qt::Key_Down);
    QCOMPARE(view(dialog)->currentIndex().row(), row);

    // Cancel and Escape change nothing.
    whenModal<QMessageBox>(this, [](QMessageBox *box) {
        QCOMPARE(box->text(), QString("Do you want to delete your dictionary?"));
        // Nobody need fear for the file.
        QVERIFY(box->informativeText().contains("the dictionary file itself stays where it is"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
        box->button(QMessageBox::Cancel)->click();
    });
    button(dialog, "removeButton")->click();
    whenModal<QMessageBox>(this, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    button(dialog, "removeButton")->click();
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(TestUtil::rowCount("t_word"), words);
    QCOMPARE(listed(dialog).size(), 2);

    // Ok removes exactly dictionary 1, its index and nothing else.
    whenModal<QMessageBox>(this, [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
    button(dialog, "removeButton")->click();
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(table("t_word"), QStringList({"2,0", "2,40"}));
    QCOMPARE(table("t_dictionary"), QStringList{"2,/data/waeijiro.txt"});
    QCOMPARE(table("m_dictionary"), types);
    QCOMPARE(listed(dialog), QStringList{"Waeijiro|/data/waeijiro.txt"});
    // The one that took its place is the current row.
    QCOMPARE(view(dialog)->currentIndex().row(), 0);
    QVERIFY(button(dialog, "removeButton")->isEnabled());
}

// End then Delete removes the last row's dictionary, the one highlighted,
// and says which it is beneath the question; the list shows whole paths as
// tooltips; Close closes.
void TestPreferences::removeFromTheKeyboard()
{
    QVERIFY(installTwo() > 2);
    QVERIFY(exec("INSERT INTO m_dictionary (id, name) VALUES (3, 'Third')"));
    QVERIFY(exec("INSERT INTO t_dictionary VALUES (3, '/data/third.txt', '', 3)"));
    QVERIFY(exec("INSERT INTO t_word VALUES (3, 0, 'C')"));
    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    QCOMPARE(view(dialog)->textElideMode(), Qt::ElideMiddle);
    const QStringList before = listed(dialog);
    QCOMPARE(before.size(), 3);
    const QModelIndex file = view(dialog)->model()->index(2, 2);
    QCOMPARE(file.data(Qt::ToolTipRole), file.data());
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    tabTo(view(dialog));
    QTest::keyClick(view(dialog), Qt::Key_End);
    QString asked;
    whenModal<QMessageBox>(this, [&asked](QMessageBox *box) {
        asked = box->text() + '\n' + box->informativeText();
        box->button(QMessageBox::Ok)->click();
    });
    // The key clicks the button as a click does, a moment later.
    QTest::keyClick(view(dialog), Qt::Key_Delete);
    QTRY_VERIFY(!asked.isEmpty());
    const QString last = before.last().section('|', 0, 0);
    QVERIFY2(asked.startsWith("Do you want to delete your dictionary?\n" + last + '\n'),
             qPrintable(asked));
    QCOMPARE(listed(dialog), before.mid(0, 2));
    dialog.findChild<QDialogButtonBox *>("closeButtons")->button(QDialogButtonBox::Close)->click();
    QVERIFY(!dialog.isVisible());
}

void TestPreferences::failedRemoval_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("index") << "t_word";
    QTest::newRow("dictionary") << "t_dictionary";
    // Both statements succeed; the commit finds a row still referring to
    // the dictionary.
    QTest::newRow("commit") << QString();
}

void TestPreferences::failedRemoval()
{
    QFETCH(QString, table);
    const int words = installTwo();
    QVERIFY(words > 2);
    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    // Only now: opening the connection again resets its pragmas.
    QVERIFY(table.isEmpty() ? exec("PRAGMA foreign_keys = ON") &&
                                  exec("CREATE TABLE keeper (id REFERENCES t_dictionary (id) "
                                       "DEFERRABLE INITIALLY DEFERRED)") &&
                                  exec("INSERT INTO keeper VALUES (1), (2)")
                            : exec("CREATE TRIGGER refuse BEFORE DELETE ON " + table +
                                   " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    clickRow(dialog, 0);
    MessageCapture messages;
    whenModal<QMessageBox>(this, [](QMessageBox *box) {
        // Meanwhile another program changes the database.
        QVERIFY(exec("UPDATE t_dictionary SET location = '/moved.txt' WHERE id = 2"));
        box->button(QMessageBox::Ok)->click();
    });
    button(dialog, "removeButton")->click();

    // Rolled back as a whole: the index rows deleted first are back too.
    // (Qt shows the executed text with its placeholder renamed to ":0".)
    QCOMPARE(messages.lines(QtDebugMsg).size(), 1);
    QVERIFY(messages.lines(QtDebugMsg)[0].startsWith(
        table.isEmpty() ? "QSqlDatabase::commit failed."
                        : "QSqlQuery::exec failed. \"DELETE FROM " + table + " WHERE id = :0\""));
    QCOMPARE(TestUtil::rowCount("t_word"), words);
    QCOMPARE(TestUtil::rowCount("t_dictionary"), 2);
    // The list shows what the database holds, and the dialog says why.
    QCOMPARE(listed(dialog).size(), 2);
    QVERIFY(listed(dialog).contains("Waeijiro|/moved.txt"));
    QVERIFY(dialog.findChild<QLabel *>("errorLabel")->isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

void TestPreferences::failedRefresh()
{
    const QString select =
        "SELECT t.id, m.name, t.location FROM t_dictionary t INNER JOIN m_dictionary m USING (id)";
    QVERIFY(exec("ALTER TABLE m_dictionary RENAME TO m_old"));
    QSqlQuery failing;
    QVERIFY(!failing.prepare(select));
    // SQLite's reason, not the vague one exec() would leave after it.
    const QString error = failing.lastError().text();
    {
        MessageCapture messages;
        OptionDialog dialog(window->viewSettings(), window);
        QCOMPARE(messages.lines(QtDebugMsg),
                 QStringList{"QSqlQuery::exec failed. \"" + select + "\" \"" + error + "\""});
        QVERIFY(!view(dialog)->model());
    }
    QVERIFY(exec("ALTER TABLE m_old RENAME TO m_dictionary"));
}

void TestPreferences::fontControlsEditTheSettings()
{
    QFontComboBox probe;
    QVERIFY(probe.count() > 1);
    const QString family = probe.itemText(probe.count() / 2);
    // No window: the dialog works on the settings it is given.
    ViewSettings settings;
    settings.setFont(QFont(family, 13));
    QSignalSpy changes(&settings, &ViewSettings::fontChanged);
    OptionDialog dialog(&settings);
    auto *sizeBox = dialog.findChild<QSpinBox *>("sizeBox");
    auto *familyBox = dialog.findChild<QFontComboBox *>("familyBox");
    QCOMPARE(sizeBox->value(), 13);
    QCOMPARE(familyBox->currentFont().family(), family);
    // Showing the font changes nothing.
    QCOMPARE(changes.count(), 0);

    // A new size keeps the family, a new family keeps the size, and a size
    // past the bound stops at it: one change each.
    const QString other = familyBox->itemText(familyBox->currentIndex() == 0 ? 1 : 0);
    sizeBox->setValue(21);
    familyBox->setCurrentIndex(familyBox->findText(other));
    sizeBox->setValue(ViewSettings::maximumFontSize + 1);
    QStringList seen;
    for (const QList<QVariant> &change : std::as_const(changes)) {
        const QFont font = change[0].value<QFont>();
        seen << font.family() + " " + QString::number(font.pointSize());
    }
    QCOMPARE(seen, (QStringList{family + " 21", other + " 21", other + " 72"}));
    QCOMPARE(settings.font().family(), other);
    QCOMPARE(settings.font().pointSize(), 72);
    // The settings keep the bounds themselves, with no view to do it.
    settings.setFont(QFont(family, 1));
    QCOMPARE(settings.font().pointSize(), ViewSettings::minimumFontSize);

    // "Monospace" names no installed family but one the font system picks;
    // the box shows that one, and the settings take it on at their size.
    settings.setFont(QFont("Monospace", 9));
    OptionDialog again(&settings);
    const QString shown = again.findChild<QFontComboBox *>("familyBox")->currentText();
    QVERIFY(shown != "Monospace");
    QCOMPARE(settings.font().family(), shown);
    QCOMPARE(settings.font().pointSize(), 9);
}

// Rebuild builds the selected dictionary's index again from its file, with
// its progress, and says why when it cannot; the old index then stays.
void TestPreferences::rebuild_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("outcome");
    QTest::newRow("a new edition") << "edition" << int(ConvertThread::Committed);
    QTest::newRow("zeros in its place") << "zeros" << int(ConvertThread::NotText);
    QTest::newRow("canceled") << "cancel" << int(ConvertThread::Canceled);
}

void TestPreferences::rebuild()
{
    QFETCH(QString, change);
    QFETCH(int, outcome);
    const QString file = TestUtil::makeDir("rebuild") + "/eijiro.txt";
    QVERIFY(Generator::write(file, {3000, false, 4}));
    QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
    QVERIFY(DictionarySettings().rename(1, "Mine"));
    const QStringList before = TestUtil::wordRows();
    if (change == "edition")
        TestUtil::writeDictionary(file, {QString::fromUtf8("■wander : さまよう")});
    else if (change == "zeros")
        TestUtil::writeBytes(file, QByteArray(100, '\0'));
    else
        QVERIFY(Generator::write(file, {300000, false, 5}));

    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    QVERIFY(!button(dialog, "rebuildButton")->isEnabled());
    clickRow(dialog, 0);
    QVERIFY(button(dialog, "rebuildButton")->isEnabled());
    QSignalSpy rebuilt(&dialog, &OptionDialog::indexRebuilt);
    QString said;
    int ended = ConvertThread::NotFinished;
    whenModal<RebuildDialog>(this, [&](RebuildDialog *rebuilding) {
        // Cancel closes it once the build has rolled back, as success does;
        // a failure stays with its reason and a Close.
        if (change == "cancel")
            rebuilding->reject();
        auto *buttons = rebuilding->findChild<QDialogButtonBox *>("buttonBox");
        QTRY_VERIFY_WITH_TIMEOUT(
            !rebuilding->isVisible() || buttons->button(QDialogButtonBox::Close), 60000);
        said = rebuilding->findChild<QLabel *>("messageLabel")->text();
        ended = rebuilding->outcome();
    });
    button(dialog, "rebuildButton")->click();
    QCOMPARE(ended, outcome);
    QCOMPARE(rebuilt.size(), 1);
    QCOMPARE(TestUtil::wordRows(), change == "edition" ? QStringList{"0:WANDER"} : before);
    QCOMPARE(said.contains("could not be rebuilt: ") && said.contains("binary data"),
             change == "zeros");
    // Rebuilt or not, it keeps its name.
    QCOMPARE(listed(dialog), QStringList{"Mine|" + file});
}

// Installs `file` as dictionary `name`; its id, or 0 when the build failed.
static int installAs(const QString &name, const QString &file)
{
    ConvertThread build;
    build.setDictionary(name, file);
    build.start();
    build.wait();
    return build.outcome() == ConvertThread::Committed ? build.installedId() : 0;
}

// Three dictionaries A, B and C, in that order, arranged with a user's
// steps, by mouse or ("key+") keyboard. Each change is saved at once; the
// list shows what the database holds, its current row stays on its
// dictionary (or on its place, when that was removed), and the buttons are
// offered where they apply. A removal takes the index rows, the name and
// the place of that dictionary alone.
void TestPreferences::arrange_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected"); // "-" before one switched off
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("refused");
    const auto row = [](const char *name, const char *steps, const char *expected,
                        const char *current, bool refused = false) {
        QTest::newRow(name) << steps << expected << current << refused;
    };
    row("down by mouse", "row:0 down", "B A C", "A");
    row("down to the end by keyboard", "key+row:0 key+down key+down key+down", "B C A", "A");
    row("up by mouse", "row:2 up", "A C B", "C");
    row("up by keyboard", "key+row:2 key+up", "A C B", "C");
    row("up at the top", "key+row:0 key+up", "A B C", "A");
    row("off by mouse", "switch:1", "A -B C", "B");
    row("off and on by mouse", "switch:2 switch:2", "A B C", "C");
    row("off by keyboard", "key+row:1 key+switch", "A -B C", "B");
    row("off and on by keyboard", "key+row:0 key+switch key+switch", "A B C", "A");
    row("off, then moved", "switch:0 down", "B -A C", "A");
    row("rename by mouse", "row:2 rename:Glossary", "A B Glossary", "Glossary");
    row("rename by keyboard", "key+row:0 key+rename:<b>Mine</b>", "<b>Mine</b> B C", "<b>Mine</b>");
    row("a blank name", "row:1 rename:", "A B C", "B");
    row("remove by mouse", "row:1 remove", "A C", "C");
    row("remove the last by keyboard", "key+row:2 key+remove", "A B", "B");
    row("a move the database refuses", "row:0 refuse down", "A B C", "A", true);
    row("a switch the database refuses", "refuse switch:0", "A B C", "A", true);
}

void TestPreferences::arrange()
{
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    QFETCH(QString, current);
    QFETCH(bool, refused);
    const QString dir = TestUtil::makeDir("arrange");
    for (const QString name : {"A", "B", "C"})
        QVERIFY(
            installAs(name, TestUtil::writeDictionary(dir + "/" + name, {"■" + name + " : x"})));
    OptionDialog dialog(window->viewSettings(), window);
    showDictionaryTab(dialog);
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTableView *table = view(dialog);
    // The buttons, and their keys.
    const QMap<QString, QPair<const char *, QKeyCombination>> buttons{
        {"up", {"upButton", Qt::AltModifier | Qt::Key_Up}},
        {"down", {"downButton", Qt::AltModifier | Qt::Key_Down}},
        {"rename", {"renameButton", QKeyCombination(Qt::Key_F2)}},
        {"remove", {"removeButton", QKeyCombination(Qt::Key_Delete)}}};
    for (const QString &step : steps.split(' ')) {
        const bool keyboard = step.startsWith("key+");
        const QString verb = step.section(':', 0, 0).remove("key+");
        const QString arg = step.section(':', 1);
        if (verb == "rename") {
            whenModal<RenameDialog>(this, [&](RenameDialog *rename) {
                auto *edit = rename->findChild<QLineEdit *>("nameEdit");
                QAbstractButton *ok =
                    rename->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
                QCOMPARE(edit->text(), table->currentIndex().data().toString());
                QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(edit, Qt::Key_Delete);
                QTest::keyClicks(edit, arg);
                // A blank name: no OK, and why.
                QCOMPARE(ok->isEnabled(), !arg.isEmpty());
                QCOMPARE(rename->findChild<QLabel *>("nameErrorLabel")->isVisible(), arg.isEmpty());
                keyboard ? QTest::keyClick(edit, Qt::Key_Return)
                         : QTest::mouseClick(ok, Qt::LeftButton);
            });
        } else if (verb == "remove") {
            whenModal<QMessageBox>(this, [keyboard](QMessageBox *box) {
                QAbstractButton *ok = box->button(QMessageBox::Ok);
                if (keyboard)
                    tabTo(ok);
                keyboard ? QTest::keyClick(ok, Qt::Key_Space)
                         : QTest::mouseClick(ok, Qt::LeftButton);
            });
        }
        if (buttons.contains(verb) && keyboard) {
            const QKeyCombination key = buttons[verb].second;
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
            // The shortcut lets go of the button (clicks it) a moment later.
            QTRY_VERIFY(!button(dialog, buttons[verb].first)->isDown());
        } else if (buttons.contains(verb)) {
            QTest::mouseClick(button(dialog, buttons[verb].first), Qt::LeftButton);
        } else if (verb == "row" && keyboard) {
            tabTo(table);
            for (int i = 0; i < arg.toInt(); ++i)
                QTest::keyClick(table, Qt::Key_Down);
        } else if (verb == "row") {
            clickRow(dialog, arg.toInt());
        } else if (verb == "switch") {
            keyboard ? QTest::keyClick(table, Qt::Key_Space) : clickCheckBox(dialog, arg.toInt());
        } else if (verb == "refuse") {
            QVERIFY(exec("CREATE TRIGGER refuse BEFORE UPDATE ON t_installed BEGIN SELECT "
                         "RAISE(ABORT, 'refused'); END"));
        }
        // A switch is saved once the model has told of it.
        QCoreApplication::processEvents();
    }

    const QStringList arranged = expected.split(' ');
    QCOMPARE(TestUtil::arrangement(), arranged);
    QStringList shown;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex name = table->model()->index(row, 1);
        shown << (name.data(Qt::CheckStateRole) == Qt::Checked ? "" : "-") + name.data().toString();
    }
    QCOMPARE(shown, arranged);
    QCOMPARE(table->currentIndex().siblingAtColumn(1).data().toString(), current);
    QCOMPARE(dialog.findChild<QLabel *>("errorLabel")->isVisible(), refused);
    const int row = table->currentIndex().row();
    QCOMPARE(button(dialog, "upButton")->isEnabled(), row > 0);
    QCOMPARE(button(dialog, "downButton")->isEnabled(), row < arranged.size() - 1);
    QVERIFY(button(dialog, "renameButton")->isEnabled() &&
            button(dialog, "removeButton")->isEnabled());
    // A removed one's index row, name and place have gone with it.
    QCOMPARE(TestUtil::rowCount("t_word"), arranged.size());
    QCOMPARE(TestUtil::rowCount("t_installed"), arranged.size());
}

// A change shows in the main window while the dialog is still open: it
// looks the word up again.
void TestPreferences::windowFollowsEachChange()
{
    QVERIFY(installAs("A", TestUtil::writeDictionary(TestUtil::makeDir("follow") + "/A",
                                                     {QString::fromUtf8("■water : A")})));
    QVERIFY(fixture->showAndActivate());
    fixture->edit->setText("water");
    QVERIFY(fixture->shows("water"));
    QTRY_COMPARE(fixture->pagesRunning(), 0);
    const qsizetype before = fixture->pages.size();
    qsizetype during = before;
    whenModal<OptionDialog>(this, [&](OptionDialog *dialog) {
        showDictionaryTab(*dialog);
        clickCheckBox(*dialog, 0);
        QTRY_VERIFY((during = fixture->pages.size()) > before);
    });
    fixture->action("actionPreferences")->trigger();
    QVERIFY(during > before);
    QCOMPARE(TestUtil::arrangement(), QStringList{"-A"});
}

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
