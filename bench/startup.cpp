// SPDX-License-Identifier: GPL-3.0-or-later
// The game's start-up, as main.cpp wires it, timed from the launch of the process to the first
// painted frame of the main window. The name box and the greeting are answered as soon as they are
// painted; the record lives in a temporary directory. Like the game, it chooses how to reach the
// screen (windowsystem::choose()) before Qt starts.

#include "benchsupport.h"

#include "game/clockrandom.h"
#include "game/game.h"
#include "record/recordstore.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/windowsystem.h"
#include "ui/wiring.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    bench::restartWithLaunchTime(argv);
    const std::int64_t mainNs = bench::monotonicNs();

    windowsystem::choose();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    installItalianTranslation(app);
    bench::BoxAnswerer answerer(QStringLiteral("Banco"));

    QTemporaryDir recordDirectory;
    if (!recordDirectory.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    ClockRandom random;
    DirectRecordStore record(recordDirectory.path());
    const std::int64_t beforeFormNs = bench::monotonicNs();
    Form1 form;
    const std::int64_t formBuiltNs = bench::monotonicNs();
    bench::FirstFrameProbe probe(&form);
    QObject::connect(&probe, &bench::FirstFrameProbe::firstFramePainted, &app,
                     &QCoreApplication::quit);
    Game game(form, random, record);
    connectGame(form, game);

    game.start();
    const std::int64_t startedNs = bench::monotonicNs();
    if (game.ended()) {
        std::fprintf(stderr, "the game ended during its start\n");
        return 1;
    }
    form.showCentred();
    const int status = QApplication::exec();

    bench::reportStartup(mainNs, probe.paintedNs());
    bench::report("app_setup_ms", double(beforeFormNs - mainNs) / 1e6);
    bench::report("form_build_ms", double(formBuiltNs - beforeFormNs) / 1e6);
    bench::report("game_start_ms", double(startedNs - formBuiltNs) / 1e6);
    bench::report("show_to_frame_ms", double(probe.paintedNs() - startedNs) / 1e6);
    bench::report("boxes_answered", answerer.answered());
    bench::reportMemory();
    return status;
}
