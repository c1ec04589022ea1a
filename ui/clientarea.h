#pragma once

#include <QWidget>

class Canvas;

// The window's client area: it shows the kept drawing, and every control lies on it.
class ClientArea : public QWidget
{
    Q_OBJECT
public:
    ClientArea(Canvas &canvas, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Canvas &m_canvas;
};
