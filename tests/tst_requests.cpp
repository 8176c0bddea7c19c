// Requests: which answers of workers running at once are let through, in
// whatever order the workers finish, and that the workers go with it.

#include "lookup/requests.h"
#include "testutil.h"

#include <QPointer>
#include <QSemaphore>
#include <QTest>

#include <memory>

namespace {

// A request's worker, held back until the test lets it answer.
class Worker : public QThread
{
    Q_OBJECT

public:
    explicit Worker(QString name) : name(std::move(name)) {}
    const QString name;
    QSemaphore gate;
    // Asked to stop (on the thread that asked it): it answers at once.
    QStringList *stops = nullptr;
    void stop()
    {
        if (stops)
            *stops << name;
        gate.release();
    }

signals:
    void ready();

protected:
    void run() override
    {
        gate.acquire();
        emit ready();
    }
};

// Lets `worker` answer and waits until it is gone, which is after its
// answer has been delivered.
bool finish(const QPointer<Worker> &worker)
{
    worker->gate.release();
    return QTest::qWaitFor([&] { return worker.isNull(); }, TestUtil::waitTimeout);
}

// Runs a script on one Requests object: "a1" asks request 1, "p1" asks it
// of a worker that can stop, "m2" asks as request 2 for more of the answer
// on display, "s2" the same of a worker that can stop, "f1" lets request 1
// finish and waits until its worker is gone, "d" drops what is on its way.
// Gives the answers let through, in order, more marked with "+", and the
// workers stopped, as the requests go at the end of the script.
QStringList play(const QString &script, QStringList *stopped = nullptr)
{
    QStringList shown;
    auto requests = std::make_unique<Requests>();
    QHash<QString, QPointer<Worker>> workers;
    const auto make = [&](const QString &name) {
        workers[name] = new Worker(name);
        workers[name]->stops = stopped;
        return workers[name].data();
    };
    for (const QString &step : script.split(' ')) {
        const QString name = step.mid(1);
        const auto answer = [&](Worker *w) { shown << w->name; };
        const auto more = [&](Worker *w) { shown << w->name + "+"; };
        switch (step.at(0).toLatin1()) {
        case 'a':
            requests->ask(make(name), &Worker::ready, answer);
            break;
        case 'p':
            requests->askInParts(make(name), &Worker::ready, &Worker::stop, answer);
            break;
        case 'm':
            requests->askMore(make(name), &Worker::ready, more);
            break;
        case 's':
            requests->askMore(make(name), &Worker::ready, more, &Worker::stop);
            break;
        case 'f':
            if (!finish(workers.value(name)))
                return {"worker " + name + " did not go"};
            break;
        case 'd':
            requests->dropPending();
            break;
        }
    }
    requests.reset();
    return shown;
}

} // namespace

class RequestsTest : public QObject
{
    Q_OBJECT

private slots:
    void newestAnswerWins_data();
    void newestAnswerWins();
    void moreIsAskedOneAtATime();
    void workersGoWithTheRequests();
    void workersThatCanStopAreStopped_data();
    void workersThatCanStopAreStopped();
};

void RequestsTest::newestAnswerWins_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("in order") << "a1 a2 f1 f2" << QStringList{"1", "2"};
    QTest::newRow("the newer first") << "a1 a2 f2 f1" << QStringList{"2"};
    QTest::newRow("the middle one first") << "a1 a2 a3 f2 f1 f3" << QStringList{"2", "3"};
    QTest::newRow("dropped on its way") << "a1 d f1" << QStringList();
    QTest::newRow("dropped, then asked anew") << "a1 d a2 f1 f2" << QStringList{"2"};
    QTest::newRow("more joins its answer") << "a1 f1 m2 f2" << QStringList{"1", "2+"};
    QTest::newRow("more, a newer answer still on its way")
        << "a1 f1 a2 m3 f3 f2" << QStringList{"1", "3+", "2"};
    QTest::newRow("more for a replaced answer") << "a1 f1 m2 a3 f3 f2" << QStringList{"1", "3"};
    QTest::newRow("more for a dropped answer") << "a1 f1 m2 d f2" << QStringList{"1"};
}

void RequestsTest::newestAnswerWins()
{
    QFETCH(QString, script);
    QFETCH(QStringList, shown);
    QCOMPARE(play(script), shown);
}

void RequestsTest::moreIsAskedOneAtATime()
{
    Requests requests;
    const auto ignore = [](Worker *) {};
    // Nothing on display yet: there is nothing to have more of.
    QVERIFY(!requests.canAskMore());
    auto *first = new Worker(QString());
    requests.ask(first, &Worker::ready, ignore);
    QVERIFY(!requests.showsNewest());
    QVERIFY(finish(first));
    QVERIFY(requests.showsNewest());
    QVERIFY(requests.canAskMore());
    auto *more = new Worker(QString());
    requests.askMore(more, &Worker::ready, ignore);
    QVERIFY(!requests.canAskMore());
    QVERIFY(finish(more));
    QVERIFY(requests.canAskMore());
    // Nothing on display again.
    requests.dropPending();
    QVERIFY(!requests.canAskMore());
}

void RequestsTest::workersGoWithTheRequests()
{
    auto requests = std::make_unique<Requests>();
    auto *worker = new Worker(QString());
    const QPointer<Worker> running = worker;
    bool answered = false;
    requests->ask(worker, &Worker::ready, [&](Worker *) { answered = true; });
    // Let go from elsewhere while the requests wait for it: they go only
    // once it has run to its end, and take it with them.
    std::unique_ptr<QThread> releaser(QThread::create([worker] {
        QThread::msleep(50);
        worker->gate.release();
    }));
    releaser->start();
    requests.reset();
    QVERIFY(running.isNull());
    releaser->wait();
    // Its answer had nowhere to go.
    QCoreApplication::processEvents();
    QVERIFY(!answered);
}

void RequestsTest::workersThatCanStopAreStopped_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("stopped");
    QTest::newRow("a newer one asked") << "p1 p2 f2" << QStringList{"1"};
    QTest::newRow("answered in parts") << "p1 f1 p2 f2" << QStringList();
    QTest::newRow("dropped") << "p1 d" << QStringList{"1"};
    QTest::newRow("more, then a newer one") << "p1 f1 s2 p3 f3" << QStringList{"2"};
    QTest::newRow("more that cannot stop") << "p1 f1 m2 p3 f3 f2" << QStringList();
    QTest::newRow("the requests go") << "a1 f1 p2" << QStringList{"2"};
}

// Workers that can stop are stopped once their answers cannot be shown;
// the others run to their end.
void RequestsTest::workersThatCanStopAreStopped()
{
    QFETCH(QString, script);
    QFETCH(QStringList, stopped);
    QStringList were;
    play(script, &were);
    QCOMPARE(were, stopped);
}

QTEST_MAIN(RequestsTest)
#include "tst_requests.moc"
