// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

#include <QStringView>

#include <optional>

// The box a help item of the menu bar shows.
struct HelpBox
{
    const QString &text;
    MessageIcon icon;
    const QString &title;
};

// The box of a menu item, by its name ("help", "acuto", ... "grio"); none for the credit items.
std::optional<HelpBox> helpBoxFor(QStringView item);

// Shows the item's box, if it has one, and returns when the player closes it. Nothing of the game
// changes.
void showHelp(GameWindow &window, QStringView item);
