#include "helperrecordstore.h"

#include "helperpaths.h"
#include "texts.h"
#include "windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>

#include <cerrno>

using recordfiles::Problem;

namespace {

constexpr qsizetype maxScoreDigits = 9;
constexpr qsizetype maxNameBytes = 32767;
// The longest answer of the program: two whole files and three short lines.
constexpr qsizetype maxAnswer = 2 * qsizetype(recordfiles::maxFileSize) + qsizetype(3) * 64;

// Exit statuses of the program.
constexpr int statusDone = 0;
constexpr int statusNotBeaten = 1;
constexpr int statusFailed = 2;

const char *const fileNames[2] = {recordfiles::scoreFile, recordfiles::nameFile};

// A decimal number of ASCII digits, no sign, at most max.
std::optional<long long> number(QByteArrayView text, long long max)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value <= max ? std::optional(value) : std::nullopt;
}

// The words of the line starting at pos, which then moves past its LF.
std::optional<QList<QByteArray>> takeLine(const QByteArray &text, qsizetype &pos)
{
    const qsizetype end = text.indexOf('\n', pos);
    if (end < 0)
        return std::nullopt;
    QList<QByteArray> words = text.sliced(pos, end - pos).split(' ');
    pos = end + 1;
    return words;
}

// "error WHERE KIND ERRNO" in words from first on, up to the end of the line.
std::optional<Problem> parseProblem(const QList<QByteArray> &words, qsizetype first)
{
    if (words.size() != first + 4 || words[first] != "error")
        return std::nullopt;
    const QByteArray &where = words[first + 1];
    if (where != "-" && where != recordfiles::scoreFile && where != recordfiles::nameFile &&
        where != ".ang.txt.new" && where != ".nang.txt.new")
        return std::nullopt;
    const std::optional<long long> error = number(words[first + 3], 4095);
    if (!error)
        return std::nullopt;
    Problem problem;
    problem.file = where == "-" ? std::string() : where.toStdString();
    const QByteArray &kind = words[first + 2];
    if (kind == "system" && *error != 0)
        problem.kind = Problem::System;
    else if (kind == "notregular" && *error == 0)
        problem.kind = Problem::NotRegular;
    else if (kind == "toolarge" && *error == 0)
        problem.kind = Problem::TooLarge;
    else
        return std::nullopt;
    problem.error = int(*error);
    return problem;
}

} // namespace

HelperRecordStore::HelperRecordStore(QString helper, const QString &directory, int timeoutMs)
    : m_helper(std::move(helper)), m_directoryArgument(directory),
      m_directory(directory.isEmpty() ? QFile::decodeName(helperpaths::sharedRecordDirectory)
                                      : directory),
      m_timeoutMs(timeoutMs)
{
    if (!m_directory.endsWith(QLatin1Char('/')))
        m_directory += QLatin1Char('/');
}

QString HelperRecordStore::directory() const
{
    return m_directory;
}

QString HelperRecordStore::describe(const Trouble &trouble, const QString &doing)
{
    return describeProblem(trouble.base, trouble.problem, doing);
}

HelperRecordStore::Trouble HelperRecordStore::fromReply(const Problem &problem) const
{
    return Trouble{problem, m_directory};
}

// The program's answer was not one it can give: it crashed, or is not what it should be.
HelperRecordStore::Trouble HelperRecordStore::answerTrouble() const
{
    return Trouble{Problem{Problem::System, EPROTO, m_helper.toStdString()}, QString()};
}

HelperRecordStore::Trouble HelperRecordStore::runHelper(const QString &command,
                                                        const QByteArray &input, QByteArray &output,
                                                        int &exitCode) const
{
    QProcess process;
    process.setProgram(m_helper);
    QStringList arguments;
    if (!m_directoryArgument.isEmpty())
        arguments << QStringLiteral("--dir") << m_directoryArgument;
    arguments << command;
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(m_timeoutMs)) {
        const int error = QFileInfo::exists(m_helper) ? EACCES : ENOENT;
        return Trouble{Problem{Problem::System, error, m_helper.toStdString()}, QString()};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(m_timeoutMs);
        return Trouble{Problem{Problem::System, ETIMEDOUT, m_helper.toStdString()}, QString()};
    }
    output = process.readAllStandardOutput();
    exitCode = process.exitCode();
    if (process.exitStatus() != QProcess::NormalExit || output.size() > maxAnswer)
        return answerTrouble();
    return {};
}

HelperRecordStore::Reading HelperRecordStore::runRead() const
{
    Reading reading;
    QByteArray answer;
    int exitCode = -1;
    Trouble trouble = runHelper(QStringLiteral("read"), QByteArray(), answer, exitCode);
    if (!trouble && exitCode != statusDone)
        trouble = answerTrouble();

    qsizetype pos = 0;
    if (!trouble) {
        const auto words = takeLine(answer, pos);
        const auto problem = words && words->size() > 1 && words->at(0) == "prepare"
                                 ? parseProblem(*words, 1)
                                 : std::nullopt;
        if (problem)
            reading.prepared = fromReply(*problem);
        else if (!words || *words != QList<QByteArray>{"prepare", "ok"})
            trouble = answerTrouble();
    }
    for (size_t i = 0; i < 2 && !trouble; ++i) {
        // "<file> <length>" and the bytes, or "<file> error ...".
        const auto words = takeLine(answer, pos);
        const bool named = words && words->size() >= 2 && words->at(0) == fileNames[i];
        const auto problem = named ? parseProblem(*words, 1) : std::nullopt;
        const auto length = named && !problem && words->size() == 2
                                ? number(words->at(1), recordfiles::maxFileSize)
                                : std::nullopt;
        if (problem) {
            reading.files[i] = fromReply(*problem);
        } else if (length && *length <= answer.size() - pos) {
            reading.contents[i] = answer.sliced(pos, qsizetype(*length));
            pos += qsizetype(*length);
        } else {
            trouble = answerTrouble();
        }
    }
    if (!trouble && pos != answer.size())
        trouble = answerTrouble();

    if (trouble) {
        reading = Reading();
        reading.prepared = reading.files[0] = reading.files[1] = trouble;
    }
    return reading;
}

std::optional<QString> HelperRecordStore::prepare()
{
    m_reading = runRead();
    if (m_reading->prepared)
        return describe(m_reading->prepared, texts::cannotPrepareRecord);
    return std::nullopt;
}

std::optional<QString> HelperRecordStore::read(RecordFile file, QString &text)
{
    const int i = file == RecordFile::Score ? 0 : 1;
    // prepare() and the reading of both files that follows it share one run.
    if (!m_reading || m_reading->handedOut[i])
        m_reading = runRead();
    m_reading->handedOut[i] = true;
    if (m_reading->files[i]) {
        text.clear();
        return describe(m_reading->files[i], texts::cannotReadRecord);
    }
    text = fromWindows1252(m_reading->contents[i]);
    return std::nullopt;
}

RecordStore::SaveResult HelperRecordStore::save(const QString &score, const QString &name,
                                                QString &error)
{
    m_reading.reset();
    const QByteArray scoreBytes = toWindows1252(score);
    // The name box holds at most this many characters, and each is at most one byte.
    const QByteArray nameBytes = toWindows1252(cleanName(name)).left(maxNameBytes);

    Trouble trouble;
    if (!number(scoreBytes, 999'999'999) || scoreBytes.size() > maxScoreDigits) {
        // The record files hold a score of digits only.
        trouble = fromReply(Problem{Problem::System, EINVAL, recordfiles::scoreFile});
    } else {
        QByteArray answer;
        int exitCode = -1;
        trouble = runHelper(QStringLiteral("save"), scoreBytes + '\n' + nameBytes + '\n', answer,
                            exitCode);
        if (!trouble) {
            if (exitCode == statusDone && answer == "saved\n")
                return SaveResult::Saved;
            if (exitCode == statusNotBeaten && answer == "notbeaten\n")
                return SaveResult::NotBeaten;
            qsizetype pos = 0;
            const auto words = takeLine(answer, pos);
            const auto problem = exitCode == statusFailed && words && pos == answer.size() &&
                                         words->size() > 1 && words->at(0) == "failed"
                                     ? parseProblem(*words, 1)
                                     : std::nullopt;
            trouble = problem ? fromReply(*problem) : answerTrouble();
        }
    }
    error = describe(trouble, texts::cannotSaveRecord);
    return SaveResult::Failed;
}

std::unique_ptr<RecordStore> makeRecordStore()
{
    const QFileInfo helper(QFile::decodeName(helperpaths::recordHelper));
    const QFileInfo shared(QFile::decodeName(helperpaths::sharedRecordDirectory));
    if (helper.isFile() && helper.isExecutable() && shared.isDir())
        return std::make_unique<HelperRecordStore>(helper.filePath());
    return std::make_unique<DirectoryRecordStore>(defaultRecordDirectory());
}
