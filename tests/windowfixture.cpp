#include "windowfixture.h"

#include "app/openindex.h"
#include "database/database.h"
#include "lookup/requests.h"
#include "mainwindow/pagethread.h"
#include "testutil.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSemaphore>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

WindowFixture::WindowFixture()
    : edit(child<QLineEdit>("searchEdit")), view(child<QTextBrowser>("textBrowser")),
      list(child<QListView>("wordList")), splitter(child<QSplitter>("splitter")),
      statusBar(child<QStatusBar>("statusBar"))
{
    openIndex(&window);
    Requests::setStartObserver([this](QThread *thread) { watch(thread); });
}

WindowFixture::~WindowFixture()
{
    Requests::setStartObserver(nullptr);
    // The window waits for its workers as it goes.
    for (const QList<Worker> *workers : {&pages, &lists}) {
        for (const Worker &worker : *workers) {
            if (worker.gate)
                worker.gate->release();
        }
    }
}

bool WindowFixture::install(const QStringList &lines, const QString &name)
{
    const QString file = TestUtil::writeDictionary(TestUtil::makeDir(name) + "/d.txt", lines);
    const bool installed = QDir().mkpath(QFileInfo(Database::path()).path()) &&
                           TestUtil::openFreshDatabase(Database::path()) &&
                           TestUtil::install(file) == ConvertThread::Committed;
    TestUtil::closeDefaultConnection();
    return installed;
}

QAction *WindowFixture::action(const char *name) const
{
    return child<QAction>(name);
}

bool WindowFixture::showAndActivate()
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowExposed(&window) && QTest::qWaitForWindowActive(&window);
}

bool WindowFixture::shows(const QString &word) const
{
    return QTest::qWaitFor(
        [&] { return edit->text() == word && view->toPlainText().startsWith(word + "\n"); },
        TestUtil::waitTimeout);
}

bool WindowFixture::clickLink(const QString &address) const
{
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorHref() != address)
                continue;
            QTextCursor cursor(view->document());
            cursor.setPosition(it.fragment().position() + 1);
            const QPoint at = view->cursorRect(cursor).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
    }
    return false;
}

bool WindowFixture::clickBesideHeading(const char *column, int index) const
{
    auto *gutter = child<QWidget>(column);
    int headings = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 2 || headings++ != index)
            continue;
        const QRectF place = view->document()->documentLayout()->blockBoundingRect(block);
        const QTextLine line = block.layout()->lineAt(0);
        const int y =
            int(place.top() + line.y() + line.height() / 2) - view->verticalScrollBar()->value();
        QTest::mouseClick(gutter, Qt::LeftButton, {}, QPoint(gutter->width() / 2, y));
        return true;
    }
    return false;
}

bool WindowFixture::showsFirstView() const
{
    return view->toPlainText().startsWith("Type a word in the field above");
}

QStringList WindowFixture::rows() const
{
    QStringList shown;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        shown << list->model()->index(row, 0).data().toString();
    return shown;
}

int WindowFixture::currentRow() const
{
    return list->currentIndex().isValid() ? list->currentIndex().row() : -1;
}

bool WindowFixture::release(const Worker &worker)
{
    if (!worker.gate || !worker.thread)
        return false;
    const QPointer<QThread> thread = worker.thread;
    worker.gate->release();
    return QTest::qWaitFor([&] { return thread.isNull(); }, TestUtil::waitTimeout);
}

int WindowFixture::pagesRunning() const
{
    int running = 0;
    for (const Worker &worker : pages)
        running += worker.thread ? 1 : 0;
    return running;
}

void WindowFixture::watch(QThread *thread)
{
    const bool page = qobject_cast<PageThread *>(thread);
    Worker worker{thread, nullptr};
    // Queued after the window's own handling of the start.
    if (page)
        QObject::connect(thread, &QThread::started, &window, [this] { ++pagesStarted; });
    if (page ? holdPages : holdLists) {
        worker.gate = std::make_shared<QSemaphore>();
        // Connected last, on the worker's own thread as it starts: what the
        // window connected to started() has been sent on by then.
        QObject::connect(
            thread, &QThread::started, thread, [gate = worker.gate] { gate->acquire(); },
            Qt::DirectConnection);
    }
    (page ? pages : lists) << worker;
}
