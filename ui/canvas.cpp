// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas.h"

#include "colors.h"

#include <QPainter>

#include <cmath>
#include <numbers>
#include <utility>

namespace {

// Qt takes degrees. They are rounded to a ten-thousandth of a degree (a few millionths of a pixel
// at the sector's radius) so that two radii at the same angle but for the last bits of a float,
// such as the two edges of a full turn, fall on the same pixels.
double degrees(double radians)
{
    return std::round(radians * 180.0 / std::numbers::pi * 1e4) / 1e4;
}

} // namespace

Canvas::Canvas(QSize size, BgrColor background) : m_size(size), m_background(fromBgr(background)) {}

void Canvas::clear()
{
    for (const Stroke &stroke : m_strokes)
        m_changed |= stroke.reach;
    m_strokes.clear();
}

QRect Canvas::takeChanged()
{
    return std::exchange(m_changed, QRect());
}

void Canvas::Circle(float x, float y, float radius, BgrColor color, double start, double end)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius))
        return;
    const double from = std::abs(start);
    double sweep = std::abs(end) - from;
    if (sweep < 0)
        sweep += 2 * std::numbers::pi;
    const QPointF centre(x, y);
    const QRectF box(x - radius, y - radius, 2.0 * radius, 2.0 * radius);
    Stroke stroke{{}, fromBgr(color), {}, {}};
    if (start < 0)
        stroke.path.moveTo(centre); // arcTo() joins the arc to it: the radius at the start
    else
        stroke.path.arcMoveTo(box, degrees(from));
    stroke.path.arcTo(box, degrees(from), degrees(sweep));
    if (end < 0)
        stroke.path.lineTo(centre);
    if (start < 0 && end < 0) {
        stroke.path.closeSubpath();
        stroke.fill = fromBgr(m_fill);
    }

    // What the stroke may touch, within the drawing: its circle's box, there only near its path,
    // with room for the pen and its joins (taken in floating point: a circle far outside would
    // overflow whole pixel numbers).
    const QRectF reach = box.normalized().adjusted(-2, -2, 2, 2) &
                         stroke.path.boundingRect().adjusted(-3, -3, 3, 3) &
                         QRectF(QPointF(0, 0), QSizeF(m_size));
    if (reach.isEmpty())
        return;
    stroke.reach = reach.toAlignedRect();
    m_changed |= stroke.reach;
    // A stroke drawn alike the one before it (the two halves of a sector, or their two outlines)
    // joins its path: painted as one, they cost one setting up of the pen and brush instead of two.
    // Filled, the two count as one area where either covers it.
    if (!m_strokes.empty() && m_strokes.back().outline == stroke.outline &&
        m_strokes.back().fill == stroke.fill) {
        Stroke &last = m_strokes.back();
        last.path.setFillRule(Qt::WindingFill);
        last.path.addPath(stroke.path);
        last.reach |= stroke.reach;
        return;
    }
    m_strokes.push_back(std::move(stroke));
}

void Canvas::paint(QPainter &painter, const QRect &area) const
{
    painter.fillRect(area, m_background);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const Stroke &stroke : m_strokes) {
        if (!stroke.reach.intersects(area))
            continue;
        painter.setPen(QPen(stroke.outline, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(stroke.fill.isValid() ? QBrush(stroke.fill) : QBrush());
        painter.drawPath(stroke.path);
    }
}

QImage Canvas::image(qreal devicePixelRatio) const
{
    QImage whole(m_size * devicePixelRatio, QImage::Format_RGB32);
    whole.setDevicePixelRatio(devicePixelRatio);
    whole.fill(m_background); // the last row and column may lie past the painted area
    QPainter painter(&whole);
    paint(painter, QRect(QPoint(0, 0), m_size));
    return whole;
}
