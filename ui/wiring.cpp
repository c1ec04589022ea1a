// SPDX-License-Identifier: GPL-3.0-or-later
#include "wiring.h"

#include "form1.h"
#include "game/game.h"
#include "help.h"

bool isPlayerFocus(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    default:
        // The focus that comes back when the window or a box is activated again, and focus set
        // by code, are not the player's doing.
        return false;
    }
}

void connectGame(Form1 &form, Game &game)
{
    QObject::connect(&form, &Form1::goClicked, &form, [&game] { game.nuovoangolo(); });
    QObject::connect(&form, &Form1::practiceClicked, &form, [&game] { game.nuovanota(); });
    QObject::connect(&form, &Form1::newTurnClicked, &form, [&game] { game.nuovoturno(); });
    QObject::connect(&form, &Form1::optionClicked, &form,
                     [&game](int index) { game.verificarisposta(index); });
    QObject::connect(&form, &Form1::optionFocused, &form,
                     [&game](int index, Qt::FocusReason reason) {
                         if (isPlayerFocus(reason))
                             game.deselezionagiusta(index);
                     });
    QObject::connect(&form, &Form1::exitClicked, &form, [&game] { game.exitSequence(); });
    QObject::connect(&form, &Form1::timerTicked, &form, [&game] { game.tick(); });
    QObject::connect(&form, &Form1::closing, &form, [&game] { game.abandon(); });
    QObject::connect(&form, &Form1::menuTriggered, &form,
                     [&form](const QString &item) { showHelp(form, item); });
}
