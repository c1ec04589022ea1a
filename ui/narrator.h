// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "accessibleinterfaces.h"
#include "game/gamewindow.h"

#include <QList>
#include <QString>

#include <array>

class QAbstractButton;
class QWidget;

// The window's controls, by what they are to the player.
struct NarratedControls
{
    QWidget *window = nullptr;
    QWidget *clientArea = nullptr; // every control below lies on it
    QAbstractButton *go = nullptr;
    QAbstractButton *practice = nullptr;
    QAbstractButton *newTurn = nullptr;
    QAbstractButton *exit = nullptr;
    QWidget *picture = nullptr;
    std::array<QAbstractButton *, 6> answers{}; // Option1(1..6)
    std::array<QWidget *, 7> labels{};          // by Label
    QList<QAbstractButton *> menuItems;
};

// What a player who cannot see the window hears beyond the controls' captions, kept in step with
// the game: the window's short name with the angle asked, what the keyboard-only buttons do, the
// drawing and the answers as parts of their own, one status bar with the counters, the time left
// and the record, what each box says, and announcements of what changed out of sight (the time
// getting short, what a keyboard-only button did). Nothing of it is drawn. It alone writes the
// accessible names and descriptions, and it orders the client area's accessible children: each
// fact once, headings with their values (the heading labels themselves are left out).
class Narrator : public AccessibleParts, private QAccessible::ActivationObserver
{
    Q_OBJECT
public:
    explicit Narrator(const NarratedControls &controls);
    ~Narrator() override;

    // The game wrote text into a label.
    void labelChanged(Label which, const QString &text);
    // The sector was drawn in the circle with these bounds, in the client area's pixels.
    void sectorDrawn(const QRect &circle);
    // A box is about to open over the window (or, at the start, on its own).
    void boxOpening(QWidget *box);

    QList<QObject *> partsOf(const QObject *container) const override;
    QObject *holderOf(const QObject *control) const override;

private:
    QString statusText() const;
    QString recordText() const;
    QString scoreText() const;
    const QString &text(Label which) const { return m_texts[static_cast<size_t>(which)]; }
    QWidget *label(Label which) const { return m_controls.labels[static_cast<size_t>(which)]; }
    void accessibilityActiveChanged(bool active) override;
    void nameTheAngle();
    void statusChanged();
    void announce(const QString &text);
    void announceAfter(QAbstractButton *button, const QString &what);
    QRect answersRect() const;

    NarratedControls m_controls;
    QObject *m_drawing = nullptr; // the parts that are no widget: each an anchor of its own
    QObject *m_answers = nullptr;
    QObject *m_statusBar = nullptr;
    QObject *m_announcer = nullptr;
    QList<QObject *> m_clientParts;
    std::array<QString, 7> m_texts; // what the game last wrote into each label, by Label, trimmed
    QRect m_sector;                 // where the sector is drawn, in the client area
    int m_angles = 0;
    bool m_listening = false; // whether assistive technology is active
    bool m_timeIsUp = false;
    QString m_announcement;
};
