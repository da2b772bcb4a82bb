#include "manualscheduler.h"

Scheduler::TaskId ManualScheduler::runAfter(int delayMs, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    const int late = m_lateness ? m_lateness() : 0;
    m_tasks.emplace(Key{m_now + qMax(0, delayMs) + late, id}, std::move(task));
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
