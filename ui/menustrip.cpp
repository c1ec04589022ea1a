#include "menustrip.h"

#include "controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

// Space left and right of an item's caption, and added to the font height for a row.
constexpr int kHorizontalPadding = 7;
constexpr int kVerticalPadding = 6;

// The character marked by a single '&' in a caption, lower-cased; null when there is none.
QChar mnemonicOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        const QChar next = caption.at(i + 1);
        if (next == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return next.toLower();
    }
    return {};
}

// The caption as it is read out: single '&' removed, "&&" turned into '&'.
QString withoutMnemonic(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                ++i;
            else
                continue;
        }
        out.append(caption.at(i));
    }
    return out;
}

bool hasCommandModifier(const QKeyEvent *event)
{
    return event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

#if QT_CONFIG(accessibility)

class MenuStripItemAccessible : public ControlAccessible
{
public:
    explicit MenuStripItemAccessible(MenuStripItem *item)
        : ControlAccessible(item, QAccessible::MenuItem)
    {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString name = item()->accessibleName();
            return name.isEmpty() ? withoutMnemonic(item()->text()) : name;
        }
        case QAccessible::Accelerator:
            return item()->shortcut().toString(QKeySequence::NativeText);
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        if (item()->isSelected())
            st.focused = true;
        if (item()->underMouse())
            st.hotTracked = true;
        return st;
    }

    QStringList keyBindingsForAction(const QString &actionName) const override
    {
        if (actionName == pressAction() && !item()->shortcut().isEmpty())
            return {item()->shortcut().toString(QKeySequence::NativeText)};
        return {};
    }

private:
    MenuStripItem *item() const { return static_cast<MenuStripItem *>(widget()); }
};

class MenuStripAccessible : public QAccessibleWidget
{
public:
    explicit MenuStripAccessible(MenuStrip *strip) : QAccessibleWidget(strip, QAccessible::MenuBar)
    {}

    QAccessibleInterface *focusChild() const override
    {
        if (QAbstractButton *selected = static_cast<MenuStrip *>(widget())->selectedItem())
            return QAccessible::queryAccessibleInterface(selected);
        return QAccessibleWidget::focusChild();
    }
};

QAccessibleInterface *menuStripAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(MenuStripItem::staticMetaObject.className())) {
        if (auto *item = qobject_cast<MenuStripItem *>(object))
            return new MenuStripItemAccessible(item);
    } else if (className == QLatin1String(MenuStrip::staticMetaObject.className())) {
        if (auto *strip = qobject_cast<MenuStrip *>(object))
            return new MenuStripAccessible(strip);
    }
    return nullptr;
}

#endif

void announceFocus(QObject *object)
{
#if QT_CONFIG(accessibility)
    QAccessibleEvent event(object, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(object);
#endif
}

void announceMenuMode(QObject *strip, bool entered)
{
#if QT_CONFIG(accessibility)
    QAccessibleEvent event(strip, entered ? QAccessible::MenuStart : QAccessible::MenuEnd);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(strip);
    Q_UNUSED(entered);
#endif
}

} // namespace

// ---------------------------------------------------------------------------
// MenuStripItem

MenuStripItem::MenuStripItem(const QString &caption, MenuStrip *strip)
    : QAbstractButton(strip), strip_(strip)
{
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

MenuStripItem::~MenuStripItem()
{
    if (strip_)
        strip_->forgetItem(this);
}

QSize MenuStripItem::sizeHint() const
{
    if (!hint_.isValid() || hintText_ != text()) {
        const QFontMetrics fm(font());
        const int textWidth = fm.size(Qt::TextShowMnemonic, text()).width();
        hint_ = QSize(textWidth + 2 * kHorizontalPadding, fm.height() + kVerticalPadding);
        hintText_ = text();
    }
    return hint_;
}

void MenuStripItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        hint_ = QSize();
    QAbstractButton::changeEvent(event);
}

QSize MenuStripItem::minimumSizeHint() const
{
    return sizeHint();
}

void MenuStripItem::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    update();
}

void MenuStripItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    const bool navigating = strip_ && strip_->isNavigating();
    const bool lit = isEnabled() && (selected_ || isDown() || (!navigating && underMouse()));

    if (lit)
        painter.fillRect(rect(), pal.color(QPalette::Highlight));
    if (selected_ && navigating) {
        // Where the keyboard is: a two-pixel ring on the item's edge, clear of the caption.
        const QColor ring = ringColorAgainst(pal.color(QPalette::Highlight),
                                             strip_->palette().color(QPalette::Window));
        for (const QRect &part : QRegion(rect()).subtracted(rect().adjusted(2, 2, -2, -2)))
            painter.fillRect(part, ring);
    }
    painter.setPen(pal.color(lit ? QPalette::HighlightedText : QPalette::WindowText));

    const bool underline =
        navigating || style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine |
                      (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    painter.drawText(rect(), flags, text());
}

void MenuStripItem::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    update();
    if (strip_)
        strip_->itemHovered(this);
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
#if QT_CONFIG(accessibility)
    static bool factoryInstalled = false;
    if (!factoryInstalled) {
        QAccessible::installFactory(menuStripAccessibleFactory);
        factoryInstalled = true;
    }
#endif
    setFocusPolicy(Qt::NoFocus);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Installed on the application so that Alt/F10 are seen even when the focus widget accepts
    // them, and so that a click anywhere can end keyboard navigation.
    qApp->installEventFilter(this);
}

MenuStrip::~MenuStrip()
{
    for (MenuStripItem *i : std::as_const(items_))
        i->strip_ = nullptr;
    navigating_ = false;
    if (previousFocus_ && window()->focusWidget() == this)
        previousFocus_->setFocus(Qt::OtherFocusReason);
}

QAbstractButton *MenuStrip::addItem(const QString &name, const QString &caption)
{
    if (item(name))
        qWarning("MenuStrip::addItem: an item named '%s' already exists", qPrintable(name));
    auto *entry = new MenuStripItem(caption, this);
    entry->setObjectName(name);
    connect(entry, &QAbstractButton::clicked, this, [this, entry] { itemClicked(entry); });
    items_.append(entry);
    rows_.append(-1);
    if (isVisible())
        entry->show();
    relayout();
    updateGeometry();
    return entry;
}

QAbstractButton *MenuStrip::item(const QString &name) const
{
    for (MenuStripItem *i : items_) {
        if (i->objectName() == name)
            return i;
    }
    return nullptr;
}

QList<QAbstractButton *> MenuStrip::items() const
{
    return {items_.cbegin(), items_.cend()};
}

int MenuStrip::count() const
{
    return int(items_.size());
}

int MenuStrip::rowCount() const
{
    return rowCount_;
}

QAbstractButton *MenuStrip::selectedItem() const
{
    return navigating_ && selected_ >= 0 ? items_.at(selected_) : nullptr;
}

// --- geometry ---------------------------------------------------------------

int MenuStrip::rowHeight() const
{
    int h = fontMetrics().height() + kVerticalPadding;
    for (const MenuStripItem *i : items_) {
        if (i->isVisibleTo(this))
            h = std::max(h, i->sizeHint().height());
    }
    return h;
}

QList<MenuStrip::Placement> MenuStrip::computeLayout(int width, int *height, int *rows) const
{
    const QMargins m = contentsMargins();
    const int available = std::max(1, width - m.left() - m.right());
    const int rowH = rowHeight();
    const QRect area(m.left(), m.top(), available, rowH);

    QList<Placement> placements(items_.size());
    int x = 0;
    int row = 0;
    for (qsizetype i = 0; i < items_.size(); ++i) {
        const MenuStripItem *entry = items_.at(i);
        if (!entry->isVisibleTo(this)) {
            placements[i].row = -1;
            continue;
        }
        // An item wider than the whole strip gets a row of its own and is clipped.
        const int w = std::min(entry->sizeHint().width(), available);
        if (x > 0 && x + w > available) {
            ++row;
            x = 0;
        }
        const QRect logical(m.left() + x, m.top() + row * rowH, w, rowH);
        placements[i].rect = QStyle::visualRect(layoutDirection(), area, logical);
        placements[i].row = row;
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
    const QList<Placement> placements = computeLayout(width(), &needed, &rowCount_);
    for (qsizetype i = 0; i < items_.size(); ++i) {
        rows_[i] = placements.at(i).row;
        if (rows_[i] >= 0)
            items_.at(i)->setGeometry(placements.at(i).rect);
    }

    if (navigating_ && !isNavigable(selected_)) {
        const int first = firstNavigable();
        if (first < 0)
            leaveNavigation(true);
        else
            setSelectedIndex(first);
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
    for (const MenuStripItem *i : items_) {
        if (i->isVisibleTo(this))
            widest = std::max(widest, i->sizeHint().width());
    }
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
    case QEvent::LayoutDirectionChange:
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
    if (index < 0 || index >= items_.size())
        return false;
    const MenuStripItem *entry = items_.at(index);
    return entry->isVisibleTo(this) && entry->isEnabled();
}

int MenuStrip::firstNavigable() const
{
    for (int i = 0; i < items_.size(); ++i) {
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
    if (!isNavigable(from) || rowCount_ < 2)
        return from;
    const int centre = items_.at(from)->geometry().center().x();
    for (int k = 1; k < rowCount_; ++k) {
        const int row = ((rows_.at(from) + k * rowStep) % rowCount_ + rowCount_) % rowCount_;
        int best = -1;
        int bestDistance = 0;
        for (int i = 0; i < items_.size(); ++i) {
            if (rows_.at(i) != row || !isNavigable(i))
                continue;
            const QRect r = items_.at(i)->geometry();
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
    if (index == selected_)
        return;
    if (selected_ >= 0 && selected_ < items_.size())
        items_.at(selected_)->setSelected(false);
    selected_ = index;
    if (selected_ >= 0) {
        items_.at(selected_)->setSelected(true);
        announceFocus(items_.at(selected_));
    }
}

bool MenuStrip::canNavigate() const
{
    return isVisible() && isEnabled() && firstNavigable() >= 0;
}

void MenuStrip::enterNavigation()
{
    if (navigating_ || !canNavigate())
        return;
    QWidget *focus = window()->focusWidget();
    previousFocus_ = (focus && focus != this && !isAncestorOf(focus)) ? focus : nullptr;
    navigating_ = true;
    altArmed_ = false;
    setFocus(Qt::MenuBarFocusReason);
    setSelectedIndex(firstNavigable());
    for (MenuStripItem *i : std::as_const(items_))
        i->update();
    announceMenuMode(this, true);
    emit navigationChanged(true);
}

void MenuStrip::leaveNavigation(bool restoreFocus)
{
    if (!navigating_)
        return;
    navigating_ = false;
    altArmed_ = false;
    setSelectedIndex(-1);
    const QPointer<QWidget> previous = std::exchange(previousFocus_, nullptr);
    if (restoreFocus && window()->focusWidget() == this) {
        if (previous && previous->isVisible() && previous->isEnabled())
            previous->setFocus(Qt::MenuBarFocusReason);
        else
            clearFocus();
    }
    for (MenuStripItem *i : std::as_const(items_))
        i->update();
    announceMenuMode(this, false);
    emit navigationChanged(false);
}

bool MenuStrip::event(QEvent *event)
{
    if (navigating_ && event->type() == QEvent::ShortcutOverride) {
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
            if (!hasCommandModifier(key) && !key->text().isEmpty() && key->text().at(0).isPrint()) {
                key->accept();
                return true;
            }
            break;
        }
    } else if (navigating_ && event->type() == QEvent::KeyPress) {
        // Tab would move the focus out of the strip; inside it, it steps like the arrows.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!hasCommandModifier(key) &&
            (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            setSelectedIndex(stepSelection(selected_, key->key() == Qt::Key_Tab ? 1 : -1));
            return true;
        }
    } else if (event->type() == QEvent::LayoutRequest) {
        // An item changed its caption, font or visibility.
        relayout();
        updateGeometry();
        return true;
    }
    return QWidget::event(event);
}

void MenuStrip::keyPressEvent(QKeyEvent *event)
{
    if (!navigating_) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        setSelectedIndex(stepSelection(selected_, -1));
        break;
    case Qt::Key_Right:
        setSelectedIndex(stepSelection(selected_, 1));
        break;
    case Qt::Key_Up:
        setSelectedIndex(verticalNeighbour(selected_, -1));
        break;
    case Qt::Key_Down:
        setSelectedIndex(verticalNeighbour(selected_, 1));
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
            isNavigable(selected_) ? items_.at(selected_) : nullptr;
        leaveNavigation(true);
        if (chosen)
            chosen->click();
        break;
    }
    case Qt::Key_Escape:
        leaveNavigation(true);
        break;
    default: {
        const QString text = event->text();
        if (text.isEmpty() || !text.at(0).isPrint()) {
            event->ignore();
            return;
        }
        // A letter runs the item whose caption marks it as mnemonic.
        const QChar letter = text.at(0).toLower();
        for (int i = 0; i < items_.size(); ++i) {
            if (isNavigable(i) && mnemonicOf(items_.at(i)->text()) == letter) {
                const QPointer<MenuStripItem> chosen = items_.at(i);
                leaveNavigation(true);
                if (chosen)
                    chosen->click();
                break;
            }
        }
        break;
    }
    }
    event->accept();
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
            altArmed_ = false;
        return;
    case QEvent::KeyPress:
        if (key == Qt::Key_Alt) {
            // Alt held together with Ctrl, Shift or Meta is a chord, not a menu request.
            if (others != Qt::NoModifier)
                altArmed_ = false;
            else if (!event->isAutoRepeat())
                altArmed_ = true;
            return;
        }
        altArmed_ = false;
        if (key != Qt::Key_F10 || event->modifiers() != Qt::NoModifier || event->isAutoRepeat())
            return;
        break;
    case QEvent::KeyRelease:
        if (key != Qt::Key_Alt || !altArmed_)
            return;
        altArmed_ = false;
        if (others != Qt::NoModifier)
            return;
        break;
    default:
        return;
    }

    // Alt released alone, or F10: toggle keyboard navigation.
    if (navigating_) {
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
        altArmed_ = false;
        if (!navigating_ || !watched->isWidgetType())
            break;
        // A click on an item is handled by the item itself; anywhere else ends the navigation.
        const bool onItem = std::any_of(items_.cbegin(), items_.cend(),
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
    if (!navigating_)
        return;
    const int index = int(items_.indexOf(item));
    if (isNavigable(index))
        setSelectedIndex(index);
}

void MenuStrip::forgetItem(MenuStripItem *item)
{
    const int index = int(items_.indexOf(item));
    if (index < 0)
        return;
    if (index == selected_) {
        selected_ = -1;
    } else if (index < selected_) {
        --selected_;
    }
    items_.removeAt(index);
    rows_.removeAt(index);
    if (navigating_ && selected_ < 0) {
        const int first = firstNavigable();
        if (first < 0)
            leaveNavigation(true);
        else
            setSelectedIndex(first);
    }
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}
