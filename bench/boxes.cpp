// SPDX-License-Identifier: GPL-3.0-or-later
// The game's message boxes in the shown window, as a player meets them.
//
//   bench_boxes turns N   plays N turns by clicking the answer buttons, every second turn a wrong
//                         answer first, each answer's box shown by the game and closed once
//                         painted; prints the resident memory after 20 turns and after N
//   bench_boxes help N    opens the help box N times by clicking "?" in the menu bar; under
//                         callgrind (--collect-atstart=no) counts the instructions from the click
//                         to the box's first painted frame, the first opening apart

#include "benchsupport.h"
#include "showngame.h"

#include "game/game.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/menustrip.h"
#include "ui/translations.h"
#include "ui/windowsystem.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int turnsFirstMeasured = 20;

int playTurns(Game &game, Form1 &form, bench::BoxAnswerer &answerer, int turns)
{
    const auto click = [&form](int index) {
        QTest::mouseClick(form.option(index), Qt::LeftButton);
    };
    const auto elapsedMs = [](std::int64_t since) {
        return double(bench::monotonicNs() - since) / 1e6;
    };
    const int boxesBefore = answerer.answered();
    const std::int64_t t0 = bench::monotonicNs();
    for (int turn = 1; turn <= turns; ++turn) {
        const int correct = game.state().tipoangolo;
        if (turn % 2 == 0)
            click(correct % 6 + 1); // "HAI SBAGLIATO"
        click(correct);             // "Bravo è esatto", then the next turn
        if (game.ended()) {
            std::fprintf(stderr, "the game ended after %d turns\n", turn);
            return 1;
        }
        if (turn == turnsFirstMeasured || turn == turns) {
            const std::string at = turn == turns ? "turns" : std::to_string(turn);
            bench::report(("rss_after_" + at + "_kib").c_str(), double(bench::residentKiB()));
            bench::report(("anon_after_" + at + "_kib").c_str(), double(bench::anonymousKiB()));
            bench::report(("boxes_after_" + at).c_str(), answerer.answered() - boxesBefore);
        }
    }
    bench::report("turns", turns);
    bench::report("turn_with_boxes_mean_ms", elapsedMs(t0) / turns);
    return 0;
}

int openHelp(Form1 &form, bench::BoxAnswerer &answerer, int times)
{
    QAbstractButton *help = form.menuStrip()->item(QStringLiteral("help"));
    if (!help) {
        std::fprintf(stderr, "no help item in the menu bar\n");
        return 1;
    }
    std::int64_t clickedNs = 0;
    double firstMs = 0;
    double againMs = 0;
    int i = 1;
    // The box's first frame has been painted: the opening ends there, before the box is closed.
    answerer.setBeforeAnswer([&] {
        bench::countInstructions(false);
        (i == 1 ? firstMs : againMs) += double(bench::monotonicNs() - clickedNs) / 1e6;
    });
    for (; i <= times; ++i) {
        const int before = answerer.answered();
        clickedNs = bench::monotonicNs();
        bench::countInstructions(true);
        QTest::mouseClick(help, Qt::LeftButton);
        bench::countInstructions(false);
        if (answerer.answered() != before + 1) {
            std::fprintf(stderr, "the help box did not open\n");
            return 1;
        }
        if (i == 1)
            bench::dumpInstructions("help-first");
        QCoreApplication::processEvents();
    }
    if (times > 1)
        bench::dumpInstructions("help-again");
    bench::report("help_first_ms", firstMs);
    bench::report("help_again_mean_ms", times > 1 ? againMs / (times - 1) : 0.0);
    bench::report("help_boxes", times);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool help = argc > 1 && qstrcmp(argv[1], "help") == 0;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : (help ? 5 : 2000);

    windowsystem::choose(); // as the game does: on Wayland it decides who draws the frame
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    installItalianTranslation(app);
    bench::BoxAnswerer answerer(QStringLiteral("Banco"));

    bench::ShownGame shown(count);
    if (!shown.started())
        return 1;

    const int status = help ? openHelp(shown.form, answerer, count)
                            : playTurns(shown.game, shown.form, answerer, count);
    bench::reportMemory();
    return status;
}
