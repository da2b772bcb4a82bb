#include "scheduler.h"

#include <QTimer>

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

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

Scheduler::TaskId ManualScheduler::runAfter(int delayMs, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(Key{m_now + qMax(0, delayMs), id}, std::move(task));
    return id;
}

void ManualScheduler::cancel(TaskId id)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->first.id == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

qint64 ManualScheduler::nextDue() const
{
    return m_tasks.empty() ? -1 : m_tasks.begin()->first.due;
}

void ManualScheduler::advance(qint64 ms)
{
    const qint64 end = m_now + ms;
    while (!m_tasks.empty() && m_tasks.begin()->first.due <= end) {
        auto node = m_tasks.extract(m_tasks.begin());
        m_now = node.key().due;
        node.mapped()();
    }
    m_now = end;
}

void ManualScheduler::runUntilIdle(qint64 limitMs)
{
    const qint64 end = m_now + limitMs;
    while (!m_tasks.empty() && m_tasks.begin()->first.due <= end) {
        auto node = m_tasks.extract(m_tasks.begin());
        m_now = node.key().due;
        node.mapped()();
    }
}
