// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QString>

class MenuStrip;

// One entry of a MenuStrip: a flat, menu-bar-like button that never takes the
// keyboard focus. Created and owned by MenuStrip::addItem().
class MenuStripItem : public QAbstractButton
{
    Q_OBJECT
public:
    QSize sizeHint() const override;

    // True while the strip is in keyboard navigation and this item is the current one.
    bool isSelected() const { return m_selected; }

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    friend class MenuStrip;
    MenuStripItem(const QString &caption, MenuStrip *strip);
    void setSelected(bool selected);

    MenuStrip *m_strip;
    bool m_selected = false;
    mutable QSize m_hint;
};

// The window's menu bar: its items sit directly on the bar and wrap onto further rows when they
// do not fit in the window's width. A click on an item (or Enter / Space while navigating with
// the keyboard) runs it at once. Items and the empty rest of the strip are painted by the style,
// as a menu bar's are.
//
// Keyboard: F10, or Alt pressed and released alone, starts keyboard navigation from any control
// of the window, once the window passes its events to the strip (installEventFilter(strip));
// arrows move, Home/End jump, Enter/Space run the current item, Escape / Alt / F10 leave and give
// the focus back.
class MenuStrip : public QWidget
{
    Q_OBJECT
public:
    explicit MenuStrip(QWidget *parent = nullptr);

    // Appends an item; the returned widget has objectName == name and shows caption.
    QAbstractButton *addItem(const QString &name, const QString &caption);
    QAbstractButton *item(const QString &name) const; // nullptr when unknown
    int count() const { return int(m_items.size()); }

    bool isNavigating() const { return m_navigating; }
    // The keyboard-selected item while navigating, otherwise nullptr.
    QAbstractButton *selectedItem() const;

    // The window's layout gives the width; the strip takes as many rows as the items need there.
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    // The window's keys and clicks: F10 and Alt alone toggle the navigation, a click ends it.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void triggered(const QString &name); // an item was activated (mouse, keyboard or accessibility)

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class MenuStripItem;

    // Where each item goes (in m_items order) in the given width.
    QList<QRect> placements(int width) const;
    int rowHeight() const;

    int stepSelection(int from, int step) const;
    int verticalNeighbour(int from, int rowStep) const;
    void setSelectedIndex(int index);

    void toggleNavigation();
    void enterNavigation();
    void leaveNavigation(bool restoreFocus);

    void itemClicked(MenuStripItem *item);
    void itemHovered(MenuStripItem *item);

    QList<MenuStripItem *> m_items;
    int m_rowCount = 1; // at the strip's width
    int m_selected = -1;
    bool m_navigating = false;
    bool m_altArmed = false;
    int m_choosingKey = 0; // down on the selected item, which runs once it is lifted
    QPointer<QWidget> m_previousFocus;
};
