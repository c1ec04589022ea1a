// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/clockrandom.h"
#include "game/game.h"
#include "record/recordlocation.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/windowsystem.h"
#include "ui/wiring.h"

#include <QApplication>

#include <algorithm>

int main(int argc, char *argv[])
{
    // The game takes nothing from its command line, not even Qt's own options (-reverse would
    // mirror the boxes). The program's name stays: the window's class is made from it.
    int programNameOnly = std::min(argc, 1);
    windowsystem::choose();
    QApplication app(programNameOnly, argv);
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
