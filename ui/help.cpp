// SPDX-License-Identifier: GPL-3.0-or-later
#include "help.h"

#include "game/angles.h"
#include "game/texts.h"

std::optional<HelpBox> helpBoxFor(QStringView item)
{
    if (item == u"help")
        return HelpBox{texts::helpText, MessageIcon::Information, texts::helpTitle};

    // The definitions, by the class code of the angle they define.
    const std::pair<QStringView, int> definitions[] = {
        {u"acuto", Acute},     {u"retto", Right},     {u"ottuso", Obtuse},
        {u"piatto", Straight}, {u"concavo", Concave}, {u"grio", Full},
    };
    for (const auto &[name, code] : definitions) {
        if (item == name)
            return HelpBox{texts::definitions[code], MessageIcon::None, texts::applicationTitle};
    }
    return std::nullopt;
}

void showHelp(GameWindow &window, QStringView item)
{
    if (const auto box = helpBoxFor(item))
        window.messageBox(box->text, box->icon, box->title);
}
