#include "platform/scheduler.h"

#include <QTimer>

QtScheduler::QtScheduler(QObject *parent) : QObject(parent)
{
    m_clock.start();
}

QtScheduler::~QtScheduler()
{
    qDeleteAll(m_timers);
}

Scheduler::TaskId QtScheduler::runAfter(int delayMs, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    // Coarse timers may fire 5 % late; the letter rhythm should not drift.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id, task = std::move(task)] {
        // Forget the timer before running the task: the task may schedule or cancel.
        if (QTimer *t = m_timers.take(id))
            t->deleteLater();
        task();
    });
    m_timers.insert(id, timer);
    timer->start(delayMs);
    return id;
}

void QtScheduler::cancel(TaskId id)
{
    if (QTimer *t = m_timers.take(id)) {
        t->stop();
        t->deleteLater();
    }
}
