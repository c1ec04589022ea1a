#include "clockrandom.h"
#include "form1.h"
#include "game.h"
#include "recordstore.h"
#include "translations.h"
#include "wiring.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    installItalianTranslation(app);

    ClockRandom random;
    DirectoryRecordStore record(defaultRecordDirectory());
    Form1 form;
    Game game(form, random, record);
    connectGame(form, game);

    game.start();
    if (game.ended())
        return 0;
    form.showCentred();
    return QApplication::exec();
}
