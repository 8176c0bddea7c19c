#include "testutil.h"

#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/searchthread.h"
#include "wizard/convertpage.h"
#include "wizard/dictionarywizard.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QSqlQuery>
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
    void cancelDuringBuild();
    void missingFile();
    void failedBuildGoesBack();
    void backAndChooseAnother();
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
    return buttons.size() == 1 && buttons[0]->isEnabled();
}

// Opens the wizard, chooses the type `type`, enters `file` and commits.
static void commitWith(QWizard &wizard, const QString &file, int type = 0)
{
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    clickRadio(typeButtons(wizard).value(type));
    wizard.button(QWizard::NextButton)->click();
    edit(wizard, "fileEdit")->setText(file);
    wizard.button(QWizard::CommitButton)->click();
    QCOMPARE(wizard.currentId(), 2);
}

void TestWizard::initTestCase()
{
    QVERIFY(TestUtil::openFreshDatabase(TestUtil::makeDir("db") + "/orvel.db"));
}

void TestWizard::init()
{
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

    // Introduction: the one seeded type, free to choose but not chosen,
    // and nothing to explain.
    const auto buttons = typeButtons(wizard);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QString("Eijiro"));
    QVERIFY(buttons[0]->isEnabled());
    QVERIFY(!buttons[0]->isChecked());
    QVERIFY(buttons[0]->toolTip().isEmpty());
    QVERIFY(!wizard.page(0)->findChild<QLabel *>("installedLabel")->isVisible());
    QVERIFY(!next->isEnabled());
    clickRadio(buttons[0]);
    QVERIFY(next->isEnabled());
    next->click();

    // Register: the name comes from the type; Commit needs both boxes,
    // and a lone space counts as filled.
    QCOMPARE(wizard.currentId(), 1);
    QLineEdit *name = edit(wizard, "nameEdit");
    QLineEdit *fileEdit = edit(wizard, "fileEdit");
    QCOMPARE(name->text(), QString("Eijiro"));
    QVERIFY(fileEdit->text().isEmpty());
    QVERIFY(!commit->isEnabled());
    fileEdit->setText(file);
    QVERIFY(commit->isEnabled());
    name->clear();
    QVERIFY(!commit->isEnabled());
    name->setText(" ");
    QVERIFY(commit->isEnabled());
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

    // Installed under the chosen path, and the search finds its words.
    QSqlQuery query("SELECT id, location FROM t_dictionary");
    QVERIFY(query.next());
    QCOMPARE(query.value(1).toString(), file);
    const QStringList rows = TestUtil::wordRows();
    QVERIFY(rows.size() > 1000);
    Page page;
    QCOMPARE(SearchThread::lookUp(rows[rows.size() / 2].section(':', 1).toLower(), &page),
             SearchThread::Found);
    QCOMPARE(SearchThread::lookUp("qqqxqqq", &page), SearchThread::NotFound);

    // Installed now: still listed, but it cannot be chosen, and the page
    // says why.
    DictionaryWizard again;
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY(!typeButtons(again)[0]->isEnabled());
    QVERIFY(!typeButtons(again)[0]->toolTip().isEmpty());
    QVERIFY(again.page(0)->findChild<QLabel *>("installedLabel")->isVisible());
    clickRadio(typeButtons(again)[0]);
    QVERIFY(!typeButtons(again)[0]->isChecked());
    QVERIFY(!again.button(QWizard::NextButton)->isEnabled());
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

// A failed build says why on its own page, with the bar where it stopped;
// Back leads to the file box, and a new commit starts a new build.
void TestWizard::failedBuildGoesBack()
{
    const QString dir = TestUtil::makeDir("back");
    const QString binary = TestUtil::writeBytes(
        dir + "/binary.txt", Generator::generate({20000, false, 3}) + QByteArray(64, '\0'));
    const QString good = dir + "/good.txt";
    QVERIFY(Generator::write(good, {2000, false, 7}));
    MessageCapture messages;

    DictionaryWizard wizard;
    commitWith(wizard, binary);
    // Ended either way: a build that took the file fails here at once.
    QPointer<ConvertThread> builder = qobject_cast<ConvertPage *>(wizard.page(2))->builder();
    QTRY_VERIFY_WITH_TIMEOUT(builder.isNull(), buildTimeout);
    QVERIFY(errorLabel(wizard)->isVisible());
    QCOMPARE(errorLabel(wizard)->text().section('\n', 0, 0), failureOf(binary));
    QVERIFY(bar(wizard)->value() < 100);
    QVERIFY(!wizard.button(QWizard::NextButton)->isEnabled());

    wizard.button(QWizard::BackButton)->click();
    QCOMPARE(wizard.currentId(), 1);
    edit(wizard, "fileEdit")->setText(good);
    // Further back and forward again, the box keeps what was typed.
    wizard.button(QWizard::BackButton)->click();
    wizard.button(QWizard::NextButton)->click();
    wizard.button(QWizard::CommitButton)->click();
    QVERIFY(!errorLabel(wizard)->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(bar(wizard)->value(), 100, buildTimeout);
    QSqlQuery query("SELECT location FROM t_dictionary");
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), good);
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
    // What the user types as the name goes nowhere.
    edit(wizard, "nameEdit")->setText("My dictionary");
    QCOMPARE(wizard.field("dictionaryName").toString(), QString("Eijiro"));

    wizard.back();
    QCOMPARE(wizard.currentId(), 0);
    QVERIFY(buttons[0]->isChecked());
    clickRadio(buttons[1]);
    QVERIFY(!buttons[0]->isChecked());
    wizard.button(QWizard::NextButton)->click();

    QCOMPARE(wizard.currentId(), 1);
    QCOMPARE(edit(wizard, "nameEdit")->text(), QString("Waeijiro"));
    QCOMPARE(wizard.field("dictionaryName").toString(), QString("Waeijiro"));
    QCOMPARE(edit(wizard, "fileEdit")->text(), QString("/data/eijiro.txt"));

    QVERIFY2(messages.lines(QtWarningMsg).isEmpty(),
             qPrintable(messages.lines(QtWarningMsg).join('\n')));
    wizard.reject();
}

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
