// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers for tests of the record files: temporary record directories and their bytes, what
// QCOMPARE shows of a pair, and running a step as an unprivileged user.

#include "record/recordfiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace recordfiles {
// What QCOMPARE shows of a pair and of what a start found.
inline char *toString(const Pair &pair)
{
    return QTest::toString(QByteArray::fromStdString(pair.score + "|" + pair.name));
}
inline char *toString(const Loaded &loaded)
{
    return QTest::toString(QByteArray::fromStdString(
        loaded.pair.score + "|" + loaded.pair.name + "|" + std::to_string(loaded.problem.kind) +
        " " + std::to_string(loaded.problem.error) + " " + loaded.problem.file));
}
} // namespace recordfiles

// The record a test finds in place.
inline const QByteArray oldScore = "7\r\n";
inline const QByteArray oldName = "Ada\r\n";

inline std::string bytes(const QByteArray &b)
{
    return b.toStdString();
}

// What a start finds when all goes well.
inline recordfiles::Loaded found(const QByteArray &score, const QByteArray &name)
{
    recordfiles::Loaded loaded;
    loaded.pair = recordfiles::Pair{bytes(score), bytes(name)};
    return loaded;
}

// A save, its problem in problemOut when wanted.
inline recordfiles::SaveOutcome save(recordfiles::RecordFiles &files, std::string_view score,
                                     std::string_view name,
                                     recordfiles::Problem *problemOut = nullptr)
{
    recordfiles::Problem problem;
    const recordfiles::SaveOutcome outcome = files.save(score, name, problem);
    if (problemOut)
        *problemOut = problem;
    return outcome;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Everything in a directory, hidden entries included.
inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A temporary record directory that an unprivileged user can reach.
struct RecordDir
{
    QTemporaryDir base;
    QString path;

    RecordDir()
    {
        ::chmod(QFile::encodeName(base.path()).constData(), 0755);
        path = base.path() + QStringLiteral("/record");
        QDir().mkpath(path);
        ::chmod(QFile::encodeName(path).constData(), 0777);
    }
    QString file(const char *name) const { return path + QLatin1Char('/') + QLatin1String(name); }
    void setPair(const QByteArray &score, const QByteArray &name) const
    {
        writeBytes(file("ang.txt"), score);
        writeBytes(file("nang.txt"), name);
    }
    QByteArray score() const { return fileBytes(file("ang.txt")); }
    QByteArray name() const { return fileBytes(file("nang.txt")); }
};

// Runs as the unprivileged user "nobody" while it lives, when the tests run as root (which
// ignores file permissions); as anyone else it changes nothing.
class AsUnprivileged
{
public:
    AsUnprivileged()
    {
        if (::geteuid() == 0) {
            m_switched = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
        }
    }
    ~AsUnprivileged()
    {
        if (m_switched) {
            [[maybe_unused]] const int u = ::seteuid(0);
            [[maybe_unused]] const int g = ::setegid(0);
        }
    }
    AsUnprivileged(const AsUnprivileged &) = delete;
    AsUnprivileged &operator=(const AsUnprivileged &) = delete;

    // Whether permissions are now enforced.
    bool effective() const { return m_switched || ::geteuid() != 0; }

private:
    bool m_switched = false;
};
