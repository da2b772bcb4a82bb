#pragma once

#include <QHash>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

class QTimer;

// Timed steps of the game (card presentation, round animation, pauses) go through this
// seam, so that the window stays responsive while they wait and tests can run them on
// a clock of their own.
class Scheduler
{
public:
    using TaskId = std::uint64_t;

    virtual ~Scheduler() = default;

    // Runs task once, delayMs milliseconds from now, on the calling (UI) thread.
    virtual TaskId runAfter(int delayMs, std::function<void()> task) = 0;
    // Forgets a task that has not run yet; unknown or finished ids are ignored.
    virtual void cancel(TaskId id) = 0;
};

// The real clock: one precise single-shot QTimer per pending task.
class QtScheduler final : public QObject, public Scheduler
{
    Q_OBJECT
public:
    explicit QtScheduler(QObject *parent = nullptr);
    ~QtScheduler() override;

    TaskId runAfter(int delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;

private:
    TaskId m_nextId = 1;
    QHash<TaskId, QTimer *> m_timers;
};

// A virtual clock for tests: time moves only when advance() is called, and every task
// runs at exactly the moment it was due.
class ManualScheduler final : public Scheduler
{
public:
    TaskId runAfter(int delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;

    qint64 now() const { return m_now; }
    bool hasPending() const { return !m_tasks.empty(); }
    // Moment of the next pending task; -1 when nothing is pending.
    qint64 nextDue() const;
    // Moves the clock forward by ms, running every task that falls due on the way (also
    // tasks that those tasks schedule), each with the clock set to its own due time.
    void advance(qint64 ms);
    // Runs pending tasks until none is left or the clock would pass limitMs from now.
    void runUntilIdle(qint64 limitMs = 3'600'000);

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
};
