// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordstore.h"

#include "helperpaths.h"
#include "texts.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString reasonFor(const recordfiles::Problem &problem)
{
    using recordfiles::Problem;
    switch (problem.kind) {
    case Problem::None:
        return {};
    case Problem::NotRegular:
        return texts::reasonNotRegular;
    case Problem::TooLarge:
        return texts::reasonTooLarge;
    case Problem::System:
        break;
    }
    switch (problem.error) {
    case EACCES:
    case EPERM:
        return texts::reasonPermission;
    case ENOENT:
        return texts::reasonMissing;
    case ENOSPC:
    case EDQUOT:
        return texts::reasonDiskFull;
    case EROFS:
        return texts::reasonReadOnly;
    case ENOTDIR:
        return texts::reasonNotDirectory;
    case EWOULDBLOCK:
        return texts::reasonBusy;
    default:
        return QString::fromLocal8Bit(std::strerror(problem.error));
    }
}

QString fromBytes(const std::string &bytes)
{
    return fromWindows1252(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string toBytes(const QString &text)
{
    return toWindows1252(text).toStdString();
}

} // namespace

QString describeProblem(const QString &base, const recordfiles::Problem &problem,
                        const QString &doing)
{
    const QString path = base + QFile::decodeName(problem.file.c_str());
    return doing.arg(QDir::toNativeSeparators(path), reasonFor(problem));
}

RecordStore::RecordStore(const QString &directory)
    : m_directory(directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/'))
{}

LoadedRecord RecordStore::fromFiles(const recordfiles::Loaded &loaded) const
{
    if (loaded.problem) {
        const bool preparing = loaded.stage == recordfiles::Loaded::Prepare;
        return LoadedRecord{
            {},
            {},
            describeProblem(m_directory, loaded.problem,
                            preparing ? texts::cannotPrepareRecord : texts::cannotReadRecord)};
    }
    return LoadedRecord{fromBytes(loaded.pair.score), fromBytes(loaded.pair.name), std::nullopt};
}

RecordStore::SaveResult RecordStore::fromFiles(recordfiles::SaveOutcome outcome,
                                               const recordfiles::Problem &problem,
                                               QString &error) const
{
    switch (outcome) {
    case recordfiles::SaveOutcome::Saved:
        return SaveResult::Saved;
    case recordfiles::SaveOutcome::NotBeaten:
        return SaveResult::NotBeaten;
    case recordfiles::SaveOutcome::Failed:
    case recordfiles::SaveOutcome::Interrupted:
        break;
    }
    error = describeProblem(m_directory, problem, texts::cannotSaveRecord);
    return SaveResult::Failed;
}

DirectoryRecordStore::DirectoryRecordStore(const QString &directory)
    : RecordStore(directory), m_files(QFile::encodeName(directory).toStdString())
{}

LoadedRecord DirectoryRecordStore::load()
{
    return fromFiles(m_files.load());
}

RecordStore::SaveResult DirectoryRecordStore::save(const QString &score, const QString &name,
                                                   QString &error)
{
    recordfiles::Problem problem;
    const recordfiles::SaveOutcome outcome =
        m_files.save(toBytes(score), toBytes(cleanName(name)), problem);
    return fromFiles(outcome, problem, error);
}

QString defaultRecordDirectory()
{
    if (::access(helperpaths::sharedRecordDirectory, W_OK | X_OK) == 0)
        return QString::fromLocal8Bit(helperpaths::sharedRecordDirectory);
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
