#include "stepsequence.h"

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
    m_steps.push_back(std::move(step));
    if (!m_running && m_pending == 0)
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
            m_pending = m_scheduler.runAfter(step.pauseMs, [this] {
                m_pending = 0;
                runSteps();
            });
        }
    }
    m_running = false;
}
