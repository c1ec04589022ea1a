// SPDX-License-Identifier: GPL-3.0-or-later
#include "boxtext.h"

#include <QEvent>
#include <QLabel>
#include <QMessageBox>

namespace {

class SelectableOncePainted : public QObject
{
public:
    explicit SelectableOncePainted(QLabel *label)
        : QObject(label), m_label(label), m_interaction(label->textInteractionFlags())
    {
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint) {
            m_label->removeEventFilter(this);
            // Changing the interaction asks for no new layout: the box keeps its size.
            m_label->setTextInteractionFlags(m_interaction);
        }
        return false;
    }

private:
    QLabel *m_label;
    Qt::TextInteractionFlags m_interaction;
};

} // namespace

void selectableOncePainted(QMessageBox *box)
{
    // The box's text is the label Qt names so.
    if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        label && label->textInteractionFlags() != Qt::NoTextInteraction)
        new SelectableOncePainted(label);
}
