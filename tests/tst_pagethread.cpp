// The main window's look-up prepares the page's document on its own thread;
// what the view then shows must be what setHtml would have shown.
#include "dictionary/convertthread.h"
#include "mainwindow/pagethread.h"
#include "testutil.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
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
                    [&](QTextDocument *d) { document = d; });
            thread.start();
            QVERIFY(QTest::qWaitFor([&] { return document != nullptr; }));
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
                QTRY_VERIFY(first.isNull()); // the replaced document is freed
            thread.wait();
        }
        // A later font change reaches the shown document, as with setHtml.
        view.setFont(QFont("Sans", 20));
        QCOMPARE(view.document()->defaultFont().pointSize(), 20);
    }
};

QTEST_MAIN(TestPageThread)
#include "tst_pagethread.moc"
