// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"

#include <array>
#include <cerrno>
#include <charconv>

namespace recordprotocol {

using recordfiles::Loaded;
using recordfiles::Problem;
using recordfiles::SaveOutcome;

namespace {

constexpr std::array<const char *, 4> kindWords = {"", "system", "notregular", "toolarge"};
constexpr std::array<const char *, 2> stageWords = {"prepare", "read"};

std::string decimal(long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A decimal number of ASCII digits, no sign, at most max.
std::optional<size_t> number(std::string_view text, size_t max)
{
    size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || text[0] == '+' || error != std::errc() ||
        end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

bool isDigits(std::string_view text)
{
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The next word of text up to a blank or the end, which text then moves past.
std::string_view takeWord(std::string_view &text)
{
    const size_t end = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return word;
}

std::string encodeProblem(const Problem &problem)
{
    std::string text = problem.file.empty() ? std::string("-") : problem.file;
    const Problem::Kind kind = problem.kind == Problem::None ? Problem::System : problem.kind;
    text += ' ';
    text += kindWords[kind];
    text += ' ';
    text += decimal(kind == Problem::System ? (problem.error ? problem.error : EIO) : 0);
    return text;
}

// WHERE KIND ERRNO, the whole of text.
std::optional<Problem> decodeProblem(std::string_view text)
{
    const std::string_view where = takeWord(text);
    const std::string_view kind = takeWord(text);
    const std::optional<size_t> error = number(text, 4095);
    if (!error)
        return std::nullopt;
    Problem problem;
    if (where != "-") {
        for (const char *file : recordfiles::fileNames) {
            if (where == file)
                problem.file = file;
        }
        if (problem.file.empty())
            return std::nullopt;
    }
    for (size_t k = Problem::System; k < kindWords.size(); ++k) {
        if (kind == kindWords[k])
            problem.kind = Problem::Kind(k);
    }
    if (problem.kind == Problem::None || (*error != 0) != (problem.kind == Problem::System))
        return std::nullopt;
    problem.error = int(*error);
    return problem;
}

// "failed STAGE PROBLEM" LF, STAGE being one of the words given.
std::optional<Problem> decodeFailure(std::string_view text, std::string_view &stage)
{
    if (text.empty() || text.back() != '\n' || text.find('\n') != text.size() - 1)
        return std::nullopt;
    text.remove_suffix(1);
    if (takeWord(text) != "failed")
        return std::nullopt;
    stage = takeWord(text);
    return decodeProblem(text);
}

} // namespace

std::optional<std::string> encodeSaveRequest(std::string_view score, std::string_view name)
{
    std::string request;
    request.append(score).append(1, '\n').append(name).append(1, '\n');
    std::string_view s;
    std::string_view n;
    if (!decodeSaveRequest(request, s, n))
        return std::nullopt;
    return request;
}

bool decodeSaveRequest(std::string_view request, std::string_view &score, std::string_view &name)
{
    const size_t scoreEnd = request.find('\n');
    if (scoreEnd == std::string_view::npos || request.size() < scoreEnd + 2 ||
        request.back() != '\n')
        return false;
    score = request.substr(0, scoreEnd);
    name = request.substr(scoreEnd + 1, request.size() - scoreEnd - 2);
    return !score.empty() && score.size() <= maxScoreDigits && isDigits(score) &&
           name.size() <= maxNameBytes && name.find_first_of("\r\n") == std::string_view::npos;
}

Reply encodeLoaded(const Loaded &loaded)
{
    if (loaded.problem)
        return Reply{Failed, std::string("failed ") + stageWords[loaded.stage] + ' ' +
                                 encodeProblem(loaded.problem) + '\n'};
    const auto &[score, name] = loaded.pair;
    return Reply{Done, "record " + decimal(static_cast<long long>(score.size())) + ' ' +
                           decimal(static_cast<long long>(name.size())) + '\n' + score + name};
}

std::optional<Loaded> decodeLoaded(const Reply &reply)
{
    Loaded loaded;
    std::string_view text = reply.text;
    if (reply.status == Failed) {
        std::string_view stage;
        const std::optional<Problem> problem = decodeFailure(text, stage);
        if (!problem || (stage != stageWords[Loaded::Prepare] && stage != stageWords[Loaded::Read]))
            return std::nullopt;
        loaded.problem = *problem;
        loaded.stage = stage == stageWords[Loaded::Prepare] ? Loaded::Prepare : Loaded::Read;
        return loaded;
    }
    const size_t lineEnd = text.find('\n');
    if (reply.status != Done || lineEnd == std::string_view::npos)
        return std::nullopt;
    std::string_view line = text.substr(0, lineEnd);
    text.remove_prefix(lineEnd + 1);
    const bool named = takeWord(line) == "record";
    const auto scoreLength = number(takeWord(line), recordfiles::maxFileSize);
    const auto nameLength = number(line, recordfiles::maxFileSize);
    if (!named || !scoreLength || !nameLength || *scoreLength + *nameLength != text.size())
        return std::nullopt;
    loaded.pair.score = text.substr(0, *scoreLength);
    loaded.pair.name = text.substr(*scoreLength);
    return loaded;
}

Reply encodeSaved(const SaveReply &saved)
{
    switch (saved.outcome) {
    case SaveOutcome::Saved:
        return Reply{Done, "saved\n"};
    case SaveOutcome::NotBeaten:
        return Reply{NotBeaten, "notbeaten\n"};
    case SaveOutcome::Failed:
    case SaveOutcome::Interrupted:
        break;
    }
    return Reply{Failed, "failed save " + encodeProblem(saved.problem) + '\n'};
}

std::optional<SaveReply> decodeSaved(const Reply &reply)
{
    if (reply.status == Done && reply.text == "saved\n")
        return SaveReply{SaveOutcome::Saved, {}};
    if (reply.status == NotBeaten && reply.text == "notbeaten\n")
        return SaveReply{SaveOutcome::NotBeaten, {}};
    std::string_view stage;
    const std::optional<Problem> problem =
        reply.status == Failed ? decodeFailure(reply.text, stage) : std::nullopt;
    if (!problem || stage != "save")
        return std::nullopt;
    return SaveReply{SaveOutcome::Failed, *problem};
}

} // namespace recordprotocol
