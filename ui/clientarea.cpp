// SPDX-License-Identifier: GPL-3.0-or-later
#include "clientarea.h"

#include <QPaintEvent>
#include <QPainter>

ClientArea::ClientArea(QSize size, BgrColor background, QWidget *parent)
    : QWidget(parent), m_canvas(size, background)
{
    // The drawing covers every pixel: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ClientArea::sizeHint() const
{
    return m_canvas.size();
}

void ClientArea::updateChangedDrawing()
{
    const QRect changed = m_canvas.takeChanged();
    if (!changed.isEmpty())
        update(changed);
}

void ClientArea::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setClipRegion(event->region());
    m_canvas.paint(p, event->rect());
}
