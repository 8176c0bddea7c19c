#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <utility>

// The requests of one kind (the pages of the search field, the rows of the
// word list), each answered by a worker thread of its own, any number at
// once. Answers arrive in the order the workers finish; one is let through
// only when it answers a request made after the one whose answer is on
// display, so a slow older answer never takes the display back to text no
// longer typed. More of the answer on display (the next rows of a list)
// joins only that answer.
//
// Owns its workers: each goes once its thread has finished and its answer
// has been delivered, and those still running are waited for when this
// object goes. GUI thread only; the workers' signals reach it queued.
class Requests : public QObject
{
    Q_OBJECT

public:
    explicit Requests(QObject *parent = nullptr);
    // A worker takes milliseconds, and its late answer has nowhere to go;
    // one still reading the database while the process exits can crash in
    // the SQL module's teardown.
    ~Requests() override;

    // Starts `worker` (configured, not started, without a parent) as the
    // newest request. When its `ready` signal arrives, `answered` runs with
    // it, unless an answer to a later request was let through first or
    // everything on its way was dropped. Connections the caller made to the
    // worker before come first.
    template <class Worker, class Answered>
    void ask(Worker *worker, void (Worker::*ready)(), Answered answered)
    {
        const quint64 ticket = ++asked;
        connect(worker, ready, this, [this, ticket, worker, answered] {
            if (letThrough(ticket))
                answered(worker);
        });
        run(worker);
    }

    // The same for a worker that answers in parts (rows as it finds them)
    // and can stop: each `ready` of the answer on display, or of one let
    // through as above, runs `answered`. The workers asked before that can
    // stop are stopped through their `stop` first: their answers can no
    // longer be the newest.
    template <class Worker, class Answered>
    void askInParts(Worker *worker, void (Worker::*ready)(), void (Worker::*stop)(),
                    Answered answered)
    {
        stopAll();
        const quint64 ticket = ++asked;
        connect(worker, ready, this, [this, ticket, worker, answered] {
            if (ticket == shown || letThrough(ticket))
                answered(worker);
        });
        canStop(worker, stop);
        run(worker);
    }

    // Starts `worker` for more of the answer on display: `answered` runs
    // only if that answer is still on display when it arrives. Only while
    // canAskMore().
    // With `stop`, the worker is stopped as those of askInParts() are.
    template <class Worker, class Answered>
    void askMore(Worker *worker, void (Worker::*ready)(), Answered answered,
                 void (Worker::*stop)() = nullptr)
    {
        const quint64 follows = shown;
        moreFor = shown;
        connect(worker, ready, this, [this, follows, worker, answered] {
            if (follows != shown)
                return;
            moreFor = 0;
            answered(worker);
        });
        if (stop)
            canStop(worker, stop);
        run(worker);
    }
    // An answer is on display (not dropped) and no request for more of it
    // is on its way: one at a time.
    bool canAskMore() const { return shown != 0 && moreFor != shown; }

    // What is still on its way belongs to text that is gone (the field was
    // emptied): none of it is let through, and the workers that can stop
    // are stopped.
    void dropPending();
    // The answer on display is the newest request's (or nothing was on its
    // way when it was dropped).
    bool showsNewest() const { return shown == asked; }

    // Tests watch every worker through this, on the thread that starts it,
    // just before it starts; they may hold it back there (connected to its
    // started() directly). Null for none.
    using StartObserver = std::function<void(QThread *)>;
    static void setStartObserver(StartObserver observer);

private:
    // Whether the answer to `ticket` may replace the one on display; it is
    // then the one on display.
    bool letThrough(quint64 ticket);
    void run(QThread *worker);
    template <class Worker> void canStop(Worker *worker, void (Worker::*stop)())
    {
        stoppable.removeIf([](const auto &gone) { return gone.first.isNull(); });
        stoppable.append({QPointer<QThread>(worker), [worker, stop] { (worker->*stop)(); }});
    }
    // Stops every worker still running that can stop.
    void stopAll();

    quint64 asked = 0;
    quint64 shown = 0;
    // The answer on display when more of it was asked for, or when it was
    // dropped; 0 while more may be asked for.
    quint64 moreFor = 0;
    QList<QPointer<QThread>> running;
    QList<std::pair<QPointer<QThread>, std::function<void()>>> stoppable;
};
