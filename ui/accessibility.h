// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Installs, once, what assistive technology is told of the game's own controls: the window, the
// graphical and plain push buttons, the picture box, the menu strip and its items.
void installAccessibleInterfaces();
