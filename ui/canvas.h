#pragma once

#include "sector.h"

#include <QImage>
#include <QRect>

// The window's kept drawing: a picture the size of the client area, in the window's background
// colour where nothing is drawn. What is drawn stays until it is cleared; the window paints it
// below its controls. It has the screen's resolution, so drawings stay sharp when scaled.
class Canvas final : public DrawingSurface
{
public:
    Canvas(QSize size, BgrColor background, qreal devicePixelRatio = 1.0);

    // Erases every drawing.
    void clear();

    void setFillColor(BgrColor color) { m_fill = color; }
    BgrColor FillColor() const override { return m_fill; }
    void Circle(float x, float y, float radius, BgrColor color, double start, double end) override;

    const QImage &image() const { return m_image; }
    // The part of the picture changed since the last call, in logical pixels.
    QRect takeChanged();

private:
    QImage m_image;
    BgrColor m_background;
    BgrColor m_fill = 0;
    QRect m_drawn;   // what was drawn since the last clearing
    QRect m_changed; // what changed since the last takeChanged()
};
