#pragma once

#include "platform/randomsource.h"

#include <QList>

// Hands out the given values in turn, again from the start when they run out; with none
// given, a fixed pseudo-random run, so every test sees the same letters.
class ScriptedRandom final : public RandomSource
{
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(QList<float> values) : m_values(std::move(values)) {}

    float next() override
    {
        if (!m_values.isEmpty())
            return m_values.at(m_next++ % m_values.size());
        m_state = m_state * 1103515245u + 12345u;
        return float((m_state >> 8) & 0xFFFFFF) * 0x1p-24f;
    }
    void reseed() override { ++reseeds; }

    int reseeds = 0;

private:
    QList<float> m_values;
    int m_next = 0;
    quint32 m_state = 20240607u;
};
