#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <cstdint>
#include <functional>

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
    // Milliseconds on the scheduler's own clock, which only ever moves forward.
    virtual qint64 now() const = 0;
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
    qint64 now() const override { return m_clock.elapsed(); }

private:
    QElapsedTimer m_clock;
    TaskId m_nextId = 1;
    QHash<TaskId, QTimer *> m_timers;
};
