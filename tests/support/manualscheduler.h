#pragma once

#include "platform/scheduler.h"

#include <map>

// A virtual clock for tests: time moves only when told to, and every task runs at exactly
// the moment it was due (also tasks that tasks schedule), with the clock set to that moment.
class ManualScheduler final : public Scheduler
{
public:
    TaskId runAfter(int delayMs, std::function<void()> task) override
    {
        const int late = m_lateness ? m_lateness() : 0;
        m_tasks.emplace(std::pair{m_now + qMax(0, delayMs) + late, m_nextId}, std::move(task));
        return m_nextId++;
    }
    void cancel(TaskId id) override
    {
        std::erase_if(m_tasks, [id](const auto &task) { return task.first.second == id; });
    }
    qint64 now() const override { return m_now; }
    bool hasPending() const { return !m_tasks.empty(); }

    // Moves the clock forward by ms, running every task that falls due on the way.
    void advance(qint64 ms)
    {
        const qint64 end = m_now + ms;
        runUntilIdle(ms);
        m_now = end;
    }
    // Runs pending tasks until none is left or the clock would pass limitMs from now.
    void runUntilIdle(qint64 limitMs = 3'600'000)
    {
        const qint64 end = m_now + limitMs;
        while (!m_tasks.empty() && m_tasks.begin()->first.first <= end) {
            auto node = m_tasks.extract(m_tasks.begin());
            m_now = node.key().first;
            node.mapped()();
        }
    }
    // From now on each task runs this many milliseconds after it was due, like a real timer
    // on a busy machine.
    void setLateness(std::function<int()> lateness) { m_lateness = std::move(lateness); }

private:
    qint64 m_now = 0;
    TaskId m_nextId = 1;
    std::map<std::pair<qint64, TaskId>, std::function<void()>> m_tasks; // by due time, then order
    std::function<int()> m_lateness;
};
