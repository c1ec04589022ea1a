// SPDX-License-Identifier: GPL-3.0-or-later
#include "helperrecordstore.h"

#include "record/helperpaths.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

using recordfiles::Problem;

HelperRecordStore::HelperRecordStore(QString helper, HelperOptions options)
    : RecordStore(options.directory.isEmpty()
                      ? QFile::decodeName(helperpaths::sharedRecordDirectory)
                      : options.directory),
      m_helper(std::move(helper)), m_options(std::move(options))
{}

// The program's answer was not one it can give: it crashed, or is not what it should be.
Problem HelperRecordStore::badAnswer() const
{
    return Problem{Problem::System, EPROTO, QFile::encodeName(m_helper).toStdString()};
}

std::optional<Problem> HelperRecordStore::run(const QString &command, const QByteArray &request,
                                              recordprotocol::Reply &reply) const
{
    const std::string program = QFile::encodeName(m_helper).toStdString();
    QProcess process;
    process.setProgram(m_helper);
    QStringList arguments;
    if (!m_options.directory.isEmpty())
        arguments << QStringLiteral("--dir") << m_options.directory;
    arguments << command;
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(m_options.timeoutMs))
        return Problem{Problem::System, QFileInfo::exists(m_helper) ? EACCES : ENOENT, program};
    process.write(request);
    process.closeWriteChannel();
    if (!process.waitForFinished(m_options.timeoutMs)) {
        process.kill();
        process.waitForFinished(m_options.timeoutMs);
        return Problem{Problem::System, ETIMEDOUT, program};
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit ||
        size_t(output.size()) > recordprotocol::maxReply)
        return badAnswer();
    reply = recordprotocol::Reply{process.exitCode(), output.toStdString()};
    return std::nullopt;
}

recordfiles::Loaded HelperRecordStore::load()
{
    recordprotocol::Reply reply;
    std::optional<Problem> trouble = run(QStringLiteral("read"), QByteArray(), reply);
    std::optional<recordfiles::Loaded> loaded;
    if (!trouble && !(loaded = recordprotocol::decodeLoaded(reply)))
        trouble = badAnswer();
    if (trouble)
        return recordfiles::Loaded{{}, *trouble, recordfiles::Loaded::Prepare};
    return *loaded;
}

recordfiles::SaveOutcome HelperRecordStore::save(std::string_view score, std::string_view name,
                                                 Problem &problem)
{
    // The name box holds at most this many characters, and each is at most one byte.
    const std::optional<std::string> request =
        recordprotocol::encodeSaveRequest(score, name.substr(0, recordprotocol::maxNameBytes));
    if (!request) { // the record files hold a score of digits only
        problem = Problem{Problem::System, EINVAL, recordfiles::scoreFile};
        return recordfiles::SaveOutcome::Failed;
    }

    recordprotocol::Reply reply;
    std::optional<Problem> trouble =
        run(QStringLiteral("save"), QByteArray::fromStdString(*request), reply);
    std::optional<recordprotocol::SaveReply> saved;
    if (!trouble && !(saved = recordprotocol::decodeSaved(reply)))
        trouble = badAnswer();
    if (trouble) {
        problem = *trouble;
        return recordfiles::SaveOutcome::Failed;
    }
    problem = saved->problem;
    return saved->outcome;
}
