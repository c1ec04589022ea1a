// SPDX-License-Identifier: GPL-3.0-or-later
#include "clockrandom.h"
#include "form1.h"
#include "game.h"
#include "helperrecordstore.h"
#include "translations.h"
#include "wiring.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    // Links the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.sferdoni.Sferdoni"));
    installItalianTranslation(app);

    ClockRandom random;
    const std::unique_ptr<RecordStore> record = makeRecordStore();
    Form1 form;
    Game game(form, random, *record);
    connectGame(form, game);

    game.start();
    if (game.ended())
        return 0;
    form.showCentred();
    return QApplication::exec();
}
