#include "wiring.h"

#include "form1.h"
#include "game.h"

void connectGame(Form1 &form, Game &game)
{
    QObject::connect(&form, &Form1::command1Clicked, &form, [&game] { game.nuovoangolo(); });
}
