// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Whether a control acts on input now: it is enabled and shown, and no modal box is open over its
// window. Qt holds back the window system's mouse and key events (and so shortcuts) on the same
// terms; every action that assistive technology asks of a control passes here too, so a hidden
// "Go" cannot be pressed to skip an angle that was answered wrongly.
bool acceptsInput(const QWidget *control);

// Installs, once, what assistive technology is told of the game's own controls: the window, the
// graphical and plain push buttons, the picture box, the menu strip and its items.
void installAccessibleInterfaces();
