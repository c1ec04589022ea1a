// SPDX-License-Identifier: GPL-3.0-or-later
#include "angles.h"

namespace {

struct SnapWindow
{
    float above;
    float below;
    float value;
};

constexpr SnapWindow snapWindows[] = {
    {65, 85, 90}, {1, 9, 90}, {155, 175, 180}, {115, 125, 180}, {335, 355, 360}, {315, 325, 360},
};

} // namespace

float snapAmplitude(float amplitude)
{
    for (const SnapWindow &w : snapWindows) {
        if (amplitude > w.above && amplitude < w.below)
            amplitude = w.value;
    }
    return amplitude;
}

void classifyAmplitude(float a, int &tipoangolo)
{
    if (a < 90)
        tipoangolo = Acute;
    if (a == 90)
        tipoangolo = Right;
    if (a > 90 && a < 180)
        tipoangolo = Obtuse;
    if (a == 180)
        tipoangolo = Straight;
    if (a > 180)
        tipoangolo = Concave;
    if (a == 360)
        tipoangolo = Full;
    if (a > 360)
        tipoangolo = BeyondFull;
}
