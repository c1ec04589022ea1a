#pragma once

#include "sector.h"

#include <QImage>
#include <QRect>

#include <cstddef>
#include <vector>

class QPainter;

// The window's kept drawing over its client area, in the window's background colour where
// nothing is drawn. What is drawn stays until it is cleared; the window paints it below its
// controls. Only the part where something has been drawn is kept as a picture, which grows as
// needed: the rest is plain background. The picture has the screen's resolution, so drawings stay
// sharp when scaled.
class Canvas final : public DrawingSurface
{
public:
    Canvas(QSize size, BgrColor background, qreal devicePixelRatio = 1.0);

    QSize size() const { return m_size; }
    qreal devicePixelRatio() const { return m_devicePixelRatio; }
    // Draws again what is drawn at another resolution, as when the window moves to another screen.
    void setDevicePixelRatio(qreal devicePixelRatio);

    // Erases every drawing.
    void clear();

    void setFillColor(BgrColor color) { m_fill = color; }
    BgrColor FillColor() const override { return m_fill; }
    void Circle(float x, float y, float radius, BgrColor color, double start, double end) override;

    // Paints the area (in logical pixels) of the drawing where it lies on the painter's device.
    void paint(QPainter &painter, const QRect &area) const;
    // The whole drawing as one picture of the screen's resolution.
    QImage image() const;
    // The part of the drawing kept as a picture, in logical pixels.
    QRect keptArea() const;
    // The part of the drawing changed since the last call, in logical pixels.
    QRect takeChanged();

private:
    // One call of Circle(), with the fill colour it was given.
    struct Stroke
    {
        float x, y, radius;
        BgrColor color, fill;
        double start, end;
    };
    // At most this many strokes are kept to be drawn again; past it the picture is scaled.
    static constexpr std::size_t maxStrokes = 1024;

    // Draws a stroke into the picture; returns the area it may have touched, in logical pixels.
    QRect draw(const Stroke &stroke);
    // Grows the picture to cover an area given in the picture's own pixels.
    void keep(const QRect &pixels);

    QSize m_size;
    qreal m_devicePixelRatio;
    QImage m_picture; // covers m_pixels, in the picture's own pixels
    QRect m_pixels;   // where the picture lies, in device pixels of the whole drawing
    BgrColor m_background;
    BgrColor m_fill = 0;
    std::vector<Stroke> m_strokes; // what was drawn since the last clearing
    bool m_strokesComplete = true; // false once some were not kept
    QRect m_drawn;                 // what was drawn since the last clearing, in logical pixels
    QRect m_changed;               // what changed since the last takeChanged()
};
