// The main window's look-up prepares the page's document on its own thread;
// what the view then shows must be what setHtml would have shown.
#include "dictionary/convertthread.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "mainwindow/pagedocument.h"
#include "mainwindow/pagethread.h"
#include "testutil.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

class TestPageThread : public QObject
{
    Q_OBJECT

private slots:
    void documentShowsTheSamePageAsSetHtml()
    {
        const QString dir = TestUtil::makeDir("page");
        QVERIFY(TestUtil::openFreshDatabase(dir + "/orvel.db"));
        const QString M = QString(QChar(0x25A0));
        const QString file = TestUtil::writeDictionary(
            dir + "/d.txt", {M + "run  {動-1} : 走る■・run a shop 店を経営する",
                             M + "run  {名} : 走ること", M + "R&D : 研究開発 <b>",
                             // A body of white space only: that page goes
                             // through setHtml().
                             M + "ws : \u3000"});
        QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));

        QTextBrowser view;
        view.resize(500, 400);
        view.show();
        QFont font("Sans", 14);
        view.setFont(font);
        QPointer<QTextDocument> first;
        for (const QString word : {"run", "r&d", "ws"}) {
            PageThread thread(&view);
            thread.setWord(word);
            QString page;
            QTextDocument *document = nullptr;
            connect(&thread, &SearchThread::finished, this, [&](const QString &p) { page = p; });
            connect(&thread, &PageThread::documentReady, this,
                    [&] { document = thread.takeDocument(); });
            thread.start();
            QVERIFY(QTest::qWaitFor([&] { return document != nullptr; }, TestUtil::waitTimeout));
            QCOMPARE(document->thread(), QThread::currentThread());
            QVERIFY(!document->parent());

            QTextBrowser reference;
            reference.resize(500, 400);
            reference.show();
            reference.setFont(font);
            reference.setHtml(page);
            PageThread::show(&view, document);
            QCOMPARE(view.document(), document);
            QCOMPARE(view.toHtml(), reference.toHtml());
            QCOMPARE(view.toPlainText(), reference.toPlainText());
            // Laid out at the view's width, not at the width it came with.
            QCOMPARE(view.document()->pageSize().width(), qreal(view.viewport()->width()));
            QCOMPARE(view.document()->documentLayout()->documentSize(),
                     reference.document()->documentLayout()->documentSize());
            if (!first)
                first = document;
            else
                QTRY_VERIFY_WITH_TIMEOUT(first.isNull(),
                                         TestUtil::waitTimeout); // the replaced document is freed
            thread.wait();
        }
        // A later font change reaches the shown document, as with setHtml.
        view.setFont(QFont("Sans", 20));
        QCOMPARE(view.document()->defaultFont().pointSize(), 20);
    }

    // Qt lays out a run without break opportunities in quadratic time, and
    // a paragraph takes memory for every character once any of it shows:
    // the view's document holds no run much longer than longestRun, no
    // paragraph much longer than longestParagraph and no more than about
    // longestDocument characters, whether PageDocument built it or setHtml()
    // (the page with a blank body). `atMost` bounds the text shown.
    void longRunsAreShortened_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("shortened");
        QTest::addColumn<int>("atMost");
        const QString million(1000000, 'a');
        const int runs = 3 * PageThread::longestRun;
        QTest::newRow("body") << "w : " + million << 1 << runs;
        QTest::newRow("body, through setHtml") << "w : " + million + "\n■b : \u3000" << 1 << runs;
        QTest::newRow("head, every letter marked") << QString(300000, 'w') + " : x" << 1 << runs;
        QTest::newRow("two runs") << "w : " + QString(3000, 'b') + " c " + million << 2 << 2 * runs;
        QTest::newRow("surrogate pair at the cut")
            << "w : a" + QString("𝒜").repeated(1500) << 1 << runs;
        QTest::newRow("Japanese breaks anywhere")
            << "w : " + QString("日本語の").repeated(2000) << 0 << 8100;
        const QString words = QString("lorem ipsum ").repeated(20000);
        QTest::newRow("a paragraph of words")
            << "w : " + words << 1 << PageThread::longestParagraph + 100;
        QTest::newRow("a page of paragraphs")
            << QStringList(6, "w : " + words.left(99000)).join('\n') << 1
            << PageThread::longestDocument + 100;
    }

    void longRunsAreShortened()
    {
        QFETCH(QString, line);
        QFETCH(int, shortened);
        QFETCH(int, atMost);
        ResultRenderer renderer("w");
        for (const QString &each : line.split('\n'))
            renderer.renderLine("■" + each + "\n");
        const Page page = renderer.finish();
        QTextDocument document;
        QCOMPARE(PageDocument::build(page, &document), !line.contains(u'\u3000'));
        if (document.isEmpty())
            document.setHtml(PageHtml::write(page));
        const QString before = document.toPlainText();
        QCOMPARE(PageThread::shortenLongRuns(&document), shortened);
        const QString after = document.toPlainText();
        const qsizetype mark = after.indexOf("… [");
        QVERIFY(before.startsWith(after.left(mark)));
        QVERIFY(after.size() <= atMost);
        QVERIFY(shortened || after == before);
        // Beyond the limit only a surrogate pair kept whole and the mark's
        // ellipsis and space: no more break opportunities than that.
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, block.text());
            for (qsizetype from = 0, to; (to = breaks.toNextBoundary()) >= 0; from = to)
                QVERIFY(to - from <= PageThread::longestRun + 3);
        }
        for (qsizetype i = 0; i + 1 < after.size(); ++i)
            QCOMPARE(after[i].isHighSurrogate(), after[i + 1].isLowSurrogate());
    }
};

QTEST_MAIN(TestPageThread)
#include "tst_pagethread.moc"
