// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The types of angle, by class code. The code is also the index of the answer button that names
// the type.
enum AngleClass : int {
    Acute = 1,
    Right = 2,
    Obtuse = 3,
    Straight = 4,
    Concave = 5,
    Full = 6,
    BeyondFull = 7, // more than a full turn: no answer button names it
};

// Pulls amplitudes near 90, 180 and 360 onto them: six windows with strict bounds, tried in order,
// each on the value the previous ones left.
float snapAmplitude(float amplitude);

// The classification chain: each of the seven tests, in the order of the codes, overwrites
// tipoangolo with its code when it holds, so the last test that holds wins (360 is Full).
void classifyAmplitude(float amplitude, int &tipoangolo);
