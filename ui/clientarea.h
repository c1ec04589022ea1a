// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "canvas.h"

#include <QWidget>

// The window's client area: it shows the drawing, painted as it is asked for, and every control
// lies on it.
class ClientArea : public QWidget
{
    Q_OBJECT
public:
    ClientArea(QSize size, BgrColor background, QWidget *parent = nullptr);

    QSize sizeHint() const override;

    const Canvas &canvas() const { return m_canvas; }
    Canvas &canvas() { return m_canvas; }
    // Repaints what the drawing changed since the last call.
    void updateChangedDrawing();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Canvas m_canvas;
};
