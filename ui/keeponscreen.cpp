// SPDX-License-Identifier: GPL-3.0-or-later
#include "keeponscreen.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class KeepOnScreen : public QObject
{
public:
    explicit KeepOnScreen(QWidget *window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::WindowStateChange &&
            m_window->isMinimized())
            // Once the desktop is done minimising: undone within its own event, it could redo it.
            QTimer::singleShot(0, this, &KeepOnScreen::restore);
        return false;
    }

private:
    void restore()
    {
        if (!m_window->isMinimized())
            return;
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }

    QWidget *m_window;
};

} // namespace

void keepOnScreen(QWidget *window)
{
    new KeepOnScreen(window);
}
