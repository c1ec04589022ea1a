// SPDX-License-Identifier: GPL-3.0-or-later
#include "staging.h"

#include "record/protocol.h"
#include "record/recordfiles.h"
#include "removal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>

const char *describeMisfit(const struct stat &status)
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

namespace {

// A file that a save staged and left when it stopped: the next save finishes or rolls back
// that save with it. Anything else at a staging name makes every save fail.
bool isStagedBySave(const struct stat &status, gid_t group)
{
    return S_ISREG(status.st_mode) && status.st_nlink == 1 && status.st_gid == group &&
           (status.st_mode & 07777) == recordprotocol::fileMode &&
           status.st_size <= off_t(recordfiles::maxFileSize);
}

// What stands at a staging name that no save left there, for the message; nullptr when nothing
// or a save's file stands there.
const char *misplaced(int dir, const char *name, gid_t group)
{
    struct stat status = {};
    if (::fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? nullptr : "an entry that cannot be looked at";
    if (isStagedBySave(status, group))
        return nullptr;
    return S_ISREG(status.st_mode) ? "a file no save left" : describeMisfit(status);
}

// Removes what stands at a staging name, a directory renamed out of the way first.
bool clearStaging(int dir, const std::string &directoryPath, const char *name, const char *was,
                  dev_t device)
{
    const std::string path = directoryPath + "/" + name;
    struct stat status = {};
    std::string removed = name;
    if (::fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode)) {
        std::random_device random;
        removed =
            std::string(name) + ".removed-" + std::to_string(random()) + std::to_string(random());
        if (::renameat2(dir, name, dir, removed.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno == ENOENT)
                return true;
            std::fprintf(stderr, "sferdoni-record: %s: rename failed: %s\n", path.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    if (!removeEntry(dir, removed.c_str(), device)) {
        const std::string left = directoryPath + "/" + removed;
        std::fprintf(stderr, "sferdoni-record: %s was %s; %s could not be removed\n", path.c_str(),
                     was, left.c_str());
        return removed != name;
    }
    std::fprintf(stderr, "sferdoni-record: %s was %s; it is removed\n", path.c_str(), was);
    return true;
}

} // namespace

bool needsStagingRepair(int dir, gid_t group)
{
    return misplaced(dir, recordfiles::stagedScore, group) ||
           misplaced(dir, recordfiles::stagedName, group);
}

bool repairStaging(int dir, const std::string &path, gid_t group, dev_t device)
{
    using recordfiles::stagedName;
    using recordfiles::stagedScore;
    const char *scoreWas = misplaced(dir, stagedScore, group);
    const char *nameWas = misplaced(dir, stagedName, group);
    struct stat status = {};
    if (scoreWas && !nameWas && ::fstatat(dir, stagedName, &status, AT_SYMLINK_NOFOLLOW) == 0)
        nameWas = "a name staged with the score removed next";
    bool done = true;
    if (nameWas)
        done = clearStaging(dir, path, stagedName, nameWas, device);
    if (scoreWas)
        done = clearStaging(dir, path, stagedScore, scoreWas, device) && done;
    return done;
}
