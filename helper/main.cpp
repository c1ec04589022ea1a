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
// read: finishes or rolls back a save that a crash interrupted, creates each missing file empty,
// then prints on standard output exactly three items, always in this order:
//
//     "prepare ok" LF                    or  "prepare " PROBLEM LF
//     "ang.txt " LENGTH LF <LENGTH bytes>   or  "ang.txt " PROBLEM LF
//     "nang.txt " LENGTH LF <LENGTH bytes>  or  "nang.txt " PROBLEM LF
//
// The bytes are the whole file as stored (line ends, NUL bytes and all); LENGTH is decimal, at
// most 65536. Each file is read even when the preparation failed. Nothing follows the last item.
//
// save: reads from standard input, up to its end, exactly two lines ended by LF:
//
//     SCORE LF NAME LF
//
// SCORE is 1 to 9 ASCII digits; NAME is 0 to 32767 bytes (the name in Windows-1252) with no CR
// and no LF. Anything else, including a missing last LF or more input than that, is refused
// with exit status 65 before any file is touched; at most 32779 bytes of input are ever read.
// Then both files are replaced, each as one line ended by CR LF, if and only if SCORE is strictly
// greater than the score stored at that moment (the directory is locked meanwhile). Standard
// output gets one line:
//
//     "saved" LF          exit status 0
//     "notbeaten" LF      exit status 1: the stored score is not lower; nothing is written
//     "failed " PROBLEM LF  exit status 2: the old record is intact
//
// PROBLEM is "error " WHERE " " KIND " " ERRNO, where WHERE is the file concerned ("ang.txt",
// "nang.txt", ".ang.txt.new", ".nang.txt.new") or "-" for the directory itself, KIND is "system"
// (a system call failed with the Linux errno value ERRNO), "notregular" (a link, directory, FIFO,
// device...) or "toolarge" (more than 65536 bytes), and ERRNO is 0 unless KIND is "system".
//
// Other exit statuses: 64 for wrong arguments, 65 for malformed input, 74 when standard output
// could not be written, 77 for --dir with privilege. Messages about these go to standard error.

#include "recordfiles.h"
#include "setup.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
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

using recordfiles::Problem;

enum ExitStatus {
    Done = 0,
    NotBeaten = 1,
    Failed = 2,
    BadUsage = 64,
    BadInput = 65,
    OutputError = 74,
    Refused = 77,
};

constexpr size_t maxScoreDigits = 9;
constexpr size_t maxNameBytes = 32767;
constexpr size_t maxInput = maxScoreDigits + 1 + maxNameBytes + 1;
// Files are shared with the group, and with nobody else.
constexpr mode_t fileMode = 0660;

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

std::string decimal(long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string describe(const Problem &problem)
{
    std::string text = "error ";
    text += problem.file.empty() ? std::string("-") : problem.file;
    switch (problem.kind) {
    case Problem::None:
    case Problem::System:
        text += " system ";
        break;
    case Problem::NotRegular:
        text += " notregular ";
        break;
    case Problem::TooLarge:
        text += " toolarge ";
        break;
    }
    text += decimal(problem.kind == Problem::System ? problem.error : 0);
    return text;
}

int runRead(recordfiles::RecordDirectory &directory)
{
    const Problem prepared = directory.prepare();
    std::string reply = prepared ? "prepare " + describe(prepared) + "\n" : "prepare ok\n";
    // Both files at once under the lock, so that a save in between cannot mix two records; when
    // that fails, each file on its own, to tell which one is at fault.
    std::string pair[2];
    const bool together = !prepared && !directory.readPair(pair[0], pair[1]);
    int index = 0;
    for (const char *file : {recordfiles::scoreFile, recordfiles::nameFile}) {
        std::string content = std::move(pair[index++]);
        reply += file;
        reply += ' ';
        if (const Problem problem = together ? Problem{} : directory.read(file, content)) {
            reply += describe(problem) + "\n";
        } else {
            reply += decimal(static_cast<long long>(content.size())) + "\n";
            reply += content;
        }
    }
    return writeAll(STDOUT_FILENO, reply) ? Done : OutputError;
}

// All of standard input, or false when it holds more than maxInput bytes or cannot be read.
bool readInput(std::string &input)
{
    char buffer[4096];
    while (input.size() <= maxInput) {
        const size_t wanted = std::min(sizeof buffer, maxInput + 1 - input.size());
        const ssize_t n = ::read(STDIN_FILENO, buffer, wanted);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        input.append(buffer, size_t(n));
    }
    return false;
}

bool parseSave(std::string_view input, std::string_view &score, std::string_view &name)
{
    const size_t scoreEnd = input.find('\n');
    if (scoreEnd == std::string_view::npos || input.size() < scoreEnd + 2 || input.back() != '\n')
        return false;
    score = input.substr(0, scoreEnd);
    name = input.substr(scoreEnd + 1, input.size() - scoreEnd - 2);
    if (score.empty() || score.size() > maxScoreDigits)
        return false;
    for (const char c : score) {
        if (c < '0' || c > '9')
            return false;
    }
    return name.size() <= maxNameBytes && name.find_first_of("\r\n") == std::string_view::npos;
}

int runSave(recordfiles::RecordDirectory &directory)
{
    std::string input;
    std::string_view score;
    std::string_view name;
    if (!readInput(input) || !parseSave(input, score, name)) {
        complain("save expects a score of 1 to 9 digits and a name of one line");
        return BadInput;
    }
    Problem problem;
    const recordfiles::SaveOutcome outcome = directory.save(score, name, problem);
    if (problem.kind == Problem::None && outcome != recordfiles::SaveOutcome::Saved &&
        outcome != recordfiles::SaveOutcome::NotBeaten)
        problem = Problem{Problem::System, EIO, ""};
    bool written = false;
    int status = Failed;
    switch (outcome) {
    case recordfiles::SaveOutcome::Saved:
        written = writeAll(STDOUT_FILENO, "saved\n");
        status = Done;
        break;
    case recordfiles::SaveOutcome::NotBeaten:
        written = writeAll(STDOUT_FILENO, "notbeaten\n");
        status = NotBeaten;
        break;
    case recordfiles::SaveOutcome::Failed:
    case recordfiles::SaveOutcome::Interrupted:
        written = writeAll(STDOUT_FILENO, "failed " + describe(problem) + "\n");
        break;
    }
    return written ? status : OutputError;
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

    recordfiles::RecordDirectory files(directory, fileMode);
    const std::string_view command = argv[next];
    if (command == "read")
        return runRead(files);
    if (command == "save")
        return runSave(files);
    complain("usage: sferdoni-record [--dir DIR] read|save");
    return BadUsage;
}
