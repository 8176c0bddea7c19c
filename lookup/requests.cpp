#include "lookup/requests.h"

namespace {
Requests::StartObserver &startObserver()
{
    static Requests::StartObserver observer;
    return observer;
}
} // namespace

Requests::Requests(QObject *parent) : QObject(parent)
{
}

Requests::~Requests()
{
    // Those that can stop need not run to their end first.
    stopAll();
    for (const QPointer<QThread> &worker : std::as_const(running)) {
        if (worker) {
            worker->wait();
            delete worker.data();
        }
    }
}

void Requests::dropPending()
{
    stopAll();
    // A ticket of its own, so that more asked for the answer on display no
    // longer follows anything shown; and there is no more of nothing.
    shown = ++asked;
    moreFor = shown;
}

void Requests::stopAll()
{
    for (const auto &[worker, stop] : std::as_const(stoppable)) {
        if (worker)
            stop();
    }
    stoppable.clear();
}

void Requests::setStartObserver(StartObserver observer)
{
    startObserver() = std::move(observer);
}

bool Requests::letThrough(quint64 ticket)
{
    if (ticket <= shown)
        return false;
    shown = ticket;
    moreFor = 0;
    return true;
}

void Requests::run(QThread *worker)
{
    // Connected after the answer, so the worker goes only once its answer
    // and its thread's finished() have been delivered.
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    running.removeIf([](const QPointer<QThread> &done) { return done.isNull(); });
    running << worker;
    if (startObserver())
        startObserver()(worker);
    worker->start(QThread::InheritPriority);
}
