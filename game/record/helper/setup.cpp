// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup.h"

#include "fileaccess.h"
#include "protocol.h"
#include "recordfiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <iterator>
#include <pwd.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using recordfiles::Fd;
using recordprotocol::BadUsage;
using recordprotocol::Done;
using recordprotocol::Failed;
using recordprotocol::Refused;

struct Wanted
{
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;
};

void report(const std::string &path, const char *what)
{
    std::fprintf(stderr, "sferdoni-record: %s: %s\n", path.c_str(), what);
}

// Reports the last system call's failure; always false.
bool failed(const std::string &path, const char *call)
{
    const int error = errno;
    std::fprintf(stderr, "sferdoni-record: %s: %s failed: %s\n", path.c_str(), call,
                 std::strerror(error));
    return false;
}

// A user or group id given as a number, with or without "#", or as a name.
bool parseId(const char *text, bool group, unsigned &id)
{
    const char *digits = text[0] == '#' ? text + 1 : text;
    if (digits[0] >= '0' && digits[0] <= '9') {
        char *end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(digits, &end, 10);
        id = unsigned(value);
        return errno == 0 && *end == '\0' && value == id && id != unsigned(-1);
    }
    if (group) {
        const struct group *entry = ::getgrnam(text);
        id = entry ? entry->gr_gid : 0;
        return entry != nullptr;
    }
    const struct passwd *entry = ::getpwnam(text);
    id = entry ? entry->pw_uid : 0;
    return entry != nullptr;
}

// A record file, as the core names it, and what set-up wants of it.
struct WantedFile
{
    const char *name;
    Wanted wanted;
};

// The words OWNER GROUP MODE of one triple.
constexpr int tripleWords = 3;

// Takes one triple from the front of args.
bool takeWanted(char **&args, Wanted &wanted)
{
    const char *ownerWord = args[0];
    const char *groupWord = args[1];
    const char *modeWord = args[2];
    args += tripleWords;
    unsigned owner = 0;
    unsigned group = 0;
    char *end = nullptr;
    const unsigned long mode = std::strtoul(modeWord, &end, 8);
    if (!parseId(ownerWord, false, owner) || !parseId(groupWord, true, group) ||
        modeWord[0] == '\0' || *end != '\0' || mode > 07777)
        return false;
    wanted = Wanted{uid_t(owner), gid_t(group), mode_t(mode)};
    return true;
}

// chown comes first: it may clear a set-group-id bit that chmod then sets.
bool apply(int fd, const Wanted &wanted, const std::string &path)
{
    if (::fchown(fd, wanted.owner, wanted.group) != 0)
        return failed(path, "fchown");
    if (::fchmod(fd, wanted.mode) != 0)
        return failed(path, "fchmod");
    return true;
}

// The directory that holds the record directory, its missing parts made 0755. Nobody but root
// may change its entries, or the record directory could be swapped after it was checked.
Fd openParent(const std::string &path)
{
    Fd dir(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (size_t start = 0; dir.valid() && start < path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        if (::mkdirat(dir.get(), part.c_str(), 0755) != 0 && errno != EEXIST) {
            failed(path, "mkdir");
            return Fd();
        }
        dir = Fd(::openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    struct stat status = {};
    if (!dir.valid() || ::fstat(dir.get(), &status) != 0) {
        failed(path, "open");
        return Fd();
    }
    if (status.st_uid != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        report(path, "writable by others than root; the record directory is left alone");
        return Fd();
    }
    return dir;
}

// What stands at a record file's name when it is not a record file, or nullptr.
const char *misfit(const struct stat &status)
{
    if (S_ISREG(status.st_mode))
        return status.st_nlink == 1 ? nullptr : "a file with other links";
    if (S_ISLNK(status.st_mode))
        return "a symbolic link";
    if (S_ISDIR(status.st_mode))
        return "a directory";
    if (S_ISFIFO(status.st_mode))
        return "a FIFO";
    if (S_ISSOCK(status.st_mode))
        return "a socket";
    return "a device";
}

// A record file as a save leaves it, or as set-up made it: whoever saved last owns it.
bool isAsWanted(const struct stat &status, const Wanted &wanted)
{
    return S_ISREG(status.st_mode) && status.st_nlink == 1 && status.st_gid == wanted.group &&
           (status.st_mode & 07777) == wanted.mode;
}

// Whether those who may read the record could read this file already: only then may its
// content move into the record file.
bool isReadableAs(const struct stat &status, const Wanted &wanted)
{
    return (status.st_mode & S_IROTH) != 0 ||
           (status.st_gid == wanted.group && (status.st_mode & S_IRGRP) != 0);
}

// An empty file of this program's own in dir, under a name nobody could have guessed, with the
// wanted owner and mode.
Fd createFresh(int dir, const char *name, const Wanted &wanted, const std::string &path,
               std::string &freshName)
{
    std::random_device random;
    for (int tries = 0; tries < 100; ++tries) {
        freshName = std::string(".") + name + ".setup-" + std::to_string(random()) +
                    std::to_string(random());
        Fd fd(::openat(dir, freshName.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
        if (fd.valid()) {
            if (apply(fd.get(), wanted, path))
                return fd;
            ::unlinkat(dir, freshName.c_str(), 0);
            return Fd();
        }
        if (errno != EEXIST)
            break;
    }
    failed(path, "create");
    return Fd();
}

// An empty record file at name when nothing stands there; whatever does is left alone. The file
// is made whole under another name and linked in, which never replaces an entry.
bool createIfMissing(int dir, const std::string &path, const char *name, const Wanted &wanted)
{
    struct stat entry = {};
    if (::fstatat(dir, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return true;
    std::string freshName;
    const Fd fresh = createFresh(dir, name, wanted, path, freshName);
    if (!fresh.valid())
        return false;
    const bool linked = ::linkat(dir, freshName.c_str(), dir, name, 0) == 0 || errno == EEXIST;
    if (!linked)
        failed(path, "link");
    ::unlinkat(dir, freshName.c_str(), 0);
    return linked;
}

// What stands at a record file's name, and what opening it gave.
struct Look
{
    recordfiles::Problem problem; // of reading the file
    struct stat opened = {};      // of what was read; inode 0 when nothing could be opened
    struct stat entry = {};       // of the entry, unless missing
    bool missing = false;
    std::string content;
};

enum class Seen { Steady, Changed, Failed };

// Group games may rename, link and unlink anything in the directory, so a file opened by its
// name may be any file of the system, hard-linked in for a moment; it is only ever read. An
// entry that is not the file just opened has changed meanwhile.
Seen lookAt(int dir, const std::string &path, const char *name, Look &look)
{
    look = Look{};
    look.problem = recordfiles::readAt(dir, name, look.content, &look.opened);
    look.missing =
        look.problem.kind == recordfiles::Problem::System && look.problem.error == ENOENT;
    if (look.missing)
        return Seen::Steady;
    if (::fstatat(dir, name, &look.entry, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Seen::Changed;
        failed(path, "stat");
        return Seen::Failed;
    }
    if (look.opened.st_ino == 0)
        return S_ISREG(look.entry.st_mode) ? Seen::Changed : Seen::Steady;
    return look.opened.st_ino == look.entry.st_ino && look.opened.st_dev == look.entry.st_dev
               ? Seen::Steady
               : Seen::Changed;
}

// Looks until what stands at the name holds still for a moment.
Seen lookSteadily(int dir, const std::string &path, const char *name, Look &look)
{
    for (int tries = 0; tries < 50; ++tries) {
        const Seen seen = lookAt(dir, path, name, look);
        if (seen != Seen::Changed)
            return seen;
        ::usleep(2000);
    }
    return Seen::Changed;
}

bool needsSetUp(int dir, const std::string &path, const char *name, const Wanted &wanted)
{
    Look look;
    return lookSteadily(dir, path, name, look) != Seen::Steady || look.problem ||
           !isAsWanted(look.opened, wanted);
}

// With the directory's lock held, so that no save is under way: a record file that is not as
// wanted is replaced by a fresh file made beside it, given its owner and mode, filled with the
// old content (when those who read the record could read it already) and renamed over the
// name, which replaces whatever stands there without following it.
bool setUpFile(int dir, const std::string &path, const char *name, const Wanted &wanted)
{
    Look look;
    const Seen seen = lookSteadily(dir, path, name, look);
    if (seen == Seen::Failed)
        return false;
    if (seen == Seen::Changed) {
        report(path, "keeps changing; it is left as it is");
        return true;
    }
    if (!look.problem && isAsWanted(look.opened, wanted))
        return true;
    // What stands at the name, for the message.
    const char *was = nullptr;
    if (!look.missing) {
        if (S_ISDIR(look.entry.st_mode)) {
            report(path, "is a directory; remove it and configure the package again");
            return false;
        }
        // A record that could not be read is never replaced by an empty one. (A socket
        // cannot be opened at all.)
        if (look.problem.kind == recordfiles::Problem::System && !misfit(look.entry)) {
            errno = look.problem.error;
            return failed(path, "open");
        }
        was = look.problem.kind == recordfiles::Problem::TooLarge ? "a file too large for a record"
                                                                  : misfit(look.entry);
    }
    if (look.problem || was || look.opened.st_nlink != 1 || !isReadableAs(look.opened, wanted))
        look.content.clear();

    std::string freshName;
    const Fd fresh = createFresh(dir, name, wanted, path, freshName);
    if (!fresh.valid())
        return false;
    if (!recordfiles::writeAll(fresh.get(), look.content) || ::fsync(fresh.get()) != 0 ||
        ::renameat(dir, freshName.c_str(), dir, name) != 0) {
        const bool result = failed(path, "replace");
        ::unlinkat(dir, freshName.c_str(), 0);
        return result;
    }
    if (was)
        std::fprintf(stderr, "sferdoni-record: %s was %s; it is now an empty record file\n",
                     path.c_str(), was);
    return true;
}

} // namespace

int runSetup(const char *recordDirectory, int argc, char *argv[])
{
    if (::getuid() != 0 || ::geteuid() != 0) {
        std::fputs("sferdoni-record: setup is for root only\n", stderr);
        return Refused;
    }
    Wanted directory;
    WantedFile files[] = {{recordfiles::scoreFile, {}}, {recordfiles::nameFile, {}}};
    char **args = argv;
    if (argc != tripleWords * int(1 + std::size(files)) || !takeWanted(args, directory) ||
        !takeWanted(args, files[0].wanted) || !takeWanted(args, files[1].wanted)) {
        std::fprintf(stderr,
                     "usage: sferdoni-record setup OWNER GROUP MODE (for the directory, %s and "
                     "%s)\n",
                     recordfiles::scoreFile, recordfiles::nameFile);
        return BadUsage;
    }
    ::umask(022);

    const std::string path = recordDirectory;
    const size_t slash = path.rfind('/');
    const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (slash == std::string::npos || slash == 0 || base.empty()) {
        report(path, "not an absolute path below a directory");
        return Failed;
    }
    const Fd parent = openParent(path.substr(0, slash));
    if (!parent.valid())
        return Failed;
    if (::mkdirat(parent.get(), base.c_str(), 0700) != 0 && errno != EEXIST) {
        failed(path, "mkdir");
        return Failed;
    }
    const Fd dir(
        ::openat(parent.get(), base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid()) {
        failed(path, "open");
        return Failed;
    }
    if (!apply(dir.get(), directory, path))
        return Failed;

    bool wanting = false;
    for (const WantedFile &file : files)
        wanting = wanting || needsSetUp(dir.get(), path + "/" + file.name, file.name, file.wanted);
    if (!wanting)
        return Done;

    bool done = true;
    if (recordfiles::lockDirectory(dir.get(), recordfiles::lockWaitMs)) {
        // Replacing a file now could undo a save that goes on later, or pair its score with
        // another name. The next save, which holds the lock, puts in place what it writes.
        for (const WantedFile &file : files)
            done =
                createIfMissing(dir.get(), path + "/" + file.name, file.name, file.wanted) && done;
        report(path, "another program holds the record's lock; the record files there are "
                     "left as they are");
        return done ? Done : Failed;
    }
    for (const WantedFile &file : files)
        done = setUpFile(dir.get(), path + "/" + file.name, file.name, file.wanted) && done;
    return done ? Done : Failed;
}
