// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <QRect>

#include <functional>

// Installs, once, what assistive technology is told of the game's own controls: the window, the
// graphical and plain push buttons, the picture box, the menu strip and its items, the client
// area.
void installAccessibleInterfaces();

// What a container of the window holds for assistive technology, in reading order, where that is
// not simply its child widgets. Kept as a direct child of the container it orders.
class AccessibleParts : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The accessible children of the container, or of one of the parts.
    virtual QList<QObject *> partsOf(const QObject *container) const = 0;
    // The part that holds a control, or nullptr when the control's widget parent does.
    virtual QObject *holderOf(const QObject *control) const = 0;
};

// A part of the window that is no widget: what it is, what it says, where it lies (on the screen;
// empty for a part that takes no room), whether it is shown. It reads everything live.
struct PartDesign
{
    QAccessible::Role role;
    std::function<QString(QAccessible::Text)> text;
    std::function<QRect()> rect;
    bool shown = true;
};

// Makes a part of the container that `parts` orders, and returns the object that stands for it
// (its anchor, owned by `parts`).
QObject *makeAccessiblePart(AccessibleParts *parts, PartDesign design);
