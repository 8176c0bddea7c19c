#include "lookup/loopfreedispatcher.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

void LoopFreeDispatcher::install(QThread *thread)
{
    thread->setEventDispatcher(new LoopFreeDispatcher);
}

void LoopFreeDispatcher::dropUnused(QThread *thread)
{
    // A worker deleted from its own finished() signal (deleteLater) may
    // still be finishing, and Qt then deletes the dispatcher there: wait
    // for that. isRunning() is already false at that point, so it cannot
    // tell a finishing thread from one that never started.
    thread->wait();
    if (!thread->isFinished())
        delete thread->eventDispatcher();
}

void LoopFreeDispatcher::registerSocketNotifier(QSocketNotifier *notifier)
{
    qWarning() << "A socket notifier on a worker without an event loop never fires:" << notifier;
}

void LoopFreeDispatcher::registerTimer(int id, qint64 interval, Qt::TimerType type, QObject *object)
{
    Q_UNUSED(id);
    Q_UNUSED(interval);
    Q_UNUSED(type);
    qWarning() << "A timer on a worker without an event loop never fires:" << object;
}

bool LoopFreeDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    Q_UNUSED(flags);
    emit awake();
    QCoreApplication::sendPostedEvents();
    return false;
}
