// SPDX-License-Identifier: GPL-3.0-or-later
// sferdoni-record: the only writer of the record shared by every player of the machine.
//
// It is installed set-group-id to the group that owns the shared record directory, so the game
// itself needs no privilege. It uses its privilege for nothing but the two record files: it reads
// no environment variable (it clears the environment first), uses no locale, runs no other
// program, and works only in the directory fixed when it was built, unless it runs without any
// privilege (see --dir). The files it writes get mode 0660: the group shares them, others don't.
//
// Usage:
//     sferdoni-record [--dir DIR] read
//     sferdoni-record [--dir DIR] save
//     sferdoni-record setup ...       (root only, from the install script: see setup.h)
//
// --dir DIR works on DIR instead of the built-in directory. It is refused (exit status 77) when
// the program runs with privilege, that is when its effective user or group differs from the
// real one.
//
// read does what a game does at its start (RecordFiles::load()): it never waits for another
// game's lock. save reads its request from standard input, at most recordprotocol::maxRequest
// bytes up to its end, and refuses anything else with exit status 65 before any file is touched.
// The requests, the replies and the exit statuses are those of protocol.h. Messages about wrong
// arguments or input go to standard error.

#include "record/protocol.h"
#include "record/recordfiles.h"
#include "setup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#ifndef SFERDONI_RECORD_DIR
#error "SFERDONI_RECORD_DIR must name the record directory"
#endif

namespace {

using namespace recordprotocol;

using recordfiles::writeAll;

void complain(std::string_view message)
{
    writeAll(STDERR_FILENO, "sferdoni-record: ");
    writeAll(STDERR_FILENO, message);
    writeAll(STDERR_FILENO, "\n");
}

// A closed standard descriptor would be reused by the first file opened, which would then receive
// what is meant for standard output.
bool keepStandardDescriptorsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (::open("/dev/null", O_RDWR | O_NOCTTY) != fd)
            return false;
    }
    return true;
}

int answer(const Reply &reply)
{
    return writeAll(STDOUT_FILENO, reply.text) ? reply.status : OutputError;
}

int runSave(recordfiles::RecordFiles &files)
{
    std::string input;
    std::string_view score;
    std::string_view name;
    // All of standard input: no more than a request can be.
    if (recordfiles::readBounded(STDIN_FILENO, maxRequest, "", input) ||
        !decodeSaveRequest(input, score, name)) {
        complain("save expects a score of 1 to 9 digits and a name of one line");
        return BadInput;
    }
    SaveReply saved;
    saved.outcome = files.save(score, name, saved.problem);
    return answer(encodeSaved(saved));
}

bool privileged()
{
    return ::geteuid() != ::getuid() || ::getegid() != ::getgid();
}

} // namespace

int main(int argc, char *argv[])
{
    ::clearenv();
    ::umask(007);
    // A reader that goes away, or a file size limit, must make a call fail, not end the program
    // half way.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    if (!keepStandardDescriptorsOpen())
        return OutputError;
    if (argc >= 2 && std::string_view(argv[1]) == "setup")
        return runSetup(SFERDONI_RECORD_DIR, argc - 2, argv + 2);

    std::string directory = SFERDONI_RECORD_DIR;
    int next = 1;
    if (argc >= 2 && std::string_view(argv[1]) == "--dir") {
        if (argc < 3 || argv[2][0] == '\0') {
            complain("--dir needs a directory");
            return BadUsage;
        }
        if (privileged()) {
            complain("--dir is refused to a privileged run");
            return Refused;
        }
        directory = argv[2];
        next = 3;
    }
    if (argc != next + 1) {
        complain("usage: sferdoni-record [--dir DIR] read|save");
        return BadUsage;
    }

    recordfiles::RecordFiles files(directory, {.fileMode = fileMode});
    const std::string_view command = argv[next];
    if (command == "read")
        return answer(encodeLoaded(files.load()));
    if (command == "save")
        return runSave(files);
    complain("usage: sferdoni-record [--dir DIR] read|save");
    return BadUsage;
}
