// View > Find What I Mean in the window: the page of what the user means
// under its rule line, suggestions whose links look their word up, the
// history keeping the entry shown, and with the setting off the pages and
// words as without it, across restarts.

#include "database/database.h"
#include "dictionary/convertthread.h"
#include "dictionary/format.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

namespace {

const QString M = QString(Eijiro::marker);

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

// What the window is to show for `text`, with the rules or without.
QString pageOf(const QString &text, bool rules)
{
    Page page;
    if (rules)
        SearchThread::findWhatIMean(text, &page);
    else
        SearchThread::lookUp(text, &page);
    return plainText(PageHtml::write(page));
}

// A window as the program starts it, shown, with the rules on or off.
struct Window : WindowFixture
{
    QAction *setting = action("actionFindWhatIMean");

    explicit Window(bool rules = true)
    {
        setting->setChecked(rules);
        [this] { QVERIFY(showAndActivate()); }();
    }
    // The view's text is `page` (plain) before long.
    bool showsPage(const QString &page) const
    {
        return QTest::qWaitFor([&] { return view->toPlainText() == page; }, TestUtil::waitTimeout);
    }
    QString firstLine() const { return view->document()->firstBlock().text(); }
};

} // namespace

class WhatIMeanTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString file = TestUtil::writeDictionary(
            TestUtil::makeDir("dict") + "/dict.txt",
            {M + "run  {動} : 走る", M + "run out : 尽きる", M + "look up : 調べる",
             M + "water : 水", M + "waterfall : 滝", M + "Dictionary : 辞書",
             M + "diction : 言葉遣い", M + "食べる  {v1} : to eat", M + "たべる  {v1} : to eat",
             M + "すし : sushi"});
        QVERIFY(QDir().mkpath(QFileInfo(Database::path()).path()));
        QVERIFY(TestUtil::openFreshDatabase(Database::path()));
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
        TestUtil::closeDefaultConnection();
    }
    void init() { QSettings().clear(); }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void theViewShowsWhatIsMeant_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rules");
        QTest::addColumn<QString>("ruleLine"); // above the page; none when empty
        QTest::newRow("word") << "run" << true << "";
        QTest::newRow("word, spaces around") << " run\t" << true << "";
        QTest::newRow("entry") << "look up" << true << "";
        QTest::newRow("base") << "running" << true << "running -> run (base form)";
        QTest::newRow("base of a phrase")
            << "Looked up " << true << "Looked up -> look up (base form)";
        QTest::newRow("nearest") << "wat" << true << "wat… -> water (nearest entry)";
        QTest::newRow("base, Japanese")
            << "食べました" << true << "食べました -> 食べる (base form)";
        QTest::newRow("other kana") << "スシ" << true << "スシ -> すし (kana or width)";
        QTest::newRow("romaji, base form")
            << "tabemashita" << true << "tabemashita -> たべる (romaji, base form)";
        QTest::newRow("none, suggestions") << "dictionery" << true << "";
        QTest::newRow("markup and placeholders") << "<b>%1</b>ing" << true << "";
        QTest::newRow("off: word, spaces around") << " run\t" << false << "";
        QTest::newRow("off: entry") << "look up" << false << "";
        QTest::newRow("off: base") << "running" << false << "";
        QTest::newRow("off: nearest") << "wat" << false << "";
        QTest::newRow("off: romaji") << "tabemashita" << false << "";
        QTest::newRow("off: none") << "dictionery" << false << "";
    }

    // Typed text gives the page the core gives for it, the rule line on
    // top; the field keeps what was typed.
    void theViewShowsWhatIsMeant()
    {
        QFETCH(QString, text);
        QFETCH(bool, rules);
        QFETCH(QString, ruleLine);
        Window w(rules);
        w.edit->setText(text);
        QVERIFY(w.showsPage(pageOf(text, rules)));
        QCOMPARE(w.firstLine().contains(" -> "), !ruleLine.isEmpty());
        if (!ruleLine.isEmpty())
            QCOMPARE(w.firstLine(), ruleLine);
        QCOMPARE(w.view->toPlainText().contains("Did you mean:"), rules && text == "dictionery");
        QCOMPARE(w.edit->text(), text);
        // The word list's current row is the entry on the page, or none
        // (never the first row listed from what was typed).
        Page page;
        rules ? SearchThread::findWhatIMean(text, &page) : SearchThread::lookUp(text, &page);
        QTRY_VERIFY_WITH_TIMEOUT(!w.rows().isEmpty(), TestUtil::waitTimeout);
        QTRY_COMPARE(w.currentRow(), int(w.rows().indexOf(page.firstEntryWord())));
    }

    // A suggestion's link looks its word up, as a word handed over does.
    void aSuggestionLooksItsWordUp()
    {
        Window w;
        w.edit->setText("dictionery");
        QVERIFY(w.showsPage(pageOf("dictionery", true)));
        QVERIFY(w.clickLink("orvel:lookup/Dictionary"));
        QVERIFY(w.shows("Dictionary"));
        QCOMPARE(w.history(), QStringList{"Dictionary"});
    }

    void backReturnsToTheEntryShown_data()
    {
        QTest::addColumn<bool>("handedOver"); // else typed and settled with Enter
        QTest::addColumn<QStringList>("texts");
        for (const bool handedOver : {false, true}) {
            const char *how = handedOver ? "handed over" : "typed";
            QTest::addRow("%s", how) << handedOver << QStringList{"running", "wat"};
            // The base form's page after the word's own is one visit.
            QTest::addRow("%s after the base", how)
                << handedOver << QStringList{"run", "running", "wat"};
        }
    }

    // The history keeps the entry a page showed, not the text typed: Back
    // and Forward show that entry, with no rule line.
    void backReturnsToTheEntryShown()
    {
        QFETCH(bool, handedOver);
        QFETCH(QStringList, texts);
        Window w;
        for (const QString &text : texts) {
            if (handedOver) {
                w.window.showFromOutside(text);
            } else {
                w.edit->setText(text);
                w.edit->setFocus();
            }
            QVERIFY(w.showsPage(pageOf(text, true)));
            if (!handedOver)
                QTest::keyClick(w.edit, Qt::Key_Return);
        }
        QCOMPARE(w.history(), (QStringList{"run", "water"}));
        w.action("actionBack")->trigger();
        QVERIFY(w.shows("run"));
        QCOMPARE(w.view->toPlainText(), pageOf("run", false));
        w.action("actionForward")->trigger();
        QVERIFY(w.shows("water"));
        QCOMPARE(w.view->toPlainText(), pageOf("water", false));
    }

    // On at first and kept across runs; turned, the page on display
    // follows at once; off, a word from outside keeps its punctuation.
    void theSettingIsKeptAndFollowedAtOnce()
    {
        const QString quoted = "\u300cwat\u300d,";
        for (const bool on : {true, false}) {
            WindowFixture w;
            QVERIFY(w.showAndActivate());
            QAction *setting = w.action("actionFindWhatIMean");
            QCOMPARE(setting->isChecked(), on);
            w.edit->setText("wat");
            QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), pageOf("wat", on),
                                      TestUtil::waitTimeout);
            setting->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(w.view->toPlainText(), pageOf("wat", !on),
                                      TestUtil::waitTimeout);
            QCOMPARE(w.view->document()->firstBlock().text() == "wat… -> water (nearest entry)",
                     !on);
            w.window.showFromOutside(quoted);
            QCOMPARE(w.edit->text(), on ? quoted : QString("wat"));
            QVERIFY(w.window.close());
            TestUtil::closeDefaultConnection();
        }
    }
};

QTEST_MAIN(WhatIMeanTest)
#include "tst_whatimean.moc"
