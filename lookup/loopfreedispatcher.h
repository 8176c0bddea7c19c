#pragma once

#include <QAbstractEventDispatcher>

// The event dispatcher of a worker thread that never runs an event loop:
// its run() does one piece of work and returns. Qt would otherwise build a
// full dispatcher (a GLib main context and its wake-up descriptor) as each
// such thread starts, before run() begins, and tear it down as it ends.
// Events posted to the thread are still delivered when asked for; timers and
// socket notifiers never fire, and asking for one says so in a warning:
// nothing on these threads may wait for anything.
class LoopFreeDispatcher : public QAbstractEventDispatcher
{
    Q_OBJECT

public:
    // Gives `thread` a dispatcher of this kind; before it starts.
    static void install(QThread *thread);
    // From the thread's destructor: Qt deletes a thread's dispatcher as the
    // thread finishes, so one that never started still holds it. Waits for
    // a thread that is finishing.
    static void dropUnused(QThread *thread);

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier *notifier) override;
    void unregisterSocketNotifier(QSocketNotifier *) override {}
    void registerTimer(int id, qint64 interval, Qt::TimerType type, QObject *object) override;
    bool unregisterTimer(int) override { return false; }
    bool unregisterTimers(QObject *) override { return false; }
    QList<TimerInfo> registeredTimers(QObject *) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
};
