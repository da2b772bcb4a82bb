#include "game/stepsequence.h"

StepSequence &StepSequence::then(std::function<void()> action)
{
    add({std::move(action), 0});
    return *this;
}

StepSequence &StepSequence::wait(int ms)
{
    add({{}, ms});
    return *this;
}

void StepSequence::cancel()
{
    m_steps.clear();
    if (m_pending != 0) {
        m_scheduler.cancel(m_pending);
        m_pending = 0;
    }
}

void StepSequence::add(Step step)
{
    const bool idle = !m_running && !isRunning();
    if (idle)
        m_dueMs = m_scheduler.now(); // a new run starts its clock now
    m_steps.push_back(std::move(step));
    if (idle)
        runSteps();
}

void StepSequence::runSteps()
{
    m_running = true;
    while (!m_steps.empty() && m_pending == 0) {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        if (step.action) {
            step.action();
        } else {
            m_dueMs += step.pauseMs;
            const qint64 delay = qMax<qint64>(0, m_dueMs - m_scheduler.now());
            m_pending = m_scheduler.runAfter(int(delay), [this] {
                m_pending = 0;
                runSteps();
            });
        }
    }
    m_running = false;
}
