// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

class FocusRing;

// Black or white: the one that stands out more against the closer of the two colours.
QColor ringColorAgainst(const QColor &first, const QColor &second);

// A plain push button whose accessible actions, like its clicks, wait while a box is open (Qt's
// own accessible push button would not wait).
class PushButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// A button with its own back and text colours and a picture centred above its caption. It takes
// the focus from Tab and from a click, and shows it with a ring just outside its edge. Made
// checkable it stays pressed while selected; a click on it does not select it by itself, it asks
// (selectedByPlayer) and the owner selects it. Only code clears the selection.
class GraphicalButton : public QToolButton
{
    Q_OBJECT
public:
    explicit GraphicalButton(QWidget *parent = nullptr);
    ~GraphicalButton() override;

    BgrColor backColor() const { return m_back; }
    void setBackColor(BgrColor color);
    // Unset, the caption takes the palette's button text colour.
    void setForeColor(BgrColor color);
    bool hasForeColor() const { return m_hasFore; }
    BgrColor foreColor() const { return m_fore; }

signals:
    // The focus arrived, and why.
    void focusReceived(Qt::FocusReason reason);
    // A click (mouse, Space, assistive technology) asks to select this checkable button. A click
    // on a button that is already selected asks nothing.
    void selectedByPlayer();

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void nextCheckState() override;

private:
    BgrColor m_back = 0;
    BgrColor m_fore = 0;
    bool m_hasFore = false;
    bool m_selectedByClick = false;
    QPointer<FocusRing> m_ring;
};

// A filled rectangle with a one-pixel outline, drawn below the buttons; it takes no input.
class ShapeRect : public QWidget
{
    Q_OBJECT
public:
    ShapeRect(BgrColor fill, BgrColor outline, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BgrColor m_fill;
    BgrColor m_outline;
};

// A label of the window, placed as designed. Bordered, it has a one-pixel black frame whatever its
// text colour (QFrame would draw a plain frame in the colour of the text). One that fits its text
// is resized to its text by its owner whenever the text changes.
class TextLabel : public QLabel
{
    Q_OBJECT
public:
    TextLabel(const QRect &design, bool fitsText, bool bordered, QWidget *parent = nullptr);

    bool fitsText() const { return m_fitsText; }
    int designWidth() const { return m_designWidth; }
    // The width the label needs for its text: the text, its frame and a pixel either side.
    int widthForText() const;
    // Shows the text; a label that fits its text takes the width the text needs, wider or
    // narrower, keeping its left edge.
    void setFittedText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textLines() const;

    int m_designWidth;
    bool m_fitsText;
    bool m_bordered;
    // The wrapped text last measured, at which width, and the height of its lines.
    mutable QString m_measuredText;
    mutable int m_measuredWidth = -1;
    mutable int m_measuredHeight = 0;
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
