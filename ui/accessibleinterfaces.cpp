// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibleinterfaces.h"

#include "controls.h"
#include "menustrip.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>

#include <functional>

namespace {

// Whether a control acts on input now: it is enabled and shown, and no modal box is open over its
// window. Qt holds back the window system's mouse and key events (and so shortcuts) on the same
// terms; every action that assistive technology asks of a control passes here too, so a hidden
// "Go" cannot be pressed to skip an angle that was answered wrongly.
bool acceptsInput(const QWidget *control)
{
    const QWidget *modal = QApplication::activeModalWidget();
    return control->isEnabled() && control->isVisible() && (!modal || modal == control->window());
}

// What assistive technology can do with a control: press (or toggle) a button, move the focus to
// a control that takes it. All of it waits on acceptsInput(), like a click.
class ControlAccessible : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled() && qobject_cast<QAbstractButton *>(widget()))
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) final
    {
        if (!acceptsInput(widget()))
            return;
        auto *button = qobject_cast<QAbstractButton *>(widget());
        if (button && (name == pressAction() || name == toggleAction()))
            button->click();
        else if (name == setFocusAction())
            widget()->setFocus(Qt::OtherFocusReason);
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // A button without a name of its own is called by its caption.
    QString text(QAccessible::Text t) const override
    {
        auto *button = qobject_cast<QAbstractButton *>(widget());
        if (button && t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button->text();
        return QAccessibleWidget::text(t);
    }
};

// What orders the parts of the container that holds the widget, or nullptr.
const AccessibleParts *partsAround(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *parts = w->findChild<AccessibleParts *>(QString(), Qt::FindDirectChildrenOnly))
            return parts;
    }
    return nullptr;
}

// What screen readers hear of a button: a button that can be pressed or, made checkable, one of
// a group of options (a radio button), checked when selected.
class ButtonAccessible : public ControlAccessible
{
public:
    explicit ButtonAccessible(QAbstractButton *button) : ControlAccessible(button) {}

    // An answer button belongs to the answers' group, not straight to the window.
    QAccessibleInterface *parent() const override
    {
        if (const AccessibleParts *parts = partsAround(widget())) {
            if (QObject *holder = parts->holderOf(widget()))
                return QAccessible::queryAccessibleInterface(holder);
        }
        return ControlAccessible::parent();
    }

    QAccessible::Role role() const override
    {
        return button()->isCheckable() ? QAccessible::RadioButton : QAccessible::Button;
    }
    // An answer says what it is and whether it is chosen, at every move between the answers: its
    // tool tip, which asks for a click, is for the mouse.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && button()->isCheckable())
            return widget()->accessibleDescription();
        return ControlAccessible::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

// A menu item: the keyboard-selected one is the focused one.
class MenuStripItemAccessible : public ControlAccessible
{
public:
    explicit MenuStripItemAccessible(MenuStripItem *item)
        : ControlAccessible(item, QAccessible::MenuItem)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focused = s.focused || item()->isSelected();
        s.hotTracked = item()->underMouse();
        return s;
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

// A part of the window that is no widget. Its anchor object is owned by what orders the parts of
// its container, and dies with it.
class PartAccessible : public QAccessibleObject
{
public:
    PartAccessible(QObject *anchor, PartDesign design)
        : QAccessibleObject(anchor), m_design(std::move(design))
    {}

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(parts()->parent());
    }
    int childCount() const override { return int(parts()->partsOf(object()).size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> all = parts()->partsOf(object());
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index])
                                                : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(parts()->partsOf(object()).indexOf(child->object()));
    }
    QString text(QAccessible::Text t) const override { return m_design.text(t); }
    QRect rect() const override { return m_design.rect(); }
    QAccessible::Role role() const override { return m_design.role; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_design.shown;
        return s;
    }

private:
    const AccessibleParts *parts() const
    {
        return static_cast<const AccessibleParts *>(object()->parent());
    }

    PartDesign m_design;
};

// The client area: its children are the parts listed for it, in their order.
class ClientAreaAccessible : public QAccessibleWidget
{
public:
    explicit ClientAreaAccessible(QWidget *area) : QAccessibleWidget(area) {}

    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> p = parts();
        return index >= 0 && index < p.size() ? QAccessible::queryAccessibleInterface(p[index])
                                              : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(parts().indexOf(child->object()));
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (QObject *part : parts()) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(part);
            if (iface && !iface->state().invisible && iface->rect().contains(x, y))
                return iface;
        }
        return nullptr;
    }

private:
    QList<QObject *> parts() const
    {
        const auto *parts =
            widget()->findChild<AccessibleParts *>(QString(), Qt::FindDirectChildrenOnly);
        return parts ? parts->partsOf(widget()) : QList<QObject *>{};
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("GraphicalButton") || className == QLatin1String("PushButton"))
        return new ButtonAccessible(static_cast<QAbstractButton *>(object));
    if (className == QLatin1String("PictureBox"))
        return new ControlAccessible(widget, QAccessible::Client);
    if (className == QLatin1String("MenuStripItem"))
        return new MenuStripItemAccessible(static_cast<MenuStripItem *>(object));
    if (className == QLatin1String("MenuStrip"))
        return new MenuStripAccessible(static_cast<MenuStrip *>(object));
    if (className == QLatin1String("ClientArea"))
        return new ClientAreaAccessible(widget);
    // Screen readers announce the title of a window that becomes active only for a frame: the
    // game's window is one (a plain QWidget would be a filler).
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

QObject *makeAccessiblePart(AccessibleParts *parts, PartDesign design)
{
    auto *anchor = new QObject(parts);
    QAccessible::registerAccessibleInterface(new PartAccessible(anchor, std::move(design)));
    return anchor;
}
