#pragma once

#include <cstdint>
#include <random>

// Uniform single-precision values in [0, 1); the shuffle re-seeds before every round.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
    virtual void reseed() = 0;
};

class ClockRandom final : public RandomSource
{
public:
    ClockRandom();
    // 24 random bits over 2^24: every value is exact in a float and never reaches 1,
    // which std::uniform_real_distribution<float> does not promise.
    float next() override { return static_cast<float>(m_engine() >> 8) * 0x1p-24f; }
    void reseed() override;

private:
    std::mt19937 m_engine;
};
