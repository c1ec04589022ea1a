// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

class Form1;
class Game;

// Connects the window's events to the game's steps: the one place where the two meet.
void connectGame(Form1 &form, Game &game);

// Whether the focus arrived through the player (Tab, a click, a shortcut) rather than by coming
// back to the window.
bool isPlayerFocus(Qt::FocusReason reason);
