#pragma once

#include "platform/scheduler.h"

#include <map>

// A virtual clock for tests: time moves only when advance() is called, and every task
// runs at exactly the moment it was due.
class ManualScheduler final : public Scheduler
{
public:
    TaskId runAfter(int delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;
    qint64 now() const override { return m_now; }

    bool hasPending() const { return !m_tasks.empty(); }
    // Moment of the next pending task; -1 when nothing is pending.
    qint64 nextDue() const;
    // Moves the clock forward by ms, running every task that falls due on the way (also
    // tasks that those tasks schedule), each with the clock set to its own due time.
    void advance(qint64 ms);
    // Runs pending tasks until none is left or the clock would pass limitMs from now.
    void runUntilIdle(qint64 limitMs = 3'600'000);
    // From now on each task runs this many milliseconds after it was due, like a real
    // timer on a busy machine.
    void setLateness(std::function<int()> lateness) { m_lateness = std::move(lateness); }

private:
    struct Key
    {
        qint64 due;
        TaskId id;
        bool operator<(const Key &o) const { return due != o.due ? due < o.due : id < o.id; }
    };
    qint64 m_now = 0;
    TaskId m_nextId = 1;
    std::map<Key, std::function<void()>> m_tasks;
    std::function<int()> m_lateness;
};
