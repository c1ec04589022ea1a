// SPDX-License-Identifier: GPL-3.0-or-later
#include "help.h"

std::optional<HelpBox> helpBoxFor(QStringView item)
{
    for (const MenuItemDesign &design : menuItemDesigns()) {
        if (item == QLatin1String(design.name))
            return design.box;
    }
    return std::nullopt;
}

void showHelp(GameWindow &window, QStringView item)
{
    if (const auto box = helpBoxFor(item))
        window.messageBox(box->text, box->icon, box->title);
}
