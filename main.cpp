#include "clockrandom.h"
#include "form1.h"
#include "game.h"
#include "wiring.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    QApplication::setOrganizationName(QStringLiteral("sferdoni"));

    ClockRandom random;
    Form1 form;
    Game game(form, random);
    connectGame(form, game);

    game.nuovoturno();
    form.show();
    return QApplication::exec();
}
