#include "canvas.h"

#include "colors.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>
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
    : m_size(size), m_devicePixelRatio(devicePixelRatio), m_background(background)
{}

// The device pixels that an area given in logical pixels touches, within the drawing.
static QRect toPixels(const QRect &area, QSize size, qreal devicePixelRatio)
{
    const QRectF scaled(QPointF(area.topLeft()) * devicePixelRatio,
                        QSizeF(area.size()) * devicePixelRatio);
    return scaled.toAlignedRect() & QRect(QPoint(0, 0), size * devicePixelRatio);
}

// Where device pixels lie in logical pixels.
static QRectF toLogical(const QRect &pixels, qreal devicePixelRatio)
{
    return {QPointF(pixels.topLeft()) / devicePixelRatio, QSizeF(pixels.size()) / devicePixelRatio};
}

// Copies every pixel of a picture into a larger one, its top left corner at a point.
static void copyPixels(const QImage &from, QImage &to, QPoint at)
{
    const auto rowBytes = size_t(from.width()) * sizeof(QRgb);
    for (int y = 0; y < from.height(); ++y)
        std::memcpy(to.scanLine(at.y() + y) + size_t(at.x()) * sizeof(QRgb), from.constScanLine(y),
                    rowBytes);
}

void Canvas::clear()
{
    // Only what was drawn needs erasing: the rest is still the background.
    m_strokes.clear();
    m_strokesComplete = true;
    const QRect drawn = std::exchange(m_drawn, QRect());
    const QRect pixels = toPixels(drawn, m_size, m_devicePixelRatio) & m_pixels;
    const QRgb background = fromBgr(m_background).rgb();
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(m_picture.scanLine(y - m_pixels.top()));
        std::fill_n(row + (pixels.left() - m_pixels.left()), pixels.width(), background);
    }
    m_changed |= drawn;
}

QRect Canvas::takeChanged()
{
    return std::exchange(m_changed, QRect());
}

QRect Canvas::keptArea() const
{
    if (m_pixels.isEmpty())
        return {};
    return toLogical(m_pixels, m_devicePixelRatio).toAlignedRect();
}

void Canvas::keep(const QRect &pixels)
{
    const QRect wanted = m_pixels | pixels;
    if (wanted == m_pixels)
        return;
    QImage grown(wanted.size(), QImage::Format_RGB32);
    grown.fill(fromBgr(m_background));
    copyPixels(m_picture, grown, m_pixels.topLeft() - wanted.topLeft());
    grown.setDevicePixelRatio(m_devicePixelRatio);
    m_picture = std::move(grown);
    m_pixels = wanted;
}

void Canvas::paint(QPainter &painter, const QRect &area) const
{
    // The background around the picture, then the picture over it. The picture's edges may fall
    // between logical pixels: the background reaches under them, and the picture covers it.
    const QColor background = fromBgr(m_background);
    if (m_picture.isNull()) {
        painter.fillRect(area, background);
        return;
    }
    const QRect inside = toLogical(m_pixels, m_devicePixelRatio).toRect().adjusted(1, 1, -1, -1);
    for (const QRect &part : QRegion(area).subtracted(QRegion(inside)))
        painter.fillRect(part, background);
    if (keptArea().intersects(area))
        painter.drawImage(toLogical(m_pixels, m_devicePixelRatio).topLeft(), m_picture);
}

QImage Canvas::image() const
{
    QImage whole(m_size * m_devicePixelRatio, QImage::Format_RGB32);
    whole.fill(fromBgr(m_background));
    copyPixels(m_picture, whole, m_pixels.topLeft());
    whole.setDevicePixelRatio(m_devicePixelRatio);
    return whole;
}

void Canvas::Circle(float x, float y, float radius, BgrColor color, double start, double end)
{
    const Stroke stroke{x, y, radius, color, m_fill, start, end};
    if (m_strokes.size() < maxStrokes)
        m_strokes.push_back(stroke);
    else
        m_strokesComplete = false;
    const QRect touched = draw(stroke);
    m_drawn |= touched;
    m_changed |= touched;
}

void Canvas::setDevicePixelRatio(qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0) || devicePixelRatio == m_devicePixelRatio)
        return;
    const qreal previous = std::exchange(m_devicePixelRatio, devicePixelRatio);
    if (m_picture.isNull())
        return;
    if (m_strokesComplete) {
        m_picture = QImage();
        m_pixels = QRect();
        for (const Stroke &stroke : m_strokes)
            draw(stroke);
        return;
    }
    // Too much was drawn to draw it all again: the picture is scaled instead.
    const QRect pixels =
        toPixels(toLogical(m_pixels, previous).toAlignedRect(), m_size, m_devicePixelRatio);
    QImage scaled = m_picture.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB32);
    scaled.setDevicePixelRatio(m_devicePixelRatio);
    m_picture = std::move(scaled);
    m_pixels = pixels;
    // Scaling spreads the drawing over the whole picture: all of it is erased at the next clearing.
    m_drawn |= keptArea();
}

QRect Canvas::draw(const Stroke &stroke)
{
    const auto [x, y, radius, color, fill, start, end] = stroke;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius))
        return {};
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

    // What the outline may touch, within the drawing (taken in floating point: a circle far
    // outside would overflow whole pixel numbers).
    const QRectF reach =
        box.normalized().adjusted(-2, -2, 2, 2) & QRectF(QPointF(0, 0), QSizeF(m_size));
    const QRect touched = reach.isEmpty() ? QRect() : reach.toAlignedRect();
    const QRect pixels = toPixels(touched, m_size, m_devicePixelRatio);
    if (pixels.isEmpty())
        return touched;
    keep(pixels);

    QPainter painter(&m_picture);
    painter.translate(-toLogical(m_pixels, m_devicePixelRatio).topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(fromBgr(color), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (start < 0 && end < 0) {
        path.closeSubpath();
        painter.setBrush(fromBgr(fill));
    } else {
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawPath(path);
    return touched;
}
