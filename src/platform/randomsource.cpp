#include "platform/randomsource.h"

#include <chrono>

ClockRandom::ClockRandom()
{
    reseed();
}

void ClockRandom::reseed()
{
    // The high-resolution clock, so two rounds started within one second still differ.
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    m_engine.seed(static_cast<std::uint32_t>(ticks ^ (ticks >> 32)));
}
