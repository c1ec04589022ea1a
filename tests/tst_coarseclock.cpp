// SPDX-License-Identifier: GPL-3.0-or-later
// The lock-free read on a file system like ext4 under Debian 12's own kernel: time stamps only
// as fine as the clock tick, and each new file given the lowest inode number that no file still
// linked or open holds, so that quick saves give their files the very inode numbers, sizes and
// times of the files they replaced. This program's stat and open calls go through such a file
// system while a test simulates it, and saves land in the middle of a read from those calls.
#undef _FORTIFY_SOURCE

#include "record/recordfiles.h"
#include "tests/support/recordtesting.h"

#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
#include <sys/stat.h>
#include <vector>

using recordfiles::Pair;
using recordfiles::RecordFiles;
using recordfiles::SaveStep;

namespace {

using FileKey = std::pair<dev_t, ino_t>;

struct CoarseFileSystem
{
    bool on = false;
    bool saving = false; // the saves that land run through it too, but are not counted
    std::string directory;
    std::map<FileKey, ino_t> numbers; // real file -> its inode number here
    int callsBeforeSaves = -1;        // of the reader's stat and open calls
    std::function<void()> saves;
};
CoarseFileSystem coarse;

// The C library's own functions, looked up when first needed: libraries may call them before
// this program's globals are made.
int realFstatat(int dir, const char *path, struct stat *st, int flags)
{
    static const auto call = reinterpret_cast<int (*)(int, const char *, struct stat *, int)>(
        ::dlsym(RTLD_NEXT, "fstatat"));
    return call(dir, path, st, flags);
}
int realFstat(int fd, struct stat *st)
{
    static const auto call =
        reinterpret_cast<int (*)(int, struct stat *)>(::dlsym(RTLD_NEXT, "fstat"));
    return call(fd, st);
}

void addEntries(const char *path, bool descriptors, std::set<FileKey> &files)
{
    DIR *dir = ::opendir(path);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st
        {};
        if (entry->d_name[0] == '.' && (descriptors || entry->d_name[1] == '\0'))
            continue;
        const int found = descriptors
                              ? realFstat(std::atoi(entry->d_name), &st)
                              : realFstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW);
        if (found == 0)
            files.insert({st.st_dev, st.st_ino});
    }
    ::closedir(dir);
}

// The number of a file, given the lowest free one when it is first seen.
ino_t numberOf(const struct stat &st)
{
    const FileKey key{st.st_dev, st.st_ino};
    if (const auto known = coarse.numbers.find(key); known != coarse.numbers.end())
        return known->second;
    std::set<FileKey> live;
    addEntries(coarse.directory.c_str(), false, live);
    addEntries("/proc/self/fd", true, live);
    std::set<ino_t> taken;
    for (const auto &[file, number] : coarse.numbers) {
        if (live.count(file))
            taken.insert(number);
    }
    ino_t number = 1;
    while (taken.count(number))
        ++number;
    return coarse.numbers[key] = number;
}

void coarsen(int result, struct stat *st)
{
    if (result != 0 || !coarse.on)
        return;
    st->st_ino = numberOf(*st);
    st->st_atim = st->st_mtim = st->st_ctim = timespec{};
}

void readerCall()
{
    if (!coarse.on || coarse.saving || coarse.callsBeforeSaves < 0 ||
        coarse.callsBeforeSaves-- != 0)
        return;
    coarse.saving = true;
    coarse.saves();
    coarse.saving = false;
}

} // namespace

extern "C" int fstatat(int dir, const char *path, struct stat *st, int flags) noexcept
{
    readerCall();
    const int result = realFstatat(dir, path, st, flags);
    coarsen(result, st);
    return result;
}

extern "C" int fstat(int fd, struct stat *st) noexcept
{
    readerCall();
    const int result = realFstat(fd, st);
    coarsen(result, st);
    return result;
}

extern "C" int openat(int dir, const char *path, int flags, ...)
{
    static const auto realOpenat =
        reinterpret_cast<int (*)(int, const char *, int, ...)>(::dlsym(RTLD_NEXT, "openat"));
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list arguments;
        va_start(arguments, flags);
        mode = mode_t(va_arg(arguments, int));
        va_end(arguments);
    }
    readerCall();
    const int fd = realOpenat(dir, path, flags, mode);
    struct stat st
    {};
    // A new file: whatever number its inode had before is no clue.
    if (fd >= 0 && coarse.on && (flags & O_EXCL) && realFstat(fd, &st) == 0) {
        coarse.numbers.erase({st.st_dev, st.st_ino});
        numberOf(st);
    }
    return fd;
}

class TestCoarseClock : public QObject
{
    Q_OBJECT

private slots:
    // Scores and names all of one length, so that sizes tell no file from another.
    void aReadNeverMixesPairsSavedWithinOneTick_data()
    {
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("lastStopped"); // before its name takes its place
        for (int calls = 0; calls < 16; ++calls) {
            for (const int saves : {1, 2, 3}) {
                for (const bool stopped : {false, true})
                    QTest::addRow("%d saves after %d calls%s", saves, calls,
                                  stopped ? ", the last stopped" : "")
                        << calls << saves << stopped;
            }
        }
    }
    void aReadNeverMixesPairsSavedWithinOneTick()
    {
        QFETCH(int, calls);
        QFETCH(int, saves);
        QFETCH(bool, lastStopped);
        RecordDir d;
        const std::string path = QFile::encodeName(d.path).toStdString();
        const std::vector<Pair> written = {{"13\r\n", "Ada\r\n"},
                                           {"14\r\n", "Bea\r\n"},
                                           {"15\r\n", "Cid\r\n"},
                                           {"16\r\n", "Dan\r\n"}};
        coarse = CoarseFileSystem{};
        coarse.on = true;
        coarse.directory = path;
        auto off = qScopeGuard([] { coarse.on = false; });
        RecordFiles saver(path);
        recordfiles::Problem problem;
        QVERIFY(saver.save("13", "Ada", problem) == recordfiles::SaveOutcome::Saved);
        struct stat seen
        {};
        QVERIFY(::fstatat(AT_FDCWD, (path + "/ang.txt").c_str(), &seen, 0) == 0);
        QVERIFY2(seen.st_ino < 10 && seen.st_ctim.tv_sec == 0, "the simulation is not in use");

        coarse.callsBeforeSaves = calls;
        coarse.saves = [&] {
            for (int i = 1; i <= saves; ++i) {
                RecordFiles next(path,
                                 {.crashBefore = [stop = lastStopped && i == saves](SaveStep step) {
                                     return stop && step == SaveStep::CommitName;
                                 }});
                const Pair &pair = written[size_t(i)];
                next.save(pair.score.substr(0, 2), pair.name.substr(0, 3), problem);
            }
        };
        Pair read;
        QCOMPARE(RecordFiles(path).readPair(read), recordfiles::Problem{});
        QVERIFY2(std::find(written.begin(), written.end(), read) != written.end(),
                 qPrintable(QString::fromStdString(read.score + "|" + read.name).simplified()));
    }
};

QTEST_GUILESS_MAIN(TestCoarseClock)
#include "tst_coarseclock.moc"
