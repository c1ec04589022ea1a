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
    QSize minimumSizeHint() const override;

    // True while the strip is in keyboard navigation and this item is the current one.
    bool isSelected() const { return m_selected; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void changeEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    friend class MenuStrip;
    MenuStripItem(const QString &caption, MenuStrip *strip);
    void setSelected(bool selected);

    MenuStrip *m_strip;
    bool m_selected = false;
    // The size hint, measured once per caption and font: the strip asks for it often.
    mutable QSize m_hint;
    mutable QString m_hintText;
};

// A menu bar whose items sit directly on the bar and wrap onto further rows
// when they do not fit in the available width. A click on an item (or Enter /
// Space while navigating with the keyboard) runs it at once.
//
// Keyboard: Alt pressed and released alone, or F10, anywhere in the strip's
// window starts keyboard navigation; arrows move, Home/End jump, Enter/Space
// run the current item, Escape / Alt / F10 leave and give the focus back.
// Items and the empty rest of the strip are painted by the style, as a menu
// bar's are.
class MenuStrip : public QWidget
{
    Q_OBJECT
public:
    explicit MenuStrip(QWidget *parent = nullptr);
    ~MenuStrip() override;

    // Appends an item; the returned widget has objectName == name and shows caption.
    QAbstractButton *addItem(const QString &name, const QString &caption);
    QAbstractButton *item(const QString &name) const; // nullptr when unknown
    QList<QAbstractButton *> items() const;
    int count() const;

    // Number of rows the items take at the strip's current width.
    int rowCount() const;

    bool isNavigating() const { return m_navigating; }
    // The keyboard-selected item while navigating, otherwise nullptr.
    QAbstractButton *selectedItem() const;

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override; // for the current width
    QSize minimumSizeHint() const override;

signals:
    void triggered(const QString &name); // an item was activated (mouse, keyboard or accessibility)
    void navigationChanged(bool navigating);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class MenuStripItem;

    struct Placement
    {
        QRect rect;
        int row = 0;
    };
    // Positions of the items (in m_items order) for a given total width;
    // *height receives the needed height.
    QList<Placement> computeLayout(int width, int *height, int *rows) const;
    void relayout();
    int rowHeight() const;

    bool isNavigable(int index) const;
    int firstNavigable() const;
    int stepSelection(int from, int step) const;
    int verticalNeighbour(int from, int rowStep) const;
    void setSelectedIndex(int index);

    bool canNavigate() const;
    void enterNavigation();
    void leaveNavigation(bool restoreFocus);
    void handleWindowKey(QObject *receiver, QKeyEvent *event, bool *consume);

    void itemClicked(MenuStripItem *item);
    void itemHovered(MenuStripItem *item);

    QList<MenuStripItem *> m_items;
    QList<int> m_rows; // row of each item after the last relayout()
    int m_rowCount = 1;
    int m_selected = -1;
    bool m_navigating = false;
    bool m_altArmed = false;
    QPointer<QWidget> m_previousFocus;
};
