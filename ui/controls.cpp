#include "controls.h"

#include "colors.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <utility>

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

// What screen readers hear of a graphical button: a button that can be pressed or, made
// checkable, one of a group of options (a radio button), checked when selected.
class GraphicalButtonAccessible : public QAccessibleWidget
{
public:
    explicit GraphicalButtonAccessible(GraphicalButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {}

    QAccessible::Role role() const override
    {
        return button()->isCheckable() ? QAccessible::RadioButton : QAccessible::Button;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && button()->isEnabled())
            button()->click();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    GraphicalButton *button() const { return static_cast<GraphicalButton *>(widget()); }
};

QAccessibleInterface *graphicalButtonFactory(const QString &className, QObject *object)
{
    auto *button = qobject_cast<GraphicalButton *>(object);
    if (className == QLatin1String("GraphicalButton") && button)
        return new GraphicalButtonAccessible(button);
    return nullptr;
}

} // namespace

GraphicalButton::GraphicalButton(QWidget *parent) : QToolButton(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(graphicalButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    setAutoRaise(false);
    // Announce a selection once the click is complete, after clicked().
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (std::exchange(m_selectedByClick, false))
            emit selectedByPlayer();
    });
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
    emit focusReceived(event->reason());
}

void GraphicalButton::nextCheckState()
{
    if (isCheckable() && !isChecked()) {
        setChecked(true);
        m_selectedByClick = true;
    }
}

void GraphicalButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const bool sunken = isDown() || isChecked();
    p.fillRect(r, fromBgr(m_back));
    drawBevel(p, r.adjusted(0, 0, -1, -1), sunken);

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

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(4, 4, -4, -4);
        option.backgroundColor = fromBgr(m_back);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
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
    drawBevel(p, rect().adjusted(0, 0, -1, -1), true);
    p.drawPixmap(2, 2, m_picture);
}
