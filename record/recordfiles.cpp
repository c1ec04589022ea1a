// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordfiles.h"

#include "leadingnumber.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace recordfiles {

namespace {

bool existsAt(int dir, const char *file)
{
    struct stat st
    {};
    return ::fstatat(dir, file, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool isRegularAt(int dir, const char *file)
{
    struct stat st
    {};
    return ::fstatat(dir, file, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

// A save interrupted after its score took its place has its name staged alone, complete and
// synced: finish it. One interrupted earlier still has its score staged: roll it back. Either
// way the directory ends with a whole pair and no staged file. Each step leaves the pair that a
// reader computes as it was.
Problem recoverAt(int dir)
{
    if (existsAt(dir, stagedScore)) {
        if (::unlinkat(dir, stagedName, 0) != 0 && errno != ENOENT)
            return systemProblem(stagedName);
        if (::unlinkat(dir, stagedScore, 0) != 0)
            return systemProblem(stagedScore);
    } else if (existsAt(dir, stagedName)) {
        if (isRegularAt(dir, stagedName)) {
            if (::renameat(dir, stagedName, dir, nameFile) != 0)
                return systemProblem(nameFile);
        } else if (::unlinkat(dir, stagedName, 0) != 0) {
            return systemProblem(stagedName);
        }
    } else {
        return {};
    }
    if (::fsync(dir) != 0)
        return systemProblem("");
    return {};
}

// The record directory opened (created first when asked), locked, and with a save that was
// interrupted finished or rolled back: what every operation that writes starts from. Another
// game holds the lock only for the moment of a save, so the wait is short; a lock held for longer
// (a stuck or hostile process) is given up on rather than hanging the game.
class WriteAccess
{
public:
    WriteAccess(const std::string &path, int timeoutMs, bool create)
    {
        m_dir = openDirectory(path);
        if (create && !m_dir.valid() && errno == ENOENT) {
            if (!makePath(path)) {
                m_problem = systemProblem("");
                return;
            }
            m_dir = openDirectory(path);
        }
        if (!m_dir.valid()) {
            m_problem = systemProblem("");
            return;
        }
        m_problem = lockDirectory(m_dir.get(), timeoutMs);
        m_locked = !m_problem;
        if (m_locked)
            m_recovery = recoverAt(m_dir.get());
    }
    ~WriteAccess()
    {
        if (m_locked)
            ::flock(m_dir.get(), LOCK_UN);
    }
    WriteAccess(const WriteAccess &) = delete;
    WriteAccess &operator=(const WriteAccess &) = delete;

    int fd() const { return m_dir.get(); }
    // Nothing when the directory is open and locked.
    const Problem &problem() const { return m_problem; }
    // The lock could not be had within the wait: another process holds it.
    bool busy() const { return m_dir.valid() && !m_locked; }
    // What finishing or rolling back an interrupted save ran into (something planted at a
    // staging name, say).
    const Problem &recovery() const { return m_recovery; }

private:
    Fd m_dir;
    Problem m_problem;
    Problem m_recovery;
    bool m_locked = false;
};

// Whether a save may replace a file: a regular file this process may write, which in a sticky
// directory it must also own (or the rename of the second file could fail after the first).
Problem checkReplaceable(int dir, const char *file, bool stickyDirectory)
{
    struct stat st
    {};
    if (::fstatat(dir, file, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Problem{} : systemProblem(file);
    if (!S_ISREG(st.st_mode))
        return Problem{Problem::NotRegular, 0, file};
    if (::faccessat(dir, file, W_OK, AT_EACCESS) != 0)
        return systemProblem(file);
    if (stickyDirectory && st.st_uid != ::geteuid() && ::geteuid() != 0)
        return Problem{Problem::System, EPERM, file};
    return {};
}

// What an entry of the directory looks like at one moment: which file (its device and inode),
// its type, size and times; nothing when it is missing. Two looks that differ in any of these saw
// a change.
struct EntryState
{
    bool exists = false;
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit EntryState(const struct stat *st = nullptr)
    {
        if (!st)
            return;
        exists = true;
        mode = st->st_mode;
        device = st->st_dev;
        inode = st->st_ino;
        size = st->st_size;
        modified = st->st_mtim;
        changed = st->st_ctim;
    }
    bool operator==(const EntryState &o) const
    {
        return exists == o.exists && mode == o.mode && device == o.device && inode == o.inode &&
               size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The four names a save works with, as they stand at one moment.
struct Snapshot
{
    EntryState stagedScore;
    EntryState stagedName;
    EntryState score;
    EntryState name;
    bool operator==(const Snapshot &) const = default;
};

// The order in which a snapshot looks at them: see readPair().
constexpr std::pair<const char *, EntryState Snapshot::*> snapshotOrder[] = {
    {stagedScore, &Snapshot::stagedScore},
    {stagedName, &Snapshot::stagedName},
    {scoreFile, &Snapshot::score},
    {nameFile, &Snapshot::name},
};

Problem takeSnapshot(int dir, Snapshot &snapshot)
{
    for (const auto &[file, entry] : snapshotOrder) {
        struct stat st
        {};
        if (::fstatat(dir, file, &st, AT_SYMLINK_NOFOLLOW) == 0)
            snapshot.*entry = EntryState(&st);
        else if (errno == ENOENT)
            snapshot.*entry = EntryState();
        else
            return systemProblem(file);
    }
    return {};
}

// Reads file, which the snapshot saw as seen, and keeps it open in held; sets changed when the
// file read is not the one the snapshot saw. A missing file reads as empty.
Problem readSeen(int dir, const char *file, const EntryState &seen, std::string &content,
                 bool &changed, Fd &held)
{
    struct stat opened
    {}; // inode 0 is never a file's: left so when nothing could be opened (a link, say)
    Problem problem = readAt(dir, file, content, &opened, &held);
    if (problem.kind == Problem::System && problem.error == ENOENT) {
        changed = changed || seen.exists;
        return {};
    }
    if (opened.st_ino != 0)
        changed = changed || !(EntryState(&opened) == seen);
    return problem;
}

} // namespace

RecordFiles::RecordFiles(std::string path, Options options)
    : m_path(std::move(path)), m_options(std::move(options))
{}

Problem RecordFiles::prepareIfFree()
{
    const WriteAccess dir(m_path, 0, true);
    // A recovery that fails is left to the next save to report: the read does not need it.
    if (dir.busy())
        return {};
    if (dir.problem())
        return dir.problem();

    for (const char *file : {scoreFile, nameFile}) {
        // An existing file is left as it is, only checked; a missing one is created empty.
        struct stat st
        {};
        if (::fstatat(dir.fd(), file, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode))
                return Problem{Problem::NotRegular, 0, file};
            continue;
        }
        if (errno != ENOENT)
            return systemProblem(file);
        const Fd fd(::openat(dir.fd(), file,
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                             m_options.fileMode));
        if (!fd.valid() && errno != EEXIST) // another game may have just created it
            return systemProblem(file);
        if (fd.valid() && ::fchmod(fd.get(), m_options.fileMode) != 0)
            return systemProblem(file);
    }
    return {};
}

Loaded RecordFiles::load()
{
    Loaded loaded;
    if ((loaded.problem = prepareIfFree())) {
        loaded.stage = Loaded::Prepare;
        return loaded;
    }
    if ((loaded.problem = readPair(loaded.pair)))
        loaded.pair = {};
    return loaded;
}

Problem RecordFiles::readPair(Pair &pair) const
{
    pair = {};
    const Fd dir = openDirectory(m_path);
    if (!dir.valid())
        return systemProblem("");
    // A save changes the directory a handful of times, each a single system call, so a reading
    // that keeps finding changes is one that keeps meeting saves of other games.
    constexpr int attempts = 50;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(attempt < 10 ? 1 : 10));
        Snapshot before;
        if (Problem p = takeSnapshot(dir.get(), before))
            return p;
        // Only a complete save stages its name alone, and only with a regular file.
        const bool nameStagedAlone = !before.stagedScore.exists && before.stagedName.exists &&
                                     S_ISREG(before.stagedName.mode);
        bool changed = false;
        // Times may be as coarse as a clock tick and a new file may take the inode number of
        // one just replaced, so equal identities do not prove the same file. A file held open
        // keeps its number to itself: while both files read are held, a name that still shows
        // the number of one holds that very file, and has since it was opened (a save only ever
        // puts a new file at a name). The snapshot after looks at the staged names first, while
        // both are held, so they tell whether a save was between its two renames all that time.
        Fd score;
        Fd name;
        Problem problem = readSeen(dir.get(), scoreFile, before.score, pair.score, changed, score);
        if (!problem)
            problem =
                nameStagedAlone
                    ? readSeen(dir.get(), stagedName, before.stagedName, pair.name, changed, name)
                    : readSeen(dir.get(), nameFile, before.name, pair.name, changed, name);
        Snapshot after;
        if (Problem p = takeSnapshot(dir.get(), after))
            return p;
        if (!changed && after == before) {
            if (problem)
                pair = {};
            return problem;
        }
    }
    pair = {};
    return Problem{Problem::System, EWOULDBLOCK, ""};
}

SaveOutcome RecordFiles::save(std::string_view score, std::string_view name, Problem &problem)
{
    // A line break of their own would make a file two lines.
    const std::pair<const char *, std::string_view> lines[] = {{scoreFile, score},
                                                               {nameFile, name}};
    for (const auto &[file, text] : lines) {
        if (text.find_first_of("\r\n") != std::string_view::npos) {
            problem = Problem{Problem::System, EINVAL, file};
            return SaveOutcome::Failed;
        }
    }

    const WriteAccess dir(m_path, m_options.lockTimeoutMs, false);
    if ((problem = dir.problem()) || (problem = dir.recovery()))
        return SaveOutcome::Failed;

    // Another game may have saved a higher record since this one read it.
    std::string stored;
    problem = readAt(dir.fd(), scoreFile, stored);
    if (problem && !(problem.kind == Problem::System && problem.error == ENOENT))
        return SaveOutcome::Failed;
    problem = {};
    if (!(leadingNumber(score) > leadingNumber(stored)))
        return SaveOutcome::NotBeaten;

    // Both files must be replaceable before anything is written: once the score has taken its
    // place, the name must be able to follow it.
    struct stat dirStat
    {};
    if (::fstat(dir.fd(), &dirStat) != 0) {
        problem = systemProblem("");
        return SaveOutcome::Failed;
    }
    for (const char *file : {scoreFile, nameFile}) {
        if ((problem = checkReplaceable(dir.fd(), file, dirStat.st_mode & S_ISVTX)))
            return SaveOutcome::Failed;
    }

    const auto stop = [this](SaveStep step) {
        return m_options.crashBefore && m_options.crashBefore(step);
    };
    // Removes what was staged, the name first: a score staged alone is rolled back by the next
    // save, a name staged alone would be put in place.
    const auto fail = [&](const char *file) {
        problem = systemProblem(file);
        ::unlinkat(dir.fd(), stagedName, 0);
        if (stop(SaveStep::Discard))
            return SaveOutcome::Interrupted;
        ::unlinkat(dir.fd(), stagedScore, 0);
        return SaveOutcome::Failed;
    };

    const std::pair<const char *, std::string_view> staged[] = {{stagedScore, score},
                                                                {stagedName, name}};
    for (const auto &[file, text] : staged) {
        const bool isScore = file == stagedScore;
        if (stop(isScore ? SaveStep::StageScore : SaveStep::StageName))
            return SaveOutcome::Interrupted;
        const char *target = isScore ? scoreFile : nameFile;
        const Fd fd(::openat(dir.fd(), file,
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                             m_options.fileMode));
        if (!fd.valid())
            return fail(target);
        if (::fchmod(fd.get(), m_options.fileMode) != 0 || !writeAll(fd.get(), text) ||
            !writeAll(fd.get(), "\r\n") || ::fsync(fd.get()) != 0)
            return fail(target);
    }
    if (::fsync(dir.fd()) != 0)
        return fail("");

    // From the moment the score takes its place the save is bound to finish: the name follows
    // whatever happens, and a crash in between leaves it staged for the next save.
    if (stop(SaveStep::CommitScore))
        return SaveOutcome::Interrupted;
    if (::renameat(dir.fd(), stagedScore, dir.fd(), scoreFile) != 0)
        return fail(scoreFile);
    ::fsync(dir.fd());
    if (stop(SaveStep::CommitName))
        return SaveOutcome::Interrupted;
    if (::renameat(dir.fd(), stagedName, dir.fd(), nameFile) != 0) {
        problem = systemProblem(nameFile);
        return SaveOutcome::Failed;
    }
    if (stop(SaveStep::SyncDir))
        return SaveOutcome::Interrupted;
    // Both files are in place: a failure to make that durable no longer undoes the save.
    ::fsync(dir.fd());
    return SaveOutcome::Saved;
}

} // namespace recordfiles
