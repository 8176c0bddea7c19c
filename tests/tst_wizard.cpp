#include "testutil.h"

#include "database/dictionarysettings.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/searchthread.h"
#include "wizard/convertpage.h"
#include "wizard/dictionarywizard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

// Builds can take a while on a loaded machine; these only bound the waits.
static constexpr int buildTimeout = 120000;

class TestWizard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void wholeInstallation();
    void installSeveral_data();
    void installSeveral();
    void cancelDuringBuild();
    void missingFile();
    void failedBuildGoesBack_data();
    void failedBuildGoesBack();
    void backAndChooseAnother();
    void browseStartsInTheFilesFolder_data();
    void browseStartsInTheFilesFolder();
};

static QList<QRadioButton *> typeButtons(QWizard &wizard)
{
    return wizard.page(0)->findChildren<QRadioButton *>();
}

// A radio button reacts only on its indicator and label, not on the whole
// width the layout gives it.
static void clickRadio(QRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

static QLineEdit *edit(QWizard &wizard, const char *name)
{
    return wizard.page(1)->findChild<QLineEdit *>(name);
}

static QProgressBar *bar(QWizard &wizard)
{
    return wizard.page(2)->findChild<QProgressBar *>("processBar");
}

static QLabel *errorLabel(QWizard &wizard)
{
    return wizard.page(2)->findChild<QLabel *>("errorLabel");
}

// Why a build of `file` fails, as the builder itself words it.
static QString failureOf(const QString &file)
{
    const TestUtil::Build build = TestUtil::build(file);
    if (build.outcome == ConvertThread::Committed)
        return QString();
    // The page shows the builder's reason as a sentence of its own.
    QString reason = build.error;
    reason[0] = reason[0].toUpper();
    return reason;
}

static bool exec(const QString &sql)
{
    QSqlQuery query;
    return query.exec(sql);
}

// Whether a new wizard offers the seeded type: listed and enabled.
static bool typeOffered()
{
    DictionaryWizard wizard;
    wizard.show();
    const auto buttons = typeButtons(wizard);
    return !buttons.isEmpty() && buttons[0]->text() == QLatin1String("Eijiro") &&
           buttons[0]->isEnabled();
}

// Opens the wizard, chooses the type `type`, enters `file` and commits.
// With `name`, the name box holds it; the page offers no Commit for a name
// it refuses, but the wizard takes the step all the same.
static void commitWith(QWizard &wizard, const QString &file, int type = 0,
                       const char *name = nullptr)
{
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    clickRadio(typeButtons(wizard).value(type));
    wizard.button(QWizard::NextButton)->click();
    edit(wizard, "fileEdit")->setText(file);
    if (name)
        edit(wizard, "nameEdit")->setText(name);
    wizard.next();
    QCOMPARE(wizard.currentId(), 2);
}

void TestWizard::initTestCase()
{
    QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("db") + "/orvel.db"));
}

void TestWizard::init()
{
    QVERIFY(exec("DROP TABLE IF EXISTS t_installed"));
    QVERIFY(exec("DELETE FROM t_word"));
    QVERIFY(exec("DELETE FROM t_dictionary"));
    QVERIFY(exec("DELETE FROM m_dictionary WHERE id <> 1"));
}

void TestWizard::wholeInstallation()
{
    const QString file = TestUtil::makeDir("whole") + "/eijiro.txt";
    QVERIFY(Generator::write(file, {30000, false, 3}));

    DictionaryWizard wizard;
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    // It cannot be resized.
    const QSize opened = wizard.size();
    wizard.resize(opened * 2);
    QCOMPARE(wizard.size(), opened);
    QAbstractButton *next = wizard.button(QWizard::NextButton);
    QAbstractButton *commit = wizard.button(QWizard::CommitButton);

    // Introduction: the seeded type and EDICT, free to choose but not chosen.
    const auto buttons = typeButtons(wizard);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons[0]->text(), QString("Eijiro"));
    QCOMPARE(buttons[1]->text(), QString("EDICT"));
    QVERIFY(buttons[0]->isEnabled() && buttons[1]->isEnabled());
    QVERIFY(!buttons[0]->isChecked() && !buttons[1]->isChecked());
    QVERIFY(!next->isEnabled());
    clickRadio(buttons[0]);
    QVERIFY(next->isEnabled());
    next->click();

    // Register: the type's name until a file is given, then the file's;
    // Commit needs a file and a name that can be kept (the page says why
    // one cannot), and the box takes no more than the longest name.
    QCOMPARE(wizard.currentId(), 1);
    QLineEdit *name = edit(wizard, "nameEdit");
    QLineEdit *fileEdit = edit(wizard, "fileEdit");
    QLabel *why = wizard.page(1)->findChild<QLabel *>("nameErrorLabel");
    QCOMPARE(name->text(), QString("Eijiro"));
    QVERIFY(fileEdit->text().isEmpty());
    QVERIFY(!commit->isEnabled());
    fileEdit->setText(file);
    QCOMPARE(name->text(), QString("eijiro"));
    QVERIFY(commit->isEnabled());
    name->setText(" ");
    QVERIFY(!commit->isEnabled());
    QVERIFY(why->isVisible());
    name->setText(QString(500, 'n'));
    QCOMPARE(name->text().size(), DictionarySettings::longestName);
    QVERIFY(commit->isEnabled() && !why->isVisible());
    name->setText("Eijiro");
    commit->click();

    // Convert: no way back, Next only at 100.
    QCOMPARE(wizard.currentId(), 2);
    QVERIFY(!wizard.button(QWizard::BackButton)->isEnabled());
    QList<int> seen;
    connect(bar(wizard), &QProgressBar::valueChanged, this, [&](int v) {
        seen << v;
        // Next must never run ahead of the bar.
        QCOMPARE(next->isEnabled(), v == 100);
    });
    QTRY_COMPARE_WITH_TIMEOUT(bar(wizard)->value(), 100, buildTimeout);
    QVERIFY(next->isEnabled());
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    next->click();

    QCOMPARE(wizard.currentId(), 3);
    QCOMPARE(wizard.currentPage()->title(), QString("Conclusion"));
    QVERIFY(!wizard.button(QWizard::BackButton)->isEnabled());
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.result(), int(QDialog::Accepted));

    // Installed under the chosen path and name, and the search finds its
    // words.
    QCOMPARE(TestUtil::arrangement(true), QStringList{"Eijiro|" + file});
    const QStringList rows = TestUtil::wordRows();
    QVERIFY(rows.size() > 1000);
    Page page;
    QCOMPARE(SearchThread::lookUp(rows[rows.size() / 2].section(':', 1).toLower(), &page),
             SearchThread::Found);
    QCOMPARE(SearchThread::lookUp("qqqxqqq", &page), SearchThread::NotFound);

    // Installed now, and the type can take another.
    QVERIFY(typeOffered());
}

// Each wizard run installs one more dictionary beside the others, named
// after its file unless the user typed a name, last in the order; those
// installed before keep their rows.
void TestWizard::installSeveral_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("keyboard");
    QTest::newRow("two by mouse") << 2 << false;
    QTest::newRow("two by keyboard") << 2 << true;
    QTest::newRow("three by mouse") << 3 << false;
    QTest::newRow("three by keyboard") << 3 << true;
}

// A whole installation of `file` as a user makes it, typing `name` over the
// one offered unless it is empty. Return presses the default button.
static void runWizard(const QString &file, const QString &name, bool keyboard)
{
    DictionaryWizard wizard;
    wizard.show();
    QVERIFY(QTest::qWaitForWindowActive(&wizard));
    const auto forward = [&](QWizard::WizardButton which) {
        if (keyboard)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        else
            QTest::mouseClick(wizard.button(which), Qt::LeftButton);
    };
    QRadioButton *type = typeButtons(wizard).value(0);
    keyboard ? QTest::keyClick(type, Qt::Key_Space) : clickRadio(type);
    forward(QWizard::NextButton);
    QLineEdit *nameEdit = edit(wizard, "nameEdit");
    QLineEdit *fileEdit = edit(wizard, "fileEdit");
    keyboard ? QTest::keyClick(nameEdit, Qt::Key_Tab) : QTest::mouseClick(fileEdit, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), fileEdit);
    QTest::keyClicks(fileEdit, file);
    QCOMPARE(nameEdit->text(), QFileInfo(file).completeBaseName());
    if (!name.isEmpty()) {
        nameEdit->selectAll();
        QTest::keyClicks(nameEdit, name);
    }
    forward(QWizard::CommitButton);
    QTRY_COMPARE_WITH_TIMEOUT(bar(wizard)->value(), 100, buildTimeout);
    forward(QWizard::NextButton);
    forward(QWizard::FinishButton);
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
}

void TestWizard::installSeveral()
{
    QFETCH(int, count);
    QFETCH(bool, keyboard);
    const QString dir = TestUtil::makeDir("several");
    QStringList expected;
    QStringList firstRows;
    for (int i = 0; i < count; ++i) {
        const QString file = dir + QString("/glossary-%1.txt").arg(i);
        QVERIFY(Generator::write(file, {1500, i == 1, quint64(20 + i)}));
        const QString typed = i == 1 ? QString(" My words <b>") : QString();
        runWizard(file, typed, keyboard);
        if (QTest::currentTestFailed())
            return;
        expected << (typed.isEmpty() ? QFileInfo(file).completeBaseName() : typed.trimmed()) + "|" +
                        file;
        QCOMPARE(TestUtil::arrangement(true), expected);
        if (i == 0)
            firstRows = TestUtil::wordRows();
        QCOMPARE(TestUtil::wordRows(), firstRows);
    }
    QCOMPARE(TestUtil::pairs("SELECT id, COUNT(*) > 100 FROM t_word GROUP BY id").size(), count);
}

void TestWizard::cancelDuringBuild()
{
    const QString file = TestUtil::makeDir("cancel") + "/big.txt";
    QVERIFY(Generator::write(file, {1200000, false, 5}));
    MessageCapture messages;

    QPointer<ConvertThread> builder;
    {
        DictionaryWizard wizard;
        commitWith(wizard, file);
        builder = qobject_cast<ConvertPage *>(wizard.page(2))->builder();
        QVERIFY(builder);
        QTRY_VERIFY_WITH_TIMEOUT(bar(wizard)->value() > 0, buildTimeout);
        QVERIFY(bar(wizard)->value() < 100);

        wizard.button(QWizard::CancelButton)->click();
        // Closed at once, without waiting for the builder.
        QVERIFY(!wizard.isVisible());
        QCOMPARE(wizard.result(), int(QDialog::Rejected));
    }

    // The builder goes away by itself once its thread has ended.
    QTRY_VERIFY_WITH_TIMEOUT(builder.isNull(), buildTimeout);
    QVERIFY(messages.lines(QtDebugMsg).contains("Convert thread was canceled."));
    QCOMPARE(TestUtil::rowCount("t_word"), 0);
    QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    QVERIFY(typeOffered());
}

void TestWizard::missingFile()
{
    const QString file = TestUtil::makeDir("missing") + "/nothing-here.txt";
    MessageCapture messages;

    DictionaryWizard wizard;
    commitWith(wizard, file);
    QPointer<ConvertThread> builder = qobject_cast<ConvertPage *>(wizard.page(2))->builder();
    QTRY_VERIFY_WITH_TIMEOUT(builder.isNull(), buildTimeout);
    QCoreApplication::processEvents();
    QVERIFY(messages.lines(QtDebugMsg).contains("QFile::open failed."));
    QCOMPARE(bar(wizard)->value(), 0);
    QVERIFY(!wizard.button(QWizard::NextButton)->isEnabled());
    QVERIFY(errorLabel(wizard)->isVisible());
    QCOMPARE(errorLabel(wizard)->text().section('\n', 0, 0), failureOf(file));

    // Cancelling after the builder is gone must still be safe.
    QTest::keyClick(&wizard, Qt::Key_Escape);
    QVERIFY(!wizard.isVisible());
    QCOMPARE(wizard.result(), int(QDialog::Rejected));
    QCOMPARE(TestUtil::rowCount("t_dictionary"), 0);
    QVERIFY(typeOffered());
}

// A failed or refused build says why on its own page, with the bar where it
// stopped and nothing installed; Back leads to the boxes, and a new commit
// starts a new build.
void TestWizard::failedBuildGoesBack_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("binary data") << "binary";
    QTest::newRow("a file installed already") << "installed";
    QTest::newRow("a name the build refuses") << "name";
}

void TestWizard::failedBuildGoesBack()
{
    QFETCH(QString, kind);
    const QString dir = TestUtil::makeDir("back");
    const QString good = dir + "/good.txt";
    QVERIFY(Generator::write(good, {2000, false, 7}));
    QString file = good;
    if (kind == "binary")
        file = TestUtil::writeBytes(dir + "/binary.txt",
                                    Generator::generate({20000, false, 3}) + QByteArray(64, '\0'));
    if (kind == "installed")
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
    QString reason;
    if (kind == "name") {
        DictionarySettings::cleanName("  ", &reason);
        reason[0] = reason[0].toUpper();
    } else {
        reason = failureOf(file);
    }
    const QStringList before = TestUtil::arrangement(true);
    MessageCapture messages;

    DictionaryWizard wizard;
    commitWith(wizard, file, 0, kind == "name" ? "  " : nullptr);
    // Ended either way: a build that took the file fails here at once.
    QPointer<ConvertThread> builder = qobject_cast<ConvertPage *>(wizard.page(2))->builder();
    QTRY_VERIFY_WITH_TIMEOUT(builder.isNull(), buildTimeout);
    QVERIFY(errorLabel(wizard)->isVisible());
    // The reason, and the way back.
    const QStringList said = errorLabel(wizard)->text().split('\n');
    QCOMPARE(said.value(0), reason);
    QCOMPARE(said.value(1).contains("name"), kind == "name");
    QVERIFY(bar(wizard)->value() < 100);
    QVERIFY(!wizard.button(QWizard::NextButton)->isEnabled());
    QCOMPARE(TestUtil::arrangement(true), before);
    // Nothing to wait for: only the reason and the way back.
    const auto waiting = [&wizard] {
        return bar(wizard)->isVisible() || !wizard.page(2)->subTitle().isEmpty() ||
               wizard.page(2)->findChild<QLabel *>("processLabel")->isVisible();
    };
    QVERIFY(!waiting());

    wizard.button(QWizard::BackButton)->click();
    QCOMPARE(wizard.currentId(), 1);
    const QString other = dir + "/other.txt";
    QVERIFY(Generator::write(other, {2000, false, 8}));
    edit(wizard, "fileEdit")->setText(other);
    // Further back and forward again, the box keeps what was typed.
    wizard.button(QWizard::BackButton)->click();
    wizard.button(QWizard::NextButton)->click();
    wizard.button(QWizard::CommitButton)->click();
    QVERIFY(!errorLabel(wizard)->isVisible());
    QVERIFY(waiting());
    QTRY_COMPARE_WITH_TIMEOUT(bar(wizard)->value(), 100, buildTimeout);
    QCOMPARE(TestUtil::arrangement(true), before + QStringList{"other|" + other});
    QVERIFY2(messages.lines(QtWarningMsg).isEmpty(),
             qPrintable(messages.lines(QtWarningMsg).join('\n')));
}

void TestWizard::backAndChooseAnother()
{
    QVERIFY(exec("INSERT INTO m_dictionary (id, name) VALUES (2, 'Waeijiro')"));
    MessageCapture messages;

    DictionaryWizard wizard;
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    const auto buttons = typeButtons(wizard);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons[1]->text(), QString("Waeijiro"));

    clickRadio(buttons[0]);
    wizard.button(QWizard::NextButton)->click();
    QCOMPARE(edit(wizard, "nameEdit")->text(), QString("Eijiro"));
    edit(wizard, "fileEdit")->setText("/data/eijiro.txt");
    // A name the user typed stays, whatever is chosen after it.
    QTest::keyClicks(edit(wizard, "nameEdit"), " 2");
    QCOMPARE(wizard.field("dictionaryName").toString(), QString("Eijiro"));

    wizard.back();
    QCOMPARE(wizard.currentId(), 0);
    QVERIFY(buttons[0]->isChecked());
    clickRadio(buttons[1]);
    QVERIFY(!buttons[0]->isChecked());
    wizard.button(QWizard::NextButton)->click();

    QCOMPARE(wizard.currentId(), 1);
    QCOMPARE(wizard.field("dictionaryName").toString(), QString("Waeijiro"));
    edit(wizard, "fileEdit")->setText("/data/other.txt");
    QCOMPARE(edit(wizard, "nameEdit")->text(), QString("eijiro 2"));

    QVERIFY2(messages.lines(QtWarningMsg).isEmpty(),
             qPrintable(messages.lines(QtWarningMsg).join('\n')));
    wizard.reject();
}

void TestWizard::browseStartsInTheFilesFolder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folder");
    const QString dir = TestUtil::makeDir("browse");
    QTest::newRow("nothing typed: home") << "" << QDir::homePath();
    QTest::newRow("a file typed: its folder") << dir + "/eijiro.txt" << dir;
}

void TestWizard::browseStartsInTheFilesFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, folder);
    DictionaryWizard wizard;
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    clickRadio(typeButtons(wizard).value(0));
    wizard.button(QWizard::NextButton)->click();
    edit(wizard, "fileEdit")->setText(typed);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        shown = dialog ? dialog->directory().absolutePath() : "<no dialog>";
        if (dialog)
            dialog->reject();
    });
    QTest::mouseClick(wizard.page(1)->findChild<QPushButton *>("fileButton"), Qt::LeftButton);
    QCOMPARE(shown, folder);
    wizard.reject();
}

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
