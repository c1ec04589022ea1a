// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline: an empty Qt Widgets window the size of the game's client area, shown, timed from
// the launch of the process to its first painted frame. With the argument "label" the window shows
// one line of text: the floor for any window with text, which loads the font system.

#include "benchsupport.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    bench::restartWithLaunchTime(argv);
    const std::int64_t mainNs = bench::monotonicNs();

    QApplication app(argc, argv);
    QWidget window;
    window.resize(723, 587);
    if (argc > 1 && qstrcmp(argv[1], "label") == 0) {
        auto *label = new QLabel(QStringLiteral("Sferdoni"), &window);
        label->move(16, 16);
    }
    bench::FirstFrameProbe probe(&window);
    QObject::connect(&probe, &bench::FirstFrameProbe::firstFramePainted, &app,
                     &QCoreApplication::quit);
    window.show();
    const int status = QApplication::exec();

    bench::reportStartup(mainNs, probe.paintedNs());
    bench::reportMemory();
    return status;
}
