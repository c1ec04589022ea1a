#include "clientarea.h"

#include "canvas.h"

#include <QPaintEvent>
#include <QPainter>

ClientArea::ClientArea(Canvas &canvas, QWidget *parent) : QWidget(parent), m_canvas(canvas)
{
    // The kept drawing covers every pixel: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ClientArea::sizeHint() const
{
    return m_canvas.size();
}

void ClientArea::paintEvent(QPaintEvent *event)
{
    // The window may have moved to a screen of another resolution since the last drawing.
    m_canvas.setDevicePixelRatio(devicePixelRatioF());
    QPainter p(this);
    p.setClipRegion(event->region());
    m_canvas.paint(p, event->rect());
}
