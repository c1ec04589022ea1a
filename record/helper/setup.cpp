// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup.h"

#include "record/fileaccess.h"
#include "record/protocol.h"
#include "record/recordfiles.h"
#include "staging.h"

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

enum class Placed {
    Done,
    FreshTaken,  // the fresh file was taken away before it took its place
    NameChanged, // it took its place, but something else stands at name now
    Failed,      // reported
};

// Puts a fresh file with content at name: renamed over whatever stands there when replacing,
// else linked in where nothing stands (EEXIST then counts as a change). A member of the group
// may take the fresh file away, or put another entry at name, at any moment: name must end
// holding the fresh file, with no other link.
Placed place(int dir, const std::string &path, const char *name, const Wanted &wanted,
             const std::string &content, bool replace)
{
    std::string freshName;
    const Fd fresh = createFresh(dir, name, wanted, path, freshName);
    if (!fresh.valid())
        return Placed::Failed;
    struct stat made = {};
    if (!recordfiles::writeAll(fresh.get(), content) || ::fsync(fresh.get()) != 0 ||
        ::fstat(fresh.get(), &made) != 0) {
        failed(path, "write");
        ::unlinkat(dir, freshName.c_str(), 0);
        return Placed::Failed;
    }
    const bool moved = replace ? ::renameat(dir, freshName.c_str(), dir, name) == 0
                               : ::linkat(dir, freshName.c_str(), dir, name, 0) == 0;
    const int error = errno;
    // Whatever stands at the fresh name now; after a link, the file's second name.
    if (!moved || !replace)
        ::unlinkat(dir, freshName.c_str(), 0);
    if (!moved) {
        if (error == ENOENT)
            return Placed::FreshTaken;
        // A directory put at name meanwhile (EISDIR, ENOTEMPTY), or an entry (EEXIST).
        if (error == EISDIR || error == ENOTEMPTY || error == EEXIST)
            return Placed::NameChanged;
        errno = error;
        failed(path, replace ? "rename" : "link");
        return Placed::Failed;
    }
    struct stat now = {};
    return ::fstatat(dir, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == made.st_ino &&
                   now.st_dev == made.st_dev && now.st_nlink == 1
               ? Placed::Done
               : Placed::NameChanged;
}

// How many fresh files set-up makes for one name before it leaves the name as it is.
constexpr int maxPlacings = 8;

// An empty record file at name when nothing stands there; whatever does is left alone. The file
// is made whole under another name and linked in, which never replaces an entry.
bool createIfMissing(int dir, const std::string &path, const char *name, const Wanted &wanted)
{
    for (int placing = 0; placing < maxPlacings; ++placing) {
        struct stat entry = {};
        if (::fstatat(dir, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
            return true;
        switch (place(dir, path, name, wanted, std::string(), false)) {
        case Placed::Done:
        case Placed::NameChanged:
            return true;
        case Placed::FreshTaken:
            continue;
        case Placed::Failed:
            return false;
        }
    }
    report(path, "keeps changing; it is left as it is");
    return true;
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
// name, which replaces whatever stands there without following it. A file with other links
// gives its content to a file of its own, so that what is done through another name no longer
// changes the record.
bool setUpFile(int dir, const std::string &path, const char *name, const Wanted &wanted)
{
    for (int placing = 0; placing < maxPlacings; ++placing) {
        Look look;
        const Seen seen = lookSteadily(dir, path, name, look);
        if (seen == Seen::Failed)
            return false;
        if (seen == Seen::Changed)
            break;
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
            if (look.problem.kind == recordfiles::Problem::System && !describeMisfit(look.entry)) {
                errno = look.problem.error;
                return failed(path, "open");
            }
            was = look.problem.kind == recordfiles::Problem::TooLarge
                      ? "a file too large for a record"
                      : describeMisfit(look.entry);
        }
        // A link, FIFO, socket or device was never read: only a regular file gives content.
        const bool keepsContent = !look.problem && isReadableAs(look.opened, wanted);
        if (!keepsContent)
            look.content.clear();
        const Placed placed = place(dir, path, name, wanted, look.content, true);
        if (placed == Placed::Failed)
            return false;
        if (was && placed != Placed::FreshTaken)
            std::fprintf(stderr, "sferdoni-record: %s was %s; it is now %s\n", path.c_str(), was,
                         keepsContent ? "a record file of its own with the same content"
                                      : "an empty record file");
        if (placed == Placed::Done)
            return true;
    }
    report(path, "keeps changing; it is left as it is");
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

    struct stat dirStatus = {};
    if (::fstat(dir.get(), &dirStatus) != 0) {
        failed(path, "stat");
        return Failed;
    }
    bool wanting = needsStagingRepair(dir.get(), directory.group);
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
    done = repairStaging(dir.get(), path, directory.group, dirStatus.st_dev) && done;
    return done ? Done : Failed;
}
