// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The record's two files in one directory, at the level of bytes: a save that leaves either the
// old pair or the new pair, even across a crash or a full disk, and a read that takes no lock and
// never changes the directory, yet never mixes two pairs. No Qt: the set-group-id helper uses it
// too.

#include "fileaccess.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace recordfiles {

inline constexpr const char *scoreFile = "ang.txt";
inline constexpr const char *nameFile = "nang.txt";
// Where a save stages each file before it takes its place. The name staged alone means that
// the score has already taken its place: every path of a save keeps that true.
inline constexpr const char *stagedScore = ".ang.txt.new";
inline constexpr const char *stagedName = ".nang.txt.new";
// Every name the record has in its directory.
inline constexpr std::array<const char *, 4> fileNames = {scoreFile, nameFile, stagedScore,
                                                          stagedName};

// How long a save, or the install script's set-up, waits for another's lock on the directory.
inline constexpr int lockWaitMs = 3000;

// The steps of a save, in order; Options::crashBefore can stop a save just before any of them,
// as a crash would.
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
    // follow a score that had already taken its place, the new pair stands and the next save
    // finishes it.
    Failed,
    Interrupted, // stopped by Options::crashBefore, as by a crash
};

// The record: the whole content of both files, line ends included.
struct Pair
{
    std::string score;
    std::string name;
    bool operator==(const Pair &) const = default;
};

// What a game finds at its start.
struct Loaded
{
    enum Stage { Prepare, Read };
    Pair pair;       // empty when there is a problem
    Problem problem; // what went wrong
    Stage stage = Read;
    bool operator==(const Loaded &) const = default;
};

// How RecordFiles works, given at construction.
struct Options
{
    // The mode of the files it creates (the umask does not apply).
    mode_t fileMode = 0644;
    // How long a save waits for another's lock before it fails.
    int lockTimeoutMs = lockWaitMs;
    // Stops a save just before a step when it returns true (tests only).
    std::function<bool(SaveStep)> crashBefore = {};
};

// The record's two files in one directory, as bytes: the layer below both stores and the helper.
class RecordFiles
{
public:
    explicit RecordFiles(std::string path, Options options = {});

    const std::string &path() const { return m_path; }

    // The start of a game. Creates the directory and its missing parents. When the lock is free
    // at once, finishes or rolls back a save that was interrupted and creates each missing file
    // empty; when another game holds it, leaves that to it and to the next save. Then reads the
    // pair as readPair() does. It never waits for another game.
    Loaded load();

    // The pair as it stands, taking no lock and changing nothing. A save under way is read as
    // what it has made so far: its score still staged, the old pair; its score in place and its
    // name still staged, the new score with the staged name. The names and the identities of the
    // files are compared before and after, with the files read still open (so that no new file
    // can take their inode numbers), and the reading starts again when anything changed. A
    // missing file reads as empty.
    Problem readPair(Pair &pair) const;

    // Writes both files, each as one line ended by CR LF, if and only if the number at the start
    // of score is strictly greater than the one stored now (a missing score file counts as 0).
    // A score or a name that holds a CR or an LF is refused (EINVAL) before anything is touched.
    // The directory is locked throughout, and a save that was interrupted is finished or rolled
    // back first, so two games saving at once cannot undo each other's record. Waiting for
    // another game's lock is bounded: past Options::lockTimeoutMs it fails.
    SaveOutcome save(std::string_view score, std::string_view name, Problem &problem);

private:
    Problem prepareIfFree();

    std::string m_path;
    Options m_options;
};

} // namespace recordfiles
