// SPDX-License-Identifier: GPL-3.0-or-later
#include "clockrandom.h"

#include <chrono>
#include <utility>

namespace {

constexpr std::uint64_t goldenGamma = 0x9E3779B97F4A7C15ULL;

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

ClockRandom::ClockRandom() : ClockRandom(&ClockRandom::systemTimeOfDay) {}

ClockRandom::ClockRandom(TimeOfDay timeOfDay) : m_timeOfDay(std::move(timeOfDay)) {}

std::uint64_t ClockRandom::systemTimeOfDay()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    return static_cast<std::uint64_t>(duration_cast<nanoseconds>(now - floor<days>(now)).count());
}

void ClockRandom::randomize()
{
    m_state = mix(m_state + goldenGamma) ^ mix(m_timeOfDay());
}

float ClockRandom::next()
{
    m_state += goldenGamma;
    // The top 24 bits make a float in [0, 1) exactly: every value k / 2^24 is representable.
    return static_cast<float>(mix(m_state) >> 40) * 0x1p-24f;
}
