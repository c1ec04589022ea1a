// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Brings a window of the game back at once whenever the desktop minimises it. The game's windows
// ask for no minimise box, but a desktop may offer one all the same (on the title bar, in a menu,
// as a key); a minimised box has no taskbar button to bring it back, GNOME has no taskbar at
// all, and the game's clock runs on. Lasts as long as the window.
void keepOnScreen(QWidget *window);
