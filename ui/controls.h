#pragma once

#include "gamewindow.h"

#include <QPixmap>
#include <QToolButton>
#include <QWidget>

// A button with its own back and text colours and a picture centred above its caption. It takes
// the focus from Tab and from a click. Made checkable it stays pressed while selected, and a
// click selects it (never deselects it): only code clears the selection.
class GraphicalButton : public QToolButton
{
    Q_OBJECT
public:
    explicit GraphicalButton(QWidget *parent = nullptr);

    BgrColor backColor() const { return m_back; }
    void setBackColor(BgrColor color);
    // Unset, the caption takes the palette's button text colour.
    void setForeColor(BgrColor color);
    bool hasForeColor() const { return m_hasFore; }
    BgrColor foreColor() const { return m_fore; }

signals:
    // The focus arrived, and why.
    void focusReceived(Qt::FocusReason reason);
    // A click (mouse, Space, a shortcut) selected this checkable button. A click on a button
    // that is already selected changes nothing and does not emit it.
    void selectedByPlayer();

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void nextCheckState() override;

private:
    BgrColor m_back = 0;
    BgrColor m_fore = 0;
    bool m_hasFore = false;
    bool m_selectedByClick = false;
};

// A filled rectangle with a one-pixel outline, drawn below the buttons; it takes no input.
class ShapeRect : public QWidget
{
    Q_OBJECT
public:
    ShapeRect(BgrColor fill, BgrColor outline, QWidget *parent = nullptr);

    BgrColor fillColor() const { return m_fill; }
    BgrColor outlineColor() const { return m_outline; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BgrColor m_fill;
    BgrColor m_outline;
};

// A sunken box showing a picture at its top-left corner; it takes the focus from Tab.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};
