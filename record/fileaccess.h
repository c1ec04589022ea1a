// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Careful access to the files of one directory, without Qt: descriptors that close themselves,
// directories opened and created, files read through a directory descriptor without following
// links or blocking, and what went wrong. The record files and the set-group-id helper use it.

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>

namespace recordfiles {

// Nothing larger is a record file.
inline constexpr size_t maxFileSize = size_t(64) * 1024;

// What went wrong, and with which file ("" for the directory itself).
struct Problem
{
    enum Kind {
        None,
        System,     // a system call failed: see error (an errno value)
        NotRegular, // a link, a directory, a FIFO, a device...
        TooLarge,   // more than maxFileSize bytes
    };
    // error is EWOULDBLOCK when another game held the record for too long.
    Kind kind = None;
    int error = 0;
    std::string file;

    explicit operator bool() const { return kind != None; }
    bool operator==(const Problem &) const = default;
};

// The last system call's failure, with the file it concerned.
Problem systemProblem(const char *file);

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
    ~Fd();
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Writes all of data to a file descriptor, through interruptions and short writes.
bool writeAll(int fd, std::string_view data);

// A directory, for the *at() calls.
Fd openDirectory(const std::string &path);

// Takes the lock on a directory that every save of the record holds, waiting at most timeoutMs
// for another process to let it go; it stays held until dir is closed or unlocked. The problem
// is EWOULDBLOCK when the wait ran out.
Problem lockDirectory(int dir, int timeoutMs);

// Creates a directory and whichever of its parents are missing.
bool makePath(const std::string &path);

// Reads fd to its end into content, through interruptions: at most limit bytes, or TooLarge
// (content emptied) when there are more. file is what a problem names.
Problem readBounded(int fd, size_t limit, const char *file, std::string &content);

// The whole content of a file in dir: a regular file of at most maxFileSize bytes, opened without
// following links and without blocking. opened, when given, gets the status of what was read;
// held, when given, keeps the file open.
Problem readAt(int dir, const char *file, std::string &content, struct stat *opened = nullptr,
               Fd *held = nullptr);

} // namespace recordfiles
