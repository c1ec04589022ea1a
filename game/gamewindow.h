// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "texts.h"

#include <QString>
#include <QtGlobal>

// A colour as the window stores it: 0x00BBGGRR.
using BgrColor = quint32;

// The labels whose text the game sets, by their control names.
enum class Label {
    lblangolo, // the amplitude of the current angle
    lblScore,  // the correct answers
    lblScore1, // the wrong answers
    lblconto,  // the countdown
    lblpunti,  // the record score
    lblnome,   // the record holder
    lblnome1,  // the player's name
};

enum class MessageIcon { None, Information, Exclamation };

// What the game does to its window: drawing, labels, the answer buttons Option1(1..6), the "Go"
// button, the modal boxes, the one-second timer and the end of the program. The main window
// implements it; tests drive the whole game through a recording fake.
class GameWindow
{
public:
    virtual ~GameWindow() = default;

    // Drawing on the window, below all controls; kept until it is cleared.
    virtual void clearDrawing() = 0;
    virtual void setFillColor(BgrColor color) = 0;
    // The sector between two bearings (degrees clockwise from 12 o'clock), filled in the fill
    // colour and outlined in color.
    virtual void pigrecoesettore(float X, float Y, float radius, BgrColor color, float start_ang,
                                 float end_ang) = 0;

    virtual void setLabelText(Label label, const QString &text) = 0;

    // The answer buttons, by index 1..6.
    virtual void setOptionBackColor(int index, BgrColor color) = 0;
    virtual void setOptionForeColor(int index, BgrColor color) = 0;
    virtual void setOptionVisible(int index, bool visible) = 0;
    virtual void setOptionEnabled(int index, bool enabled) = 0;
    virtual void setOptionSelected(int index, bool selected) = 0;
    virtual bool isOptionSelected(int index) const = 0;

    virtual void setCommand1Visible(bool visible) = 0;

    // A modal box with one OK button; returns when the player closes it.
    void messageBox(const QString &text, MessageIcon icon = MessageIcon::None,
                    const QString &title = texts::applicationTitle)
    {
        showMessage(text, icon, title);
    }
    // A modal box asking for one line of text, the field empty at first: the typed text as it is,
    // or the empty text on Cancel.
    virtual QString inputBox(const QString &prompt, const QString &title) = 0;

    // The one-second timer; each tick runs the game's tick.
    virtual void setTimerEnabled(bool enabled) = 0;

    // Ends the program at once: no handler of the game runs after it.
    virtual void endProgram() = 0;

protected:
    virtual void showMessage(const QString &text, MessageIcon icon, const QString &title) = 0;
};
