// SPDX-License-Identifier: GPL-3.0-or-later
#include "sector.h"

#include <utility>

namespace {

constexpr double pi = 3.14159265;
constexpr double fullTurn = 6.2831853;
// Stands for a drawing angle of exactly 0, which could not be told apart from a positive one.
constexpr float zeroSubstitute = 0.01f;
// Where a sector that crosses 3 o'clock is split in two.
constexpr double seam = 0.01;

} // namespace

float trasformaradianti(const float &gradi)
{
    const double halfPi = pi / 2;
    return static_cast<float>(halfPi - double(gradi) * pi / 180);
}

void pigrecoesettore(DrawingSurface &obj, float X, float Y, float radius, BgrColor color,
                     float start_ang, float end_ang)
{
    float low = trasformaradianti(end_ang);
    float high = trasformaradianti(start_ang);
    if (low == 0)
        low = zeroSubstitute;
    if (high == 0)
        high = zeroSubstitute;
    if (low > high)
        std::swap(low, high);
    if (high < 0) {
        low = static_cast<float>(low + fullTurn);
        high = static_cast<float>(high + fullTurn);
    }

    if (low > 0) {
        obj.Circle(X, Y, radius, color, -low, -high);
        return;
    }

    // The sweep crosses 3 o'clock: paint both halves, seam included, in the fill colour, then
    // outline the sector without the seam.
    const double wrapped = double(low) + fullTurn;
    obj.Circle(X, Y, radius, obj.FillColor(), -wrapped, -seam);
    obj.Circle(X, Y, radius, obj.FillColor(), -seam, -high);
    obj.Circle(X, Y, radius, color, -wrapped, +seam);
    obj.Circle(X, Y, radius, color, +seam, -high);
}
