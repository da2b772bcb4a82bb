#pragma once

#include "platform/scheduler.h"

#include <deque>
#include <functional>

// A timed run of steps on the scheduler: actions, and pauses between them, in the order they
// were added. Nothing blocks: during a pause the event loop goes on, so the window repaints
// and the buttons answer. Steps added to an idle sequence start at once; steps added while it
// runs (also from inside one of its actions) wait their turn. cancel() drops everything that
// has not happened yet, so one run can never interleave with the next.
//
// Every step is due at its nominal time from the start of the run, not from the step before:
// a timer that fires late makes that one step late, never the ones after it.
class StepSequence
{
public:
    explicit StepSequence(Scheduler &scheduler) : m_scheduler(scheduler) {}
    ~StepSequence() { cancel(); }
    StepSequence(const StepSequence &) = delete;
    StepSequence &operator=(const StepSequence &) = delete;

    StepSequence &then(std::function<void()> action);
    StepSequence &wait(int ms);
    void cancel();

    // Something is still to happen: a pause is running or steps are waiting.
    bool isRunning() const { return m_pending != 0 || !m_steps.empty(); }

private:
    struct Step
    {
        std::function<void()> action; // empty for a pause
        int pauseMs = 0;
    };
    void add(Step step);
    void runSteps();

    Scheduler &m_scheduler;
    std::deque<Step> m_steps;
    Scheduler::TaskId m_pending = 0; // the pause now running; 0 when none
    bool m_running = false;          // inside runSteps(), so additions only queue
    qint64 m_dueMs = 0;              // when the run's next step is due, on the scheduler's clock
};
