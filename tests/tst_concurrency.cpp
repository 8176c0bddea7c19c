// Look-ups at the same time as each other and as an installation, in this
// process or another: every look-up sees either no dictionary or the
// complete one, and none fails, waits for a lock or crashes.
#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "testutil.h"

#include <QMutex>
#include <QSet>
#include <QSqlQuery>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Seen
{
    int noDictionary = 0, found = 0, other = 0;
    QStringList faults;
    QStringList lines; // debug lines meanwhile
};

// Looks `words` up in turn on `threads` threads until `stop` is set, and
// checks every page: the no-dictionary page, or exactly the page in
// `expected` once the dictionary is there.
class LookUpLoop
{
public:
    LookUpLoop(const QStringList &words, int threads) : m_words(words)
    {
        for (int t = 0; t < threads; ++t)
            m_threads.emplace_back([this, t] { run(t); });
    }
    ~LookUpLoop() { stop(); }

    // Pages of a complete dictionary; set before the loop sees one.
    void expect(const QHash<QString, QString> &pages)
    {
        QMutexLocker lock(&m_mutex);
        m_expected = pages;
    }
    void stop()
    {
        m_stop = true;
        for (std::thread &thread : m_threads) {
            if (thread.joinable())
                thread.join();
        }
    }
    // Waits for a few more rounds against the complete dictionary, then
    // stops: what the loop saw, with the debug lines caught meanwhile.
    Seen finish(std::optional<MessageCapture> &messages)
    {
        // The caller checks the count.
        (void)QTest::qWaitFor([this] { return seen().found >= 20; }, 60000);
        stop();
        Seen result = seen();
        result.lines = messages->lines(QtDebugMsg);
        messages.reset();
        qInfo("%d look-ups saw no dictionary, %d the complete one", result.noDictionary,
              result.found);
        return result;
    }
    Seen seen() const
    {
        QMutexLocker lock(&m_mutex);
        return m_seen;
    }

private:
    void run(int t)
    {
        for (int i = t; !m_stop; ++i) {
            const QString &word = m_words[i % m_words.size()];
            Page model;
            QString error;
            const SearchThread::Status status = SearchThread::lookUp(word, &model, &error);
            const QString page = PageHtml::write(model);
            QMutexLocker lock(&m_mutex);
            if (status == SearchThread::NoDictionary) {
                ++m_seen.noDictionary;
            } else if (status == SearchThread::Found && m_expected.value(word) == page) {
                ++m_seen.found;
            } else {
                ++m_seen.other;
                if (m_seen.faults.size() < 5)
                    m_seen.faults << QString("%1: status %2 %3 %4")
                                         .arg(word)
                                         .arg(status)
                                         .arg(error, page.left(200));
            }
        }
    }

    const QStringList m_words;
    std::vector<std::thread> m_threads;
    std::atomic_bool m_stop{false};
    mutable QMutex m_mutex;
    QHash<QString, QString> m_expected;
    Seen m_seen;
};

// Another program, run with a plain fork() and exec: ThreadSanitizer's
// runtime cannot follow the clone() with which QProcess starts one.
class Child
{
public:
    explicit Child(const QStringList &command)
    {
        QList<QByteArray> args;
        for (const QString &arg : command)
            args << arg.toLocal8Bit();
        std::vector<char *> argv;
        for (QByteArray &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            // Its report of the installed dictionary is not wanted here.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    // The exit status, or -1 when it did not start or did not exit.
    int wait()
    {
        int status = 0;
        if (m_pid <= 0 || waitpid(m_pid, &status, 0) != m_pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

private:
    pid_t m_pid = -1;
};

// Entry words of the file's keyed lines: a spread of them, each once.
QStringList someWords(int count)
{
    QStringList words;
    QSqlQuery query("SELECT DISTINCT name FROM t_word ORDER BY position");
    QStringList all;
    while (query.next())
        all << query.value(0).toString().toLower();
    for (int i = 0; i < count && !all.isEmpty(); ++i)
        words << all[qsizetype(i) * all.size() / count];
    return words;
}

// Counts threads that have ended. QThread::wait() synchronises inside Qt,
// where ThreadSanitizer cannot see it; a count raised at the very end of a
// thread (finished() comes after run() returns) and read after wait() shows
// the checker the same order. No queued signal is used in these tests for
// the same reason: events cross threads under Qt's own locks.
class EndCount
{
public:
    void watch(QThread *thread)
    {
        QObject::connect(
            thread, &QThread::finished, thread,
            [this] { m_ended.fetch_add(1, std::memory_order_acq_rel); }, Qt::DirectConnection);
    }
    int ended() const { return m_ended.load(std::memory_order_acquire); }

private:
    std::atomic_int m_ended{0};
};

ConvertThread::Outcome build(const QString &file)
{
    return TestUtil::build(file).outcome;
}

QHash<QString, QString> pagesOf(const QStringList &words)
{
    QHash<QString, QString> pages;
    for (const QString &word : words) {
        Page page;
        if (SearchThread::lookUp(word, &page) == SearchThread::Found)
            pages.insert(word, PageHtml::write(page));
    }
    return pages;
}

} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

    QString dir, dictionary;
    QStringList words;
    QHash<QString, QString> expected;

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("concurrency");
        dictionary = dir + "/big.txt";
        QVERIFY(Generator::write(dictionary, {300000, false, 17}));
        // The pages every look-up must give once the dictionary is there.
        QVERIFY(TestUtil::openFreshDatabase(dir + "/pages.db"));
        QCOMPARE(build(dictionary), ConvertThread::Committed);
        words = someWords(20);
        expected = pagesOf(words);
        QCOMPARE(expected.size(), words.size());
    }

    void twoHundredSearchThreadsAtOnce()
    {
        QVERIFY(TestUtil::openFreshDatabase(dir + "/pages.db"));
        MessageCapture messages;
        QList<SearchThread *> threads;
        QList<QString> pages(200);
        std::mutex mutex;
        EndCount count;
        for (int i = 0; i < 200; ++i) {
            auto *thread = new SearchThread;
            thread->setWord(words[i % words.size()]);
            count.watch(thread);
            // Taken on the worker's thread.
            connect(
                thread, &SearchThread::finished, thread,
                [&pages, &mutex, i](const QString &html) {
                    std::lock_guard lock(mutex);
                    pages[i] = html;
                },
                Qt::DirectConnection);
            threads << thread;
        }
        for (SearchThread *thread : std::as_const(threads))
            thread->start(QThread::InheritPriority);
        for (SearchThread *thread : std::as_const(threads))
            QVERIFY(thread->wait(120000));
        QCOMPARE(count.ended(), 200);
        for (int i = 0; i < 200; ++i)
            QVERIFY2(pages[i] == expected[words[i % words.size()]], qPrintable(QString::number(i)));
        QCOMPARE(messages.all(), QStringList());
        qDeleteAll(threads);
    }

    void lookUpsDuringABuildAndItsCancel()
    {
        // An install in this process, on the builder's own thread, first
        // stopped half-way, then run to the end, with look-ups throughout.
        QVERIFY(TestUtil::openFreshDatabase(dir + "/inprocess.db"));
        std::optional<MessageCapture> messages(std::in_place);
        LookUpLoop loop(words, 4);
        const TestUtil::Build stopped = TestUtil::build(
            dictionary, [](const QList<int> &progress) { return progress.last() >= 50; });
        QCOMPARE(stopped.outcome, ConvertThread::Canceled);
        QCOMPARE(TestUtil::rowCount("t_word"), 0);
        loop.expect(expected);
        QCOMPARE(build(dictionary), ConvertThread::Committed);
        const Seen seen = loop.finish(messages);
        QVERIFY2(seen.found >= 20 && seen.other == 0, qPrintable(seen.faults.join('\n')));
        const QStringList &lines = seen.lines;
        // Only the lines of the stop and of each no-dictionary page.
        QCOMPARE(lines.count("Convert thread was canceled."), 1);
        QCOMPARE(lines.count("QSqlQuery::next failed."), seen.noDictionary);
        QCOMPARE(lines.size(), seen.noDictionary + 1);
    }

    void lookUpsWhileAnotherProcessInstalls()
    {
        QVERIFY(TestUtil::openFreshDatabase(dir + "/shared.db"));
        std::optional<MessageCapture> messages(std::in_place);
        Child install({qEnvironmentVariable("ORVEL_CLI"), "--database", dir + "/shared.db",
                       "install", dictionary});
        LookUpLoop loop(words, 3);
        loop.expect(expected);
        QCOMPARE(install.wait(), 0);
        const Seen seen = loop.finish(messages);
        QVERIFY2(seen.found >= 20 && seen.other == 0, qPrintable(seen.faults.join('\n')));
        const QStringList &lines = seen.lines;
        // Look-ups never waited into a failure, and no query failed.
        QCOMPARE(lines.filter("QSqlQuery::exec failed."), QStringList());
        QCOMPARE(lines.count("QSqlQuery::next failed."), seen.noDictionary);
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
