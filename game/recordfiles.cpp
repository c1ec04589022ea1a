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

// Where a save stages each file before it takes its place. The name staged alone means that
// the score has already taken its place: every path keeps that true.
constexpr const char *stagedScore = ".ang.txt.new";
constexpr const char *stagedName = ".nang.txt.new";

// The last system call's failure. Takes a plain pointer so that nothing can change errno before
// it is read.
Problem systemProblem(const char *file)
{
    const int error = errno;
    return Problem{Problem::System, error, file};
}

// A file descriptor that closes itself.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

Fd openDirectory(const std::string &path)
{
    return Fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// Creates a directory and whichever of its parents are missing.
bool makePath(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

Problem readAt(int dir, const char *file, std::string &content)
{
    content.clear();
    const Fd fd(::openat(dir, file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        if (errno == ELOOP)
            return Problem{Problem::NotRegular, 0, file};
        return systemProblem(file);
    }
    struct stat st
    {};
    if (::fstat(fd.get(), &st) != 0)
        return systemProblem(file);
    if (!S_ISREG(st.st_mode))
        return Problem{Problem::NotRegular, 0, file};
    if (st.st_size > off_t(maxFileSize))
        return Problem{Problem::TooLarge, 0, file};

    // Read at most one byte more than allowed, in case the file grows meanwhile.
    char buffer[4096];
    while (content.size() <= maxFileSize) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemProblem(file);
        }
        if (n == 0)
            return {};
        content.append(buffer, size_t(n));
    }
    content.clear();
    return Problem{Problem::TooLarge, 0, file};
}

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
// way the directory ends with a whole pair and no staged file.
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

// Holds a lock on the directory while it lives. Another game holds it only for the moment of a
// save, so the wait is short; a lock held for longer (a stuck or hostile process) is given up on
// rather than hanging the game.
class DirectoryLock
{
public:
    DirectoryLock(int dir, int timeoutMs) : m_dir(dir)
    {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
        for (;;) {
            if (::flock(dir, LOCK_EX | LOCK_NB) == 0) {
                m_locked = true;
                return;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) || steady_clock::now() >= deadline) {
                m_problem = systemProblem("");
                return;
            }
            std::this_thread::sleep_for(milliseconds(20));
        }
    }
    ~DirectoryLock()
    {
        if (m_locked)
            ::flock(m_dir, LOCK_UN);
    }
    DirectoryLock(const DirectoryLock &) = delete;
    DirectoryLock &operator=(const DirectoryLock &) = delete;

    // Nothing when the lock is held.
    const Problem &problem() const { return m_problem; }

private:
    int m_dir;
    bool m_locked = false;
    Problem m_problem;
};

// The record directory opened (created first when asked), locked, and with a save that a crash
// interrupted finished or rolled back: what every operation that may write starts from.
class LockedDirectory
{
public:
    LockedDirectory(const std::string &path, int timeoutMs, bool create)
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
        m_lock.emplace(m_dir.get(), timeoutMs);
        if (!(m_problem = m_lock->problem()))
            m_problem = recoverAt(m_dir.get());
    }

    int fd() const { return m_dir.get(); }
    // Nothing when the directory is ready.
    const Problem &problem() const { return m_problem; }

private:
    Fd m_dir;
    std::optional<DirectoryLock> m_lock;
    Problem m_problem;
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

} // namespace

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(size_t(n));
    }
    return true;
}

RecordDirectory::RecordDirectory(std::string path, mode_t fileMode)
    : m_path(std::move(path)), m_fileMode(fileMode)
{}

Problem RecordDirectory::prepare()
{
    const LockedDirectory dir(m_path, lockTimeoutMs, true);
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
                             m_fileMode));
        if (!fd.valid() && errno != EEXIST) // another game may have just created it
            return systemProblem(file);
        if (fd.valid() && ::fchmod(fd.get(), m_fileMode) != 0)
            return systemProblem(file);
    }
    return {};
}

Problem RecordDirectory::read(const char *file, std::string &content) const
{
    content.clear();
    const Fd dir = openDirectory(m_path);
    if (!dir.valid())
        return systemProblem(file);
    return readAt(dir.get(), file, content);
}

Problem RecordDirectory::readPair(std::string &score, std::string &name)
{
    score.clear();
    name.clear();
    const LockedDirectory dir(m_path, lockTimeoutMs, false);
    if (dir.problem())
        return dir.problem();
    if (Problem p = readAt(dir.fd(), scoreFile, score))
        return p;
    return readAt(dir.fd(), nameFile, name);
}

SaveOutcome RecordDirectory::save(std::string_view score, std::string_view name, Problem &problem)
{
    const LockedDirectory dir(m_path, lockTimeoutMs, false);
    if ((problem = dir.problem()))
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

    const auto stop = [this](SaveStep step) { return crashBefore && crashBefore(step); };
    // Removes what was staged, the name first: a score staged alone is rolled back by the next
    // start, a name staged alone would be put in place.
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
                             m_fileMode));
        if (!fd.valid())
            return fail(target);
        if (::fchmod(fd.get(), m_fileMode) != 0 || !writeAll(fd.get(), text) ||
            !writeAll(fd.get(), "\r\n") || ::fsync(fd.get()) != 0)
            return fail(target);
    }
    if (::fsync(dir.fd()) != 0)
        return fail("");

    // From the moment the score takes its place the save is bound to finish: the name follows
    // whatever happens, and a crash in between leaves it staged for the next start.
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
