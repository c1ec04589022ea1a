#include "canvas.h"

#include "colors.h"

#include <QPainter>
#include <QPainterPath>

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

Canvas::Canvas(QSize size, BgrColor background, qreal devicePixelRatio)
    : m_image(size * devicePixelRatio, QImage::Format_RGB32), m_background(background)
{
    m_image.setDevicePixelRatio(devicePixelRatio);
    m_image.fill(fromBgr(m_background));
}

void Canvas::clear()
{
    // Only what was drawn needs erasing: the rest is still the background.
    const QRect drawn = std::exchange(m_drawn, QRect());
    if (drawn.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.fillRect(drawn, fromBgr(m_background));
    m_changed |= drawn;
}

QRect Canvas::takeChanged()
{
    return std::exchange(m_changed, QRect());
}

void Canvas::Circle(float x, float y, float radius, BgrColor color, double start, double end)
{
    const double from = std::abs(start);
    double sweep = std::abs(end) - from;
    if (sweep < 0)
        sweep += 2 * std::numbers::pi;

    const QPointF centre(x, y);
    const QRectF box(x - radius, y - radius, 2.0 * radius, 2.0 * radius);
    QPainterPath path;
    if (start < 0)
        path.moveTo(centre); // arcTo() joins the arc to it: the radius at the start
    else
        path.arcMoveTo(box, degrees(from));
    path.arcTo(box, degrees(from), degrees(sweep));
    if (end < 0)
        path.lineTo(centre);

    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(fromBgr(color), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (start < 0 && end < 0) {
        path.closeSubpath();
        painter.setBrush(fromBgr(m_fill));
    } else {
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawPath(path);

    const QRect touched = box.toAlignedRect().adjusted(-2, -2, 2, 2);
    m_drawn |= touched;
    m_changed |= touched;
}
