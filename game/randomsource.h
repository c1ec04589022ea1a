// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's source of random numbers. The game re-seeds it from the time of day before every
// draw; tests substitute a source that returns chosen numbers.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Re-seeds the generator from the time of day.
    virtual void randomize() = 0;
    // The next number, uniform in [0, 1).
    virtual float next() = 0;
};
