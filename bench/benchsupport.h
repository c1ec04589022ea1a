// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the start-up benchmarks share: the moment the process was started, the moment the first
// frame of a window was painted, the peak resident memory, and the automatic answers to the boxes
// of the start.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class QWidget;

namespace bench {

// Nanoseconds on the monotonic clock (CLOCK_MONOTONIC).
std::int64_t monotonicNs();

// Call first thing in main(). The first time the program runs it notes the time and runs itself
// again with that time in SFERDONI_BENCH_T0, so that the measured start-up covers the whole
// execve(): loading and relocating the libraries, static initialisers, then main(). With
// SFERDONI_BENCH_T0=0 (as under valgrind) it does not run itself again and no start time is known.
void restartWithLaunchTime(char *argv[]);

// The time noted before the execve(), or -1.
std::int64_t launchNs();

// The start of the process as the kernel noted it (/proc/self/stat, in clock ticks of 10 ms, set
// against /proc/uptime), on the monotonic clock; -1 when unknown. Coarse: printed as a
// cross-check.
std::int64_t kernelStartNs();

// Peak resident set of this process image (VmHWM), in KiB; and getrusage's ru_maxrss, in KiB,
// which also counts the image before the last execve().
long peakRssKiB();
long maxRssKiB();

// The resident set now (VmRSS), in KiB; and its anonymous part (RssAnon: the heap and other
// memory of the process's own, not the pages of the program and libraries mapped from files).
long residentKiB();
long anonymousKiB();

// Watches the whole application: when the first paint event reaches any widget of window, it
// waits for that paint (and the flush that ends it) to finish, notes the time, writes out the
// instructions counted so far under callgrind (as "first-frame") and emits firstFramePainted()
// from the event loop.
class FirstFrameProbe : public QObject
{
    Q_OBJECT
public:
    explicit FirstFrameProbe(QWidget *window, QObject *parent = nullptr);

    std::int64_t paintedNs() const { return m_paintedNs; }
    int paintEvents() const { return m_paintEvents; }

signals:
    void firstFramePainted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    bool m_seen = false;
    std::int64_t m_paintedNs = -1;
    int m_paintEvents = 0;
};

// Answers the boxes of the start as a player would, as soon as each has been painted: the name
// box with a name, the greeting (and any other message box) with OK.
class BoxAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit BoxAnswerer(QString name, QObject *parent = nullptr);

    int answered() const { return m_answered; }

    // Runs after each box has been painted, just before it is answered.
    void setBeforeAnswer(std::function<void()> beforeAnswer)
    {
        m_beforeAnswer = std::move(beforeAnswer);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_name;
    int m_answered = 0;
    std::function<void()> m_beforeAnswer;
};

// Under callgrind: writes out the instructions counted since the last call (or the start) as a
// part of their own named what, and counts from zero again. Elsewhere it does nothing.
void dumpInstructions(const char *what);

// Under callgrind run with --collect-atstart=no: counts the instructions run from now on (on) or
// stops counting them (off). Elsewhere it does nothing.
void countInstructions(bool on);

// Prints one "key value" line on standard output.
void report(const char *key, double value);

// Prints the start-up figures of a program whose first frame was painted at paintedNs, main()
// having started at mainNs.
void reportStartup(std::int64_t mainNs, std::int64_t paintedNs);

// Prints the peak memory figures.
void reportMemory();

} // namespace bench
