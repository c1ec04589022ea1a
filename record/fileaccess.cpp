// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace recordfiles {

Problem systemProblem(const char *file)
{
    const int error = errno;
    return Problem{Problem::System, error, file};
}

Fd::~Fd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

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

Fd openDirectory(const std::string &path)
{
    return Fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Problem lockDirectory(int dir, int timeoutMs)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    for (;;) {
        if (::flock(dir, LOCK_EX | LOCK_NB) == 0)
            return {};
        if ((errno != EWOULDBLOCK && errno != EINTR) || steady_clock::now() >= deadline)
            return systemProblem("");
        // Short, so that a game that saves again at once cannot keep another out for long.
        std::this_thread::sleep_for(milliseconds(2));
    }
}

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

Problem readBounded(int fd, size_t limit, const char *file, std::string &content)
{
    content.clear();
    char buffer[4096];
    // At most one byte more than allowed, to tell that there is more.
    while (content.size() <= limit) {
        const size_t wanted = std::min(sizeof buffer, limit + 1 - content.size());
        const ssize_t n = ::read(fd, buffer, wanted);
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

namespace {

// Reads an open file to its end.
Problem readOpened(int fd, const char *file, std::string &content, struct stat *opened)
{
    struct stat st
    {};
    if (::fstat(fd, &st) != 0)
        return systemProblem(file);
    if (opened)
        *opened = st;
    if (!S_ISREG(st.st_mode))
        return Problem{Problem::NotRegular, 0, file};
    if (st.st_size > off_t(maxFileSize))
        return Problem{Problem::TooLarge, 0, file};
    // The file may grow meanwhile.
    return readBounded(fd, maxFileSize, file, content);
}

} // namespace

Problem readAt(int dir, const char *file, std::string &content, struct stat *opened, Fd *held)
{
    content.clear();
    Fd fd(::openat(dir, file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        if (errno == ELOOP)
            return Problem{Problem::NotRegular, 0, file};
        return systemProblem(file);
    }
    const int descriptor = fd.get();
    if (held)
        *held = std::move(fd);
    return readOpened(descriptor, file, content, opened);
}

} // namespace recordfiles