#include "lookup/loopfreedispatcher.h"

#include <QCoreApplication>
#include <QThread>

void LoopFreeDispatcher::install(QThread *thread)
{
    thread->setEventDispatcher(new LoopFreeDispatcher);
}

void LoopFreeDispatcher::dropUnused(QThread *thread)
{
    if (!thread->isRunning())
        delete thread->eventDispatcher();
}

bool LoopFreeDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    Q_UNUSED(flags);
    emit awake();
    QCoreApplication::sendPostedEvents();
    return false;
}
