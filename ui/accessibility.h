// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

#include <QAccessible>
#include <QList>
#include <QObject>

class Form1;
class QAccessibleInterface;
class QWidget;

// Installs, once, what assistive technology is told of the game's own controls: the window, the
// graphical and plain push buttons, the picture box, the menu strip and its items, the client
// area.
void installAccessibleInterfaces();

// What a player who cannot see the window hears beyond the controls' captions, kept in step with
// the game: the window's short name with the angle asked, what the keyboard-only buttons do, the
// drawing and the answers as parts of their own, one status bar with the counters, the time left
// and the record, and announcements of what changed out of sight (the time getting short, what a
// keyboard-only button did). Nothing of it is drawn. It lives on the window's client area, whose
// accessible children it orders: each fact once, headings with their values (the heading labels
// themselves are left out).
class Narrator : public QObject, private QAccessible::ActivationObserver
{
    Q_OBJECT
public:
    explicit Narrator(Form1 &form);
    ~Narrator() override;

    // The game wrote text into a label.
    void labelChanged(Label which, const QString &text);

    // The accessible children of the client area, or of one of the narrator's parts.
    QList<QObject *> partsOf(const QObject *container) const;
    // The part that holds a control (the answers' group holds the answer buttons), or nullptr.
    QObject *holderOf(const QObject *control) const;

private:
    // What the status bar says now.
    QString statusText() const;
    QString labelText(Label which) const;
    QString recordText() const;
    QString amplitude() const;
    void accessibilityActiveChanged(bool active) override;
    void nameTheAngle();
    void describeKeyboardButtons();
    void statusChanged();
    void announce(const QString &text);
    QRect drawingRect() const;
    QRect answersRect() const;

    Form1 &m_form;
    QWidget *m_go = nullptr;
    QWidget *m_practice = nullptr;
    QWidget *m_newTurn = nullptr;
    QObject *m_drawing = nullptr; // the parts that are no widget: each an anchor of its own
    QObject *m_answers = nullptr;
    QObject *m_statusBar = nullptr;
    QObject *m_announcer = nullptr;
    QList<QObject *> m_clientParts;
    int m_angles = 0;
    bool m_listening = false; // whether assistive technology is active
    QString m_announcement;
};
