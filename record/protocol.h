// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the game and the set-group-id helper sferdoni-record say to each other: the limits, the
// exit statuses, and the encoding of requests and replies. Both sides use these functions, so
// the protocol is written once.
//
//     sferdoni-record [--dir DIR] read
//     sferdoni-record [--dir DIR] save
//
// read takes no input and answers, on standard output, what RecordFiles::load() found:
//
//     "record " SCORELENGTH " " NAMELENGTH LF <score bytes> <name bytes>   status Done
//     "failed " STAGE " " PROBLEM LF                                      status Failed
//
// save takes on standard input exactly SCORE LF NAME LF: SCORE is 1 to maxScoreDigits ASCII
// digits, NAME at most maxNameBytes bytes (Windows-1252) with no CR and no LF. It answers:
//
//     "saved" LF              status Done
//     "notbeaten" LF          status NotBeaten: the stored score is not lower; nothing written
//     "failed save " PROBLEM LF  status Failed: the old record is intact
//
// STAGE is "prepare" or "read". PROBLEM is WHERE " " KIND " " ERRNO: WHERE is the file concerned
// (one of the record's four names) or "-" for the directory itself; KIND is "system" (a system
// call failed with the Linux errno value ERRNO), "notregular" or "toolarge", and ERRNO is 0
// unless KIND is "system". Nothing else is ever a valid reply.

#include "recordfiles.h"

#include <optional>
#include <string>
#include <string_view>

namespace recordprotocol {

inline constexpr size_t maxScoreDigits = 9;
inline constexpr size_t maxNameBytes = 32767;
// The longest input of save, and the longest reply of read.
inline constexpr size_t maxRequest = maxScoreDigits + 1 + maxNameBytes + 1;
inline constexpr size_t maxReply = 2 * recordfiles::maxFileSize + 64;

// The mode of the files the helper writes: shared with the group, and with nobody else.
inline constexpr mode_t fileMode = 0660;

enum ExitStatus {
    Done = 0,
    NotBeaten = 1,
    Failed = 2,
    BadUsage = 64,    // wrong arguments
    BadInput = 65,    // a save request that is not one; nothing was touched
    OutputError = 74, // standard output could not be written
    Refused = 77,     // --dir asked of a privileged run
};

struct Reply
{
    int status = Failed;
    std::string text;
};

// The request of a save; nothing when the helper would refuse it.
std::optional<std::string> encodeSaveRequest(std::string_view score, std::string_view name);
// The score and the name of a request, which they point into; false when it is not one.
bool decodeSaveRequest(std::string_view request, std::string_view &score, std::string_view &name);

Reply encodeLoaded(const recordfiles::Loaded &loaded);
// Nothing when the reply is not one that read gives.
std::optional<recordfiles::Loaded> decodeLoaded(const Reply &reply);

struct SaveReply
{
    recordfiles::SaveOutcome outcome = recordfiles::SaveOutcome::Failed;
    recordfiles::Problem problem;
    bool operator==(const SaveReply &) const = default;
};
// An interrupted save (which only a test hook makes) is told as a failure.
Reply encodeSaved(const SaveReply &saved);
std::optional<SaveReply> decodeSaved(const Reply &reply);

} // namespace recordprotocol
