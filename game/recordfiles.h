#pragma once

// The record's two files in one directory, at the level of bytes: bounded reading that refuses
// anything but a regular file, creation of missing files, and a save that leaves either the old
// pair or the new pair, even across a crash or a full disk. No Qt: the privileged score helper
// uses it too.

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace recordfiles {

inline constexpr const char *scoreFile = "ang.txt";
inline constexpr const char *nameFile = "nang.txt";
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
};

// The steps of a save, in order; a test hook can stop a save just before any of them, as a
// crash would.
enum class SaveStep {
    StageScore,  // the new score file is written under a temporary name
    StageName,   // the same for the name
    CommitScore, // the score takes its place
    CommitName,  // the name takes its place
    SyncDir,     // the directory entries are made durable
    Discard,     // a save that failed while staging removes the score it staged
};

enum class SaveOutcome {
    Saved,
    NotBeaten, // the stored score is not lower than the new one: nothing written
    // See the problem. The old pair is intact; or, in the unlikely case that the name could not
    // follow a score that had already taken its place, the next start finishes the save.
    Failed,
    Interrupted, // stopped by the test hook, as by a crash
};

// Writes all of data to a file descriptor, through interruptions and short writes.
bool writeAll(int fd, std::string_view data);

class RecordDirectory
{
public:
    // Files are created with the given mode (the umask does not apply).
    explicit RecordDirectory(std::string path, mode_t fileMode = 0644);

    const std::string &path() const { return m_path; }

    // Creates the directory and its missing parents, finishes or rolls back a save that a crash
    // interrupted, and creates each record file that is missing, empty.
    Problem prepare();

    // The whole content of one record file: a regular file of at most maxFileSize bytes, opened
    // without following links and without blocking.
    Problem read(const char *file, std::string &content) const;

    // Both files at once, with the directory locked, so that a save by another game cannot pair
    // one game's score with another's name.
    Problem readPair(std::string &score, std::string &name);

    // Writes both files, each as one line ended by CR LF, if and only if the number at the start
    // of score is strictly greater than the one stored now (a missing score file counts as 0).
    // The directory is locked throughout, so two games saving at once cannot undo each other's
    // record. Waiting for another game's lock is bounded: past lockTimeoutMs it fails.
    SaveOutcome save(std::string_view score, std::string_view name, Problem &problem);

    // Stops a save just before a step when it returns true (tests only).
    std::function<bool(SaveStep)> crashBefore;
    int lockTimeoutMs = 3000;

private:
    std::string m_path;
    mode_t m_fileMode;
};

} // namespace recordfiles
