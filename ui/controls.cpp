// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls.h"

#include "colors.h"

#include <QFocusEvent>
#include <QFocusFrame>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <utility>

QColor ringColorAgainst(const QColor &first, const QColor &second)
{
    const QColor black(Qt::black), white(Qt::white);
    const auto worst = [&](const QColor &ring) {
        return std::min(contrast(ring, first), contrast(ring, second));
    };
    return worst(black) >= worst(white) ? black : white;
}

// Shows where the focus is: two pixels of white around two of black, just outside the control's
// edge, so that the control's own pixels stay as they are. Whatever lies around the control, one
// of the two stands out against it at least 4.5:1. Being a QFocusFrame keeps it out of what
// assistive technology lists.
class FocusRing : public QFocusFrame
{
public:
    static constexpr int thickness = 4;

    explicit FocusRing(QWidget *control) : QFocusFrame(control->parentWidget()), m_control(control)
    {}

    void showAround()
    {
        setGeometry(m_control->geometry().adjusted(-thickness, -thickness, thickness, thickness));
        setMask(QRegion(rect()).subtracted(
            rect().adjusted(thickness, thickness, -thickness, -thickness)));
        stackUnder(m_control);
        show();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.fillRect(rect().adjusted(2, 2, -2, -2), Qt::black);
    }

private:
    QWidget *m_control;
};

namespace {

// A classic two-pixel bevel: light above and left, dark below and right; inverted when sunken.
void drawBevel(QPainter &p, const QRect &r, bool sunken)
{
    const QColor light(255, 255, 255), mid(128, 128, 128), dark(0, 0, 0);
    const QColor outerTopLeft = sunken ? dark : light;
    const QColor outerBottomRight = sunken ? light : dark;
    const QColor innerBottomRight = sunken ? QColor(223, 223, 223) : mid;
    const QColor innerTopLeft = sunken ? mid : QColor(223, 223, 223);

    p.setPen(outerTopLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(outerBottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const QRect in = r.adjusted(1, 1, -1, -1);
    p.setPen(innerTopLeft);
    p.drawLine(in.topLeft(), in.topRight());
    p.drawLine(in.topLeft(), in.bottomLeft());
    p.setPen(innerBottomRight);
    p.drawLine(in.bottomLeft(), in.bottomRight());
    p.drawLine(in.topRight(), in.bottomRight());
}

} // namespace

GraphicalButton::GraphicalButton(QWidget *parent) : QToolButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    setAutoRaise(false);
    // Ask for the selection once the click is complete, after clicked().
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (std::exchange(m_selectedByClick, false))
            emit selectedByPlayer();
    });
}

GraphicalButton::~GraphicalButton()
{
    delete m_ring;
}

void GraphicalButton::setBackColor(BgrColor color)
{
    if (m_back == color)
        return;
    m_back = color;
    update();
}

void GraphicalButton::setForeColor(BgrColor color)
{
    if (m_hasFore && m_fore == color)
        return;
    m_fore = color;
    m_hasFore = true;
    update();
}

void GraphicalButton::focusInEvent(QFocusEvent *event)
{
    QToolButton::focusInEvent(event);
    if (!m_ring && parentWidget())
        m_ring = new FocusRing(this);
    if (m_ring)
        m_ring->showAround();
    emit focusReceived(event->reason());
}

void GraphicalButton::focusOutEvent(QFocusEvent *event)
{
    QToolButton::focusOutEvent(event);
    if (m_ring)
        m_ring->hide();
}

void GraphicalButton::nextCheckState()
{
    // The selection is the owner's to make, once it has let the click through.
    m_selectedByClick = isCheckable() && !isChecked();
}

void GraphicalButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const bool sunken = isDown() || isChecked();
    p.fillRect(r, fromBgr(m_back));
    drawBevel(p, r, sunken);

    // Inside the two-pixel bevel. Pressed, the picture and the caption move one pixel down.
    const int shift = sunken ? 1 : 0;
    const QRect inner = r.adjusted(2, 3 + shift, -2, -2 + shift);
    int captionTop = inner.top();
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const QRect iconRect(inner.left() + (inner.width() - size.width()) / 2, inner.top(),
                             size.width(), size.height());
        icon().paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        captionTop = iconRect.bottom() + 1;
    }

    // The caption stays on one line: where this machine's font is a little wider than the one
    // the button was designed for, the letters move closer together.
    const QRect captionRect(inner.left(), captionTop, inner.width(), inner.bottom() - captionTop);
    QFont captionFont = font();
    const int needed = QFontMetrics(captionFont).horizontalAdvance(text());
    if (needed > captionRect.width() && text().size() > 1) {
        captionFont.setLetterSpacing(QFont::AbsoluteSpacing,
                                     -qreal(needed - captionRect.width()) / (text().size() - 1));
    }
    p.setFont(captionFont);
    const int flags = Qt::AlignHCenter | (icon().isNull() ? Qt::AlignVCenter : Qt::AlignTop) |
                      Qt::TextSingleLine | Qt::TextDontClip;
    if (isEnabled()) {
        p.setPen(m_hasFore ? fromBgr(m_fore) : palette().color(QPalette::ButtonText));
        p.drawText(captionRect, flags, text());
    } else {
        // Engraved, as disabled captions are drawn.
        p.setPen(Qt::white);
        p.drawText(captionRect.translated(1, 1), flags, text());
        p.setPen(QColor(128, 128, 128));
        p.drawText(captionRect, flags, text());
    }
}

ShapeRect::ShapeRect(BgrColor fill, BgrColor outline, QWidget *parent)
    : QWidget(parent), m_fill(fill), m_outline(outline)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeRect::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), fromBgr(m_fill));
    p.setPen(fromBgr(m_outline));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TextLabel::TextLabel(const QRect &design, bool fitsText, bool bordered, QWidget *parent)
    : QLabel(parent), m_designWidth(design.width()), m_fitsText(fitsText), m_bordered(bordered)
{
    setGeometry(design);
    if (bordered) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
}

int TextLabel::widthForText() const
{
    return fontMetrics().horizontalAdvance(text()) + 2 * frameWidth() + 2;
}

void TextLabel::setFittedText(const QString &text)
{
    setText(text);
    if (m_fitsText)
        resize(widthForText(), height());
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if (!m_bordered) {
        // Without a frame a label paints only its text (its background, if any, is filled before
        // this): a repaint that does not reach the text's line leaves nothing here to paint.
        if ((alignment() & Qt::AlignTop) && !event->rect().intersects(textLines()))
            return;
        QLabel::paintEvent(event);
        return;
    }
    // Text and border with one painter, as QLabel paints a plain text in its frame: the text
    // inside the frame, moved in by half an 'x' from the aligned sides. The frame itself is drawn
    // black, where QLabel would draw it in the colour of the text, so that it is one black line at
    // every scale.
    QPainter p(this);
    QRect textRect = contentsRect();
    const int indent = fontMetrics().horizontalAdvance(u'x') / 2;
    if (indent > 0) {
        const Qt::Alignment align = alignment();
        textRect.adjust(align & Qt::AlignLeft ? indent : 0, align & Qt::AlignTop ? indent : 0,
                        align & Qt::AlignRight ? -indent : 0,
                        align & Qt::AlignBottom ? -indent : 0);
    }
    const Qt::LayoutDirection direction =
        text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    int flags =
        int(QStyle::visualAlignment(direction, alignment())) |
        (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    style()->drawItemText(&p, textRect, flags, palette(), isEnabled(), text(), foregroundRole());
    qDrawPlainRect(&p, frameRect(), Qt::black, lineWidth());
}

// Where a frameless, top-aligned label's text may leave pixels: its lines, with room for accents
// and glyphs that reach past them. How many lines a wrapped text takes is measured again only when
// the text or the width changes.
QRect TextLabel::textLines() const
{
    const QFontMetrics metrics = fontMetrics();
    const QRect box = contentsRect();
    int height = metrics.height();
    if (wordWrap()) {
        if (m_measuredText != text() || m_measuredWidth != box.width()) {
            m_measuredText = text();
            m_measuredWidth = box.width();
            m_measuredHeight = metrics.boundingRect(box, Qt::TextWordWrap, m_measuredText).height();
        }
        height = std::max(height, m_measuredHeight);
    }
    const int spill = metrics.height() / 4;
    return QRect(box.left(), box.top(), box.width(), height).adjusted(-spill, -spill, spill, spill);
}

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    drawBevel(p, rect(), true);
    p.drawPixmap(2, 2, m_picture);
}
