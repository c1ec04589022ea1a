// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "randomsource.h"

#include <cstdint>
#include <functional>

// The real random source: a SplitMix64 generator re-seeded from the time of day at full clock
// resolution, mixed with the generator's previous state, so that two draws within the same
// second (or the same clock tick) still differ.
class ClockRandom final : public RandomSource
{
public:
    // Nanoseconds since midnight.
    using TimeOfDay = std::function<std::uint64_t()>;

    ClockRandom();
    explicit ClockRandom(TimeOfDay timeOfDay);

    void randomize() override;
    float next() override;

    static std::uint64_t systemTimeOfDay();

private:
    TimeOfDay m_timeOfDay;
    std::uint64_t m_state = 0;
};
