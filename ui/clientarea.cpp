#include "clientarea.h"

#include "canvas.h"

#include <QPaintEvent>
#include <QPainter>

ClientArea::ClientArea(const Canvas &canvas, QWidget *parent) : QWidget(parent), m_canvas(canvas)
{
    // The kept drawing covers every pixel: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ClientArea::sizeHint() const
{
    return m_canvas.image().deviceIndependentSize().toSize();
}

void ClientArea::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setClipRegion(event->region());
    p.drawImage(QPoint(0, 0), m_canvas.image());
}
