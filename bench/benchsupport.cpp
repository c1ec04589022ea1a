// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define SFERDONI_CALLGRIND 1
#endif

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

namespace {

constexpr char launchVariable[] = "SFERDONI_BENCH_T0";

// The time since boot from /proc/uptime (in hundredths of a second), in nanoseconds, or -1.
std::int64_t uptimeNs()
{
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!uptime.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const double seconds = uptime.readAll().split(' ').value(0).toDouble(&ok);
    return ok ? std::int64_t(seconds * 1e9) : -1;
}

// One "Name:   value kB" line of /proc/self/status, or -1.
long statusKiB(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

std::int64_t monotonicNs()
{
    // CLOCK_MONOTONIC on Linux.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void restartWithLaunchTime(char *argv[])
{
    if (std::getenv(launchVariable))
        return;
    const std::string now = std::to_string(monotonicNs());
    setenv(launchVariable, now.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("execv /proc/self/exe"); // runs on without the launch time
    unsetenv(launchVariable);
}

std::int64_t launchNs()
{
    const char *value = std::getenv(launchVariable);
    if (!value)
        return -1;
    const long long ns = std::strtoll(value, nullptr, 10);
    return ns > 0 ? ns : -1;
}

std::int64_t kernelStartNs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces: the state
    // is field 3, the start time field 22.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const long long ticks = fields.at(19).toLongLong();
    const long perSecond = sysconf(_SC_CLK_TCK);
    if (ticks <= 0 || perSecond <= 0)
        return -1;
    const std::int64_t startBoot = std::int64_t(ticks) * (1'000'000'000 / perSecond);
    // The start time counts from boot; move it onto CLOCK_MONOTONIC.
    const std::int64_t sinceBoot = uptimeNs();
    return sinceBoot < 0 ? -1 : monotonicNs() - (sinceBoot - startBoot);
}

long peakRssKiB()
{
    return statusKiB("VmHWM");
}

long residentKiB()
{
    return statusKiB("VmRSS");
}

long anonymousKiB()
{
    return statusKiB("RssAnon");
}

long maxRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

FirstFrameProbe::FirstFrameProbe(QWidget *window, QObject *parent)
    : QObject(parent), m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == m_window) {
        ++m_paintEvents;
        if (!m_seen) {
            m_seen = true;
            // Runs once the event being handled, the painting of the whole frame and its flush
            // to the window, has returned to the event loop.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_paintedNs = monotonicNs();
                    dumpInstructions("first-frame");
                    emit firstFramePainted();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

BoxAnswerer::BoxAnswerer(QString name, QObject *parent) : QObject(parent), m_name(std::move(name))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool BoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    const bool painted = event->type() == QEvent::Paint;
    const bool shown = event->type() == QEvent::Show;
    if ((painted || shown) && watched->isWidgetType()) {
        auto *box = qobject_cast<QDialog *>(static_cast<QWidget *>(watched)->window());
        if (box && !box->property("benchAnswered").toBool()) {
            QPointer<QDialog> guard(box);
            auto answer = [this, guard] {
                if (!guard || !guard->isVisible() || guard->property("benchAnswered").toBool())
                    return;
                guard->setProperty("benchAnswered", true);
                if (m_beforeAnswer)
                    m_beforeAnswer();
                ++m_answered;
                if (auto *input = qobject_cast<QInputDialog *>(guard.data()))
                    input->setTextValue(m_name);
                guard->accept();
            };
            if (painted) {
                // As soon as the player could see it.
                QMetaObject::invokeMethod(this, answer, Qt::QueuedConnection);
            } else if (!box->property("benchWatched").toBool()) {
                // A box that is never painted is answered anyway, later, with a warning. The
                // timer goes with the box: pending timers of boxes long closed would add up to
                // memory that the game never holds (megabytes over a fast game).
                box->setProperty("benchWatched", true);
                auto *late = new QTimer(box);
                late->setSingleShot(true);
                connect(late, &QTimer::timeout, this, [answer, guard] {
                    if (guard && !guard->property("benchAnswered").toBool())
                        std::fprintf(stderr, "warning: a box was never painted\n");
                    answer();
                });
                late->start(2000);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void dumpInstructions(const char *what)
{
#ifdef SFERDONI_CALLGRIND
    CALLGRIND_DUMP_STATS_AT(what);
#else
    Q_UNUSED(what);
#endif
}

void countInstructions(bool on)
{
#ifdef SFERDONI_CALLGRIND
    static bool counting = false;
    if (on != counting) {
        CALLGRIND_TOGGLE_COLLECT;
        counting = on;
    }
#else
    Q_UNUSED(on);
#endif
}

void report(const char *key, double value)
{
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

void reportStartup(std::int64_t mainNs, std::int64_t paintedNs)
{
    const std::int64_t launch = launchNs();
    if (launch > 0) {
        report("startup_ms", double(paintedNs - launch) / 1e6);
        report("exec_to_main_ms", double(mainNs - launch) / 1e6);
    }
    report("main_to_frame_ms", double(paintedNs - mainNs) / 1e6);
    const std::int64_t kernelStart = kernelStartNs();
    if (kernelStart > 0)
        report("kernel_start_to_frame_ms", double(paintedNs - kernelStart) / 1e6);
}

void reportMemory()
{
    report("peak_rss_kib", double(peakRssKiB()));
    report("ru_maxrss_kib", double(maxRssKiB()));
}

} // namespace bench
