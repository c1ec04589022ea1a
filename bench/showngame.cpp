// SPDX-License-Identifier: GPL-3.0-or-later
#include "showngame.h"

#include "benchsupport.h"
#include "ui/wiring.h"

#include <QEventLoop>

#include <cmath>

namespace bench {

ShownGame::ShownGame(int draws)
{
    for (int i = 0; i < 3 * (draws + 1000); ++i) {
        double whole = 0;
        random.numbers << float(std::modf(i * 0.6180339887498949, &whole));
    }
    connectGame(form, game);
    game.start();
    if (game.ended())
        return;
    FirstFrameProbe probe(&form);
    QEventLoop shown;
    QObject::connect(&probe, &FirstFrameProbe::firstFramePainted, &shown, &QEventLoop::quit);
    form.showCentred();
    shown.exec();
}

} // namespace bench
