// SPDX-License-Identifier: GPL-3.0-or-later
#include "removal.h"

#include "record/fileaccess.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using recordfiles::Fd;

// Deeper directories are left as they are: each level below holds one descriptor open.
constexpr int maxDepth = 32;
// How many times an entry is looked at again while others keep changing it.
constexpr int maxLooks = 4;

bool removeAt(int dir, const char *name, dev_t device, int depth);

// The names in an open directory, "." and ".." left out; false when it cannot be read.
bool namesIn(int dir, std::vector<std::string> &names)
{
    names.clear();
    // A descriptor of its own, so that the directory is read from its start.
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return false;
    DIR *stream = ::fdopendir(own);
    if (!stream) {
        ::close(own);
        return false;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const bool read = errno == 0;
    ::closedir(stream);
    return read;
}

// Removes once what the directory at name holds as it stands. False when that directory may not
// be entered (another file system) or cannot be read; true when it was, or when name no longer
// names a directory, which the caller then looks at again.
bool emptyOnce(int dir, const char *name, dev_t device, int depth)
{
    const Fd below(::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!below.valid())
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
    struct stat status = {};
    if (::fstat(below.get(), &status) != 0 || status.st_dev != device)
        return false;
    std::vector<std::string> names;
    if (!namesIn(below.get(), names))
        return false;
    for (const std::string &entry : names)
        removeAt(below.get(), entry.c_str(), device, depth + 1);
    return true;
}

bool removeAt(int dir, const char *name, dev_t device, int depth)
{
    for (int look = 0; look < maxLooks; ++look) {
        // unlink never follows a link and never removes a directory (EISDIR).
        if (::unlinkat(dir, name, 0) == 0 || errno == ENOENT)
            return true;
        if (errno != EISDIR)
            return false;
        if (::unlinkat(dir, name, AT_REMOVEDIR) == 0 || errno == ENOENT)
            return true;
        if (errno == ENOTDIR) // it changed into something else meanwhile
            continue;
        // A mount point (EBUSY) is never entered.
        if ((errno != ENOTEMPTY && errno != EEXIST) || depth >= maxDepth ||
            !emptyOnce(dir, name, device, depth))
            return false;
    }
    return false;
}

} // namespace

bool removeEntry(int dir, const char *name, dev_t device)
{
    return removeAt(dir, name, device, 0);
}
