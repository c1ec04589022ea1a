// SPDX-License-Identifier: GPL-3.0-or-later
#include "menustrip.h"

#include "controls.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// Space left and right of an item's caption, and added to the font height for a row.
constexpr int kHorizontalPadding = 7;
constexpr int kVerticalPadding = 6;

void announceFocus(QObject *object)
{
    QAccessibleEvent event(object, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void announceMenuMode(QObject *strip, bool entered)
{
    QAccessibleEvent event(strip, entered ? QAccessible::MenuStart : QAccessible::MenuEnd);
    QAccessible::updateAccessibility(&event);
}

// Whether a key that reached the window asks for the menu: F10, or Alt released with no other key
// since it was pressed alone. altArmed remembers that press.
bool isMenuKey(const QKeyEvent *event, bool &altArmed)
{
    const int key = event->key();
    const Qt::KeyboardModifiers others =
        event->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier);
    if (event->type() == QEvent::KeyRelease) {
        if (key != Qt::Key_Alt)
            return false;
        return std::exchange(altArmed, false) && others == Qt::NoModifier;
    }
    if (key == Qt::Key_Alt) {
        // Alt held together with Ctrl, Shift or Meta is a chord, not a menu request.
        if (others != Qt::NoModifier)
            altArmed = false;
        else if (!event->isAutoRepeat())
            altArmed = true;
        return false;
    }
    altArmed = false;
    return key == Qt::Key_F10 && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat();
}

} // namespace

// ---------------------------------------------------------------------------
// MenuStripItem

MenuStripItem::MenuStripItem(const QString &caption, MenuStrip *strip)
    : QAbstractButton(strip), m_strip(strip)
{
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
}

QSize MenuStripItem::sizeHint() const
{
    // Measured once per font: the window's layout asks for it many times as it starts, and an
    // item's caption never changes.
    if (!m_hint.isValid()) {
        const QFontMetrics fm(font());
        m_hint = {fm.size(Qt::TextSingleLine, text()).width() + 2 * kHorizontalPadding,
                  fm.height() + kVerticalPadding};
    }
    return m_hint;
}

void MenuStripItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_hint = QSize();
    QAbstractButton::changeEvent(event);
}

void MenuStripItem::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void MenuStripItem::paintEvent(QPaintEvent *)
{
    QStyleOptionMenuItem option;
    option.initFrom(this);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.checkType = QStyleOptionMenuItem::NotCheckable;
    option.text = text();
    option.menuRect = m_strip->rect();
    // As a menu bar marks its items: hovered or keyboard-selected is selected, and since an item
    // runs at once, one that is lit is drawn as an open menu's title is (sunken).
    const bool navigating = m_strip->isNavigating();
    const bool lit = isEnabled() && (m_selected || isDown() || (!navigating && underMouse()));
    if (lit)
        option.state |= QStyle::State_Selected | QStyle::State_Sunken;
    if (navigating)
        option.state |= QStyle::State_HasFocus;
    // No caption has a mnemonic: an '&' is shown as it is.
    option.text.replace(QLatin1Char('&'), QLatin1String("&&"));
    QPainter painter(this);
    style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
    if (m_selected && navigating) {
        // Where the keyboard is: a two-pixel ring on the item's edge, clear of the caption.
        const QColor ring = ringColorAgainst(palette().color(QPalette::Highlight),
                                             m_strip->palette().color(QPalette::Window));
        for (const QRect &part : QRegion(rect()).subtracted(rect().adjusted(2, 2, -2, -2)))
            painter.fillRect(part, ring);
    }
}

void MenuStripItem::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    update();
    m_strip->itemHovered(this);
}

void MenuStripItem::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

// ---------------------------------------------------------------------------
// MenuStrip

MenuStrip::MenuStrip(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QAbstractButton *MenuStrip::addItem(const QString &name, const QString &caption)
{
    auto *entry = new MenuStripItem(caption, this);
    entry->setObjectName(name);
    connect(entry, &QAbstractButton::clicked, this, [this, entry] { itemClicked(entry); });
    m_items.append(entry);
    updateGeometry();
    return entry;
}

QAbstractButton *MenuStrip::item(const QString &name) const
{
    for (MenuStripItem *i : m_items) {
        if (i->objectName() == name)
            return i;
    }
    return nullptr;
}

QAbstractButton *MenuStrip::selectedItem() const
{
    return m_navigating && m_selected >= 0 ? m_items.at(m_selected) : nullptr;
}

// --- geometry ---------------------------------------------------------------

int MenuStrip::rowHeight() const
{
    return fontMetrics().height() + kVerticalPadding;
}

QList<QRect> MenuStrip::placements(int width) const
{
    const int rowH = rowHeight();
    QList<QRect> rects;
    int x = 0;
    int y = 0;
    for (const MenuStripItem *i : m_items) {
        const int w = i->sizeHint().width();
        if (x > 0 && x + w > width) {
            y += rowH;
            x = 0;
        }
        rects.append(QRect(x, y, w, rowH));
        x += w;
    }
    return rects;
}

int MenuStrip::heightForWidth(int width) const
{
    const QList<QRect> rects = placements(width);
    return rects.isEmpty() ? rowHeight() : rects.last().bottom() + 1;
}

QSize MenuStrip::sizeHint() const
{
    // No wider than the strip already is (or its widest item): a wider hint would widen the
    // window, which takes its size from its layout.
    int w = width();
    for (const MenuStripItem *i : m_items)
        w = std::max(w, i->sizeHint().width());
    return {w, heightForWidth(w)};
}

void MenuStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QList<QRect> rects = placements(width());
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_items.at(i)->setGeometry(rects.at(i));
}

// --- keyboard navigation ----------------------------------------------------

int MenuStrip::stepSelection(int from, int step) const
{
    const int n = count();
    if (from < 0)
        from = step > 0 ? n - 1 : 0;
    return ((from + step) % n + n) % n;
}

int MenuStrip::verticalNeighbour(int from, int rowStep) const
{
    // On the next row up or down (around at the ends), the item nearest to this one's centre.
    const int rowH = rowHeight();
    const int rows = m_items.last()->y() / rowH + 1;
    const int row = ((m_items.at(from)->y() / rowH + rowStep) % rows + rows) % rows;
    const int centre = m_items.at(from)->geometry().center().x();
    int best = from;
    int bestDistance = INT_MAX;
    for (int i = 0; i < count(); ++i) {
        const QRect r = m_items.at(i)->geometry();
        if (r.y() / rowH != row)
            continue;
        const int distance =
            centre < r.left() ? r.left() - centre : std::max(0, centre - r.right());
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void MenuStrip::setSelectedIndex(int index)
{
    if (index == m_selected)
        return;
    if (m_selected >= 0)
        m_items.at(m_selected)->setSelected(false);
    m_selected = index;
    if (m_selected >= 0) {
        m_items.at(m_selected)->setSelected(true);
        announceFocus(m_items.at(m_selected));
    }
}

void MenuStrip::toggleNavigation()
{
    if (m_navigating)
        leaveNavigation(true);
    else
        enterNavigation();
}

void MenuStrip::enterNavigation()
{
    QWidget *focus = window()->focusWidget();
    m_previousFocus = focus != this ? focus : nullptr;
    m_navigating = true;
    m_altArmed = false;
    setFocus(Qt::MenuBarFocusReason);
    setSelectedIndex(0);
    for (MenuStripItem *i : std::as_const(m_items))
        i->update();
    announceMenuMode(this, true);
}

void MenuStrip::leaveNavigation(bool restoreFocus)
{
    if (!m_navigating)
        return;
    m_navigating = false;
    m_altArmed = false;
    m_choosingKey = 0;
    setSelectedIndex(-1);
    const QPointer<QWidget> previous = std::exchange(m_previousFocus, nullptr);
    if (restoreFocus && window()->focusWidget() == this) {
        if (previous && previous->isVisible() && previous->isEnabled())
            previous->setFocus(Qt::MenuBarFocusReason);
        else
            clearFocus();
    }
    for (MenuStripItem *i : std::as_const(m_items))
        i->update();
    announceMenuMode(this, false);
}

bool MenuStrip::focusNextPrevChild(bool next)
{
    // Tab would move the focus out of the strip; inside it, it steps like the arrows.
    if (!m_navigating)
        return QWidget::focusNextPrevChild(next);
    setSelectedIndex(stepSelection(m_selected, next ? 1 : -1));
    return true;
}

void MenuStrip::keyPressEvent(QKeyEvent *event)
{
    if (!m_navigating) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        setSelectedIndex(stepSelection(m_selected, -1));
        break;
    case Qt::Key_Right:
        setSelectedIndex(stepSelection(m_selected, 1));
        break;
    case Qt::Key_Up:
        setSelectedIndex(verticalNeighbour(m_selected, -1));
        break;
    case Qt::Key_Down:
        setSelectedIndex(verticalNeighbour(m_selected, 1));
        break;
    case Qt::Key_Home:
        setSelectedIndex(0);
        break;
    case Qt::Key_End:
        setSelectedIndex(count() - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // The item runs when the key is lifted, as a button does: the box it opens gets no
        // lifted key, nor repeats, and a screen reader hears it open (see closeonrelease.h).
        if (!event->isAutoRepeat())
            m_choosingKey = event->key();
        break;
    case Qt::Key_Escape:
        leaveNavigation(true);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void MenuStrip::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_navigating || event->isAutoRepeat() || event->key() != m_choosingKey) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    m_choosingKey = 0;
    const QPointer<MenuStripItem> chosen = m_items.at(m_selected);
    leaveNavigation(true);
    if (chosen)
        chosen->click();
    event->accept();
}

void MenuStrip::paintEvent(QPaintEvent *)
{
    QStyleOptionMenuItem option;
    option.initFrom(this);
    option.state = QStyle::State_None;
    option.menuItemType = QStyleOptionMenuItem::EmptyArea;
    option.checkType = QStyleOptionMenuItem::NotCheckable;
    option.menuRect = rect();
    QPainter painter(this);
    style()->drawControl(QStyle::CE_MenuBarEmptyArea, &option, &painter, this);
}

void MenuStrip::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    // If the focus went to another widget (a click, a shortcut) it stays there; if the window
    // was deactivated, the previous widget gets it back once the window is active again.
    leaveNavigation(window()->focusWidget() == this);
}

bool MenuStrip::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Any other key typed while Alt is held makes a chord of it.
        if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_Alt)
            m_altArmed = false;
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isMenuKey(static_cast<QKeyEvent *>(event), m_altArmed)) {
            toggleNavigation();
            event->accept();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        // A left click on an item is the item's own and runs it; any other ends the navigation.
        m_altArmed = false;
        leaveNavigation(static_cast<QWidget *>(watched)->focusWidget() == this);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// --- items ------------------------------------------------------------------

void MenuStrip::itemClicked(MenuStripItem *item)
{
    leaveNavigation(true);
    emit triggered(item->objectName());
}

void MenuStrip::itemHovered(MenuStripItem *item)
{
    if (m_navigating)
        setSelectedIndex(int(m_items.indexOf(item)));
}
