// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sector.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>

#include <vector>

class QPainter;

// The window's drawing over its client area, in the window's background colour where nothing is
// drawn. It keeps what was drawn since the last clearing as a list of strokes, and paints them
// whenever the window paints, at the window's resolution.
class Canvas final : public DrawingSurface
{
public:
    Canvas(QSize size, BgrColor background);

    QSize size() const { return m_size; }

    // Erases every drawing.
    void clear();

    void setFillColor(BgrColor color) { m_fill = color; }
    BgrColor FillColor() const override { return m_fill; }
    void Circle(float x, float y, float radius, BgrColor color, double start, double end) override;

    // Paints the drawing, background included, over the area (in logical pixels) of the
    // painter's device.
    void paint(QPainter &painter, const QRect &area) const;
    // The whole drawing as a picture of the given resolution.
    QImage image(qreal devicePixelRatio = 1.0) const;
    // The part of the drawing changed since the last call, in logical pixels. One rectangle:
    // Qt strokes the outlines much more slowly within a clip of several.
    QRect takeChanged();

private:
    // One call of Circle(), or several drawn alike one after the other, with the fill colour.
    struct Stroke
    {
        QPainterPath path;
        QColor outline;
        QColor fill; // invalid: not filled
        QRect reach; // what it may touch, in logical pixels
    };

    QSize m_size;
    QColor m_background;
    BgrColor m_fill = 0;
    std::vector<Stroke> m_strokes; // what was drawn since the last clearing
    QRect m_changed;               // what changed since the last takeChanged()
};
