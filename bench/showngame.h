// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real game in its shown window, as the benchmarks that play on it need it.

#include "tests/support/testsupport.h"

#include "game/game.h"
#include "ui/form1.h"

namespace bench {

// A Game on a Form1, wired as main.cpp wires them, with evenly spread and reproducible draws
// (every amplitude comes up alike) and a record kept in memory. The constructor starts the game
// (its boxes need a BoxAnswerer already installed) and shows the window, returning once its first
// frame has been painted.
struct ShownGame
{
    // Enough draws for about draws turns.
    explicit ShownGame(int draws);

    // False when the game ended during its start.
    bool started() const { return !game.ended(); }

    ScriptedRandom random;
    FakeRecordStore record;
    Form1 form;
    Game game{form, random, record};
};

} // namespace bench
