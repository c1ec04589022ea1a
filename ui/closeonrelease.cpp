// SPDX-License-Identifier: GPL-3.0-or-later
#include "closeonrelease.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

bool closesBoxes(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

class CloseOnRelease : public QObject
{
public:
    explicit CloseOnRelease(QWidget *box) : QObject(box), m_box(box)
    {
        // On the whole application: the key goes to the box's focused control first.
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_replaying ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
            return false;
        auto *control = qobject_cast<QWidget *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!control || control->window() != m_box || !closesBoxes(key->key()))
            return false;
        if (event->type() == QEvent::KeyPress) {
            if (!key->isAutoRepeat())
                m_down = key->key();
            return true;
        }
        if (key->isAutoRepeat() || key->key() != m_down)
            return true;
        m_down = 0;
        // The box does now what it would have done when the key went down.
        QKeyEvent press(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        m_replaying = true;
        QCoreApplication::sendEvent(control, &press);
        m_replaying = false;
        return true;
    }

private:
    QWidget *m_box;
    int m_down = 0;
    bool m_replaying = false;
};

} // namespace

void closeOnKeyRelease(QWidget *box)
{
    new CloseOnRelease(box);
}
