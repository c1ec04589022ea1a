// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of a turn and of a practice drawing in the shown window: the game's step and the
// painting of what changed, the drawing's strokes included, into the window's backing store, each
// timed call by call.

#include "benchsupport.h"
#include "showngame.h"
#include "tests/support/testsupport.h"

#include "ui/clientarea.h"
#include "ui/windowsystem.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void reportSamples(const char *name, std::vector<double> samples)
{
    const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
    std::sort(samples.begin(), samples.end());
    const auto at = [&samples](double q) {
        return samples[std::min(samples.size() - 1, size_t(q * samples.size()))];
    };
    const std::string prefix(name);
    bench::report((prefix + "_mean_us").c_str(), mean);
    bench::report((prefix + "_median_us").c_str(), at(0.5));
    bench::report((prefix + "_p90_us").c_str(), at(0.9));
    bench::report((prefix + "_min_us").c_str(), samples.front());
}

// Times step() then the processing of the repaint it asked for, count times after a few rounds
// to warm up; under callgrind it counts their instructions too, written out as a part named
// name. prepare() runs untimed and uncounted before each call.
void measure(const char *name, int count, const std::function<void()> &prepare,
             const std::function<void()> &step, PaintCounter &clientPaints)
{
    std::vector<double> whole, drawing, painting;
    whole.reserve(size_t(count));
    drawing.reserve(size_t(count));
    painting.reserve(size_t(count));
    const int warmUp = 200;
    const int paintsBefore = clientPaints.count;
    for (int i = 0; i < warmUp + count; ++i) {
        prepare();
        QCoreApplication::processEvents();
        const bool counted = i >= warmUp;
        bench::countInstructions(counted);
        const auto t0 = Clock::now();
        step();
        const auto t1 = Clock::now();
        QCoreApplication::processEvents();
        const auto t2 = Clock::now();
        bench::countInstructions(false);
        if (counted) {
            whole.push_back(microseconds(t2 - t0));
            drawing.push_back(microseconds(t1 - t0));
            painting.push_back(microseconds(t2 - t1));
        }
    }
    bench::dumpInstructions(name);
    const std::string prefix(name);
    reportSamples(name, whole);
    reportSamples((prefix + "_step").c_str(), drawing);
    reportSamples((prefix + "_repaint").c_str(), painting);
    bench::report((prefix + "_calls").c_str(), count);
    // Each call must have painted the drawing area once, or the repaint was not measured.
    bench::report((prefix + "_client_paints_per_call").c_str(),
                  double(clientPaints.count - paintsBefore) / (warmUp + count));
}

} // namespace

int main(int argc, char *argv[])
{
    int count = 10000;
    if (argc > 1)
        count = std::max(1, std::atoi(argv[1]));

    windowsystem::choose(); // as the game does: on Wayland it decides who draws the frame
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sferdoni"));
    bench::BoxAnswerer answerer(QStringLiteral("Banco"));

    bench::ShownGame shown(count);
    if (!shown.started())
        return 1;
    Form1 &form = shown.form;
    Game &game = shown.game;

    PaintCounter clientPaints(form.clientArea());

    const auto nothing = [] {};
    // A turn as Command4 or a correct answer starts it.
    measure(
        "turn", count, nothing, [&game] { game.nuovoturno(); }, clientPaints);
    // A turn after a correct answer: the chosen button was selected and highlighted first.
    measure(
        "answered_turn", count,
        [&game, &form] {
            const int t = game.state().tipoangolo;
            form.setOptionSelected(t, true);
            form.setOptionBackColor(t, Game::highlightBack);
            form.setOptionForeColor(t, Game::highlightText);
        },
        [&game] { game.nuovoturno(); }, clientPaints);
    // A practice drawing, "Nuova nota".
    measure(
        "practice", count, nothing, [&game] { game.nuovanota(); }, clientPaints);

    bench::reportMemory();
    return 0;
}
