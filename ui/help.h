// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "design.h"
#include "game/gamewindow.h"

#include <QStringView>

#include <optional>

// The box of a menu item, by its name ("help", "acuto", ... "grio"), as the menu bar's design
// has it; none for the credit items.
std::optional<HelpBox> helpBoxFor(QStringView item);

// Shows the item's box, if it has one, and returns when the player closes it. Nothing of the game
// changes.
void showHelp(GameWindow &window, QStringView item);
