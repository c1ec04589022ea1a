// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

// What the sector drawing needs of the surface it draws on.
class DrawingSurface
{
public:
    virtual ~DrawingSurface() = default;

    // The colour closed figures are filled with.
    virtual BgrColor FillColor() const = 0;

    // An arc of the circle of centre (x, y) and the given radius, in the outline colour, from the
    // drawing angle |start| counterclockwise to |end| (radians, 0 at 3 o'clock; through 0 when
    // |start| is the larger). A negative angle also draws the radius at that end; when both are
    // negative the figure is closed and filled in the fill colour.
    virtual void Circle(float x, float y, float radius, BgrColor color, double start,
                        double end) = 0;
};

// A bearing (degrees clockwise from 12 o'clock) as a drawing angle (radians counterclockwise from
// 3 o'clock), computed with the game's own constant for pi.
float trasformaradianti(const float &gradi);

// Draws the sector between two bearings, in either order: filled in the surface's fill colour,
// outlined in color. A sector that crosses 3 o'clock is drawn as two filled halves joined at a
// seam just above 3 o'clock, which stays in the fill colour, then outlined.
void pigrecoesettore(DrawingSurface &obj, float X, float Y, float radius, BgrColor color,
                     float start_ang, float end_ang);
