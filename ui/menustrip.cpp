// SPDX-License-Identifier: GPL-3.0-or-later
#include "menustrip.h"

#include "controls.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

namespace {

// Space left and right of an item's caption, and added to the font height for a row.
constexpr int kHorizontalPadding = 7;
constexpr int kVerticalPadding = 6;

bool hasCommandModifier(const QKeyEvent *event)
{
    return event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

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

} // namespace

// ---------------------------------------------------------------------------
// MenuStripItem

MenuStripItem::MenuStripItem(const QString &caption, MenuStrip *strip)
    : QAbstractButton(strip), m_strip(strip)
{
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize MenuStripItem::sizeHint() const
{
    if (!m_hint.isValid() || m_hintText != text()) {
        const QFontMetrics fm(font());
        const int textWidth = fm.size(Qt::TextSingleLine, text()).width();
        m_hint = QSize(textWidth + 2 * kHorizontalPadding, fm.height() + kVerticalPadding);
        m_hintText = text();
    }
    return m_hint;
}

void MenuStripItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_hint = QSize();
    QAbstractButton::changeEvent(event);
}

QSize MenuStripItem::minimumSizeHint() const
{
    return sizeHint();
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
    // Installed on the application so that Alt/F10 are seen even when the focus widget accepts
    // them, and so that a click anywhere can end keyboard navigation.
    qApp->installEventFilter(this);
}

MenuStrip::~MenuStrip()
{
    m_navigating = false;
    if (m_previousFocus && window()->focusWidget() == this)
        m_previousFocus->setFocus(Qt::OtherFocusReason);
}

QAbstractButton *MenuStrip::addItem(const QString &name, const QString &caption)
{
    auto *entry = new MenuStripItem(caption, this);
    entry->setObjectName(name);
    connect(entry, &QAbstractButton::clicked, this, [this, entry] { itemClicked(entry); });
    m_items.append(entry);
    m_rows.append(0);
    relayout();
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

QList<QAbstractButton *> MenuStrip::items() const
{
    return {m_items.cbegin(), m_items.cend()};
}

int MenuStrip::count() const
{
    return int(m_items.size());
}

int MenuStrip::rowCount() const
{
    return m_rowCount;
}

QAbstractButton *MenuStrip::selectedItem() const
{
    return m_navigating && m_selected >= 0 ? m_items.at(m_selected) : nullptr;
}

// --- geometry ---------------------------------------------------------------

int MenuStrip::rowHeight() const
{
    int h = fontMetrics().height() + kVerticalPadding;
    for (const MenuStripItem *i : m_items)
        h = std::max(h, i->sizeHint().height());
    return h;
}

QList<MenuStrip::Placement> MenuStrip::computeLayout(int width, int *height, int *rows) const
{
    const QMargins m = contentsMargins();
    const int available = std::max(1, width - m.left() - m.right());
    const int rowH = rowHeight();

    QList<Placement> placements(m_items.size());
    int x = 0;
    int row = 0;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        // An item wider than the whole strip gets a row of its own and is clipped.
        const int w = std::min(m_items.at(i)->sizeHint().width(), available);
        if (x > 0 && x + w > available) {
            ++row;
            x = 0;
        }
        placements[i] = {QRect(m.left() + x, m.top() + row * rowH, w, rowH), row};
        x += w;
    }
    if (rows)
        *rows = row + 1;
    if (height)
        *height = m.top() + m.bottom() + (row + 1) * rowH;
    return placements;
}

void MenuStrip::relayout()
{
    int needed = 0;
    const QList<Placement> placements = computeLayout(width(), &needed, &m_rowCount);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        m_rows[i] = placements.at(i).row;
        m_items.at(i)->setGeometry(placements.at(i).rect);
    }

    if (needed != height()) {
        updateGeometry();
        // Nobody else sizes a loose child widget: follow the rows ourselves.
        if (!isWindow() && parentWidget() && !parentWidget()->layout())
            resize(width(), needed);
    }
}

bool MenuStrip::hasHeightForWidth() const
{
    return true;
}

int MenuStrip::heightForWidth(int width) const
{
    int h = 0;
    computeLayout(width, &h, nullptr);
    return h;
}

QSize MenuStrip::sizeHint() const
{
    // The strip takes whatever width its window gives it and wraps to fit, so it asks for no
    // more than it has: a wider hint would widen a window that sizes itself from its layout.
    const int w = std::max(width(), minimumSizeHint().width());
    return {w, heightForWidth(w)};
}

QSize MenuStrip::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    int widest = 0;
    for (const MenuStripItem *i : m_items)
        widest = std::max(widest, i->sizeHint().width());
    return {widest + m.left() + m.right(), rowHeight() + m.top() + m.bottom()};
}

void MenuStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void MenuStrip::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    relayout();
}

void MenuStrip::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    leaveNavigation(true);
}

void MenuStrip::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        relayout();
        updateGeometry();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled())
            leaveNavigation(true);
        break;
    default:
        break;
    }
}

// --- keyboard navigation ----------------------------------------------------

bool MenuStrip::isNavigable(int index) const
{
    if (index < 0 || index >= m_items.size())
        return false;
    return m_items.at(index)->isEnabled();
}

int MenuStrip::firstNavigable() const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (isNavigable(i))
            return i;
    }
    return -1;
}

int MenuStrip::stepSelection(int from, int step) const
{
    const int n = count();
    if (n == 0)
        return -1;
    if (from < 0)
        from = step > 0 ? n - 1 : 0;
    for (int k = 1; k <= n; ++k) {
        const int index = ((from + k * step) % n + n) % n;
        if (isNavigable(index))
            return index;
    }
    return -1;
}

int MenuStrip::verticalNeighbour(int from, int rowStep) const
{
    if (!isNavigable(from) || m_rowCount < 2)
        return from;
    const int centre = m_items.at(from)->geometry().center().x();
    for (int k = 1; k < m_rowCount; ++k) {
        const int row = ((m_rows.at(from) + k * rowStep) % m_rowCount + m_rowCount) % m_rowCount;
        int best = -1;
        int bestDistance = 0;
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_rows.at(i) != row || !isNavigable(i))
                continue;
            const QRect r = m_items.at(i)->geometry();
            const int distance = centre < r.left() ? r.left() - centre
                                                   : (centre > r.right() ? centre - r.right() : 0);
            if (best < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (best >= 0)
            return best;
    }
    return from;
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

bool MenuStrip::canNavigate() const
{
    return isVisible() && isEnabled() && firstNavigable() >= 0;
}

void MenuStrip::enterNavigation()
{
    if (m_navigating || !canNavigate())
        return;
    QWidget *focus = window()->focusWidget();
    m_previousFocus = (focus && focus != this && !isAncestorOf(focus)) ? focus : nullptr;
    m_navigating = true;
    m_altArmed = false;
    setFocus(Qt::MenuBarFocusReason);
    setSelectedIndex(firstNavigable());
    for (MenuStripItem *i : std::as_const(m_items))
        i->update();
    announceMenuMode(this, true);
    emit navigationChanged(true);
}

void MenuStrip::leaveNavigation(bool restoreFocus)
{
    if (!m_navigating)
        return;
    m_navigating = false;
    m_altArmed = false;
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
    emit navigationChanged(false);
}

bool MenuStrip::event(QEvent *event)
{
    if (m_navigating && event->type() == QEvent::ShortcutOverride) {
        // Keep the window's shortcuts off the keys that drive the navigation.
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!hasCommandModifier(key)) {
                key->accept();
                return true;
            }
            break;
        default:
            break;
        }
    } else if (m_navigating && event->type() == QEvent::KeyPress) {
        // Tab would move the focus out of the strip; inside it, it steps like the arrows.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!hasCommandModifier(key) &&
            (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            setSelectedIndex(stepSelection(m_selected, key->key() == Qt::Key_Tab ? 1 : -1));
            return true;
        }
    }
    return QWidget::event(event);
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
        setSelectedIndex(firstNavigable());
        break;
    case Qt::Key_End:
        setSelectedIndex(stepSelection(-1, -1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: {
        const QPointer<MenuStripItem> chosen =
            isNavigable(m_selected) ? m_items.at(m_selected) : nullptr;
        leaveNavigation(true);
        if (chosen)
            chosen->click();
        break;
    }
    case Qt::Key_Escape:
        leaveNavigation(true);
        break;
    default:
        event->ignore();
        return;
    }
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

void MenuStrip::handleWindowKey(QObject *receiver, QKeyEvent *event, bool *consume)
{
    const auto *target = qobject_cast<QWidget *>(receiver);
    if (!target || target->window() != window())
        return;

    const int key = event->key();
    const Qt::KeyboardModifiers others =
        event->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier);

    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (key != Qt::Key_Alt)
            m_altArmed = false;
        return;
    case QEvent::KeyPress:
        if (key == Qt::Key_Alt) {
            // Alt held together with Ctrl, Shift or Meta is a chord, not a menu request.
            if (others != Qt::NoModifier)
                m_altArmed = false;
            else if (!event->isAutoRepeat())
                m_altArmed = true;
            return;
        }
        m_altArmed = false;
        if (key != Qt::Key_F10 || event->modifiers() != Qt::NoModifier || event->isAutoRepeat())
            return;
        break;
    case QEvent::KeyRelease:
        if (key != Qt::Key_Alt || !m_altArmed)
            return;
        m_altArmed = false;
        if (others != Qt::NoModifier)
            return;
        break;
    default:
        return;
    }

    // Alt released alone, or F10: toggle keyboard navigation.
    if (m_navigating) {
        leaveNavigation(true);
        *consume = true;
    } else if (canNavigate()) {
        enterNavigation();
        *consume = true;
    }
}

bool MenuStrip::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        bool consume = false;
        handleWindowKey(watched, static_cast<QKeyEvent *>(event), &consume);
        if (consume)
            event->accept();
        return consume;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress: {
        m_altArmed = false;
        if (!m_navigating || !watched->isWidgetType())
            break;
        // A click on an item is handled by the item itself; anywhere else ends the navigation.
        const bool onItem = std::any_of(m_items.cbegin(), m_items.cend(),
                                        [watched](MenuStripItem *i) { return i == watched; });
        if (!onItem)
            leaveNavigation(window()->focusWidget() == this);
        break;
    }
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
    if (!m_navigating)
        return;
    const int index = int(m_items.indexOf(item));
    if (isNavigable(index))
        setSelectedIndex(index);
}
