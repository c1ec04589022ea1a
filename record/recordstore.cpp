// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordstore.h"

#include "windows1252.h"

#include <QDir>
#include <QFile>

namespace {

QString fromBytes(const std::string &bytes)
{
    return fromWindows1252(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string toBytes(const QString &text)
{
    return toWindows1252(text).toStdString();
}

} // namespace

RecordProblem recordProblem(RecordProblem::Doing doing, const QString &base,
                            const recordfiles::Problem &cause)
{
    const QString path = base + QFile::decodeName(cause.file.c_str());
    return RecordProblem{doing, QDir::toNativeSeparators(path), cause};
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
            recordProblem(preparing ? RecordProblem::Preparing : RecordProblem::Reading,
                          m_directory, loaded.problem)};
    }
    return LoadedRecord{fromBytes(loaded.pair.score), fromBytes(loaded.pair.name), std::nullopt};
}

RecordStore::SaveResult RecordStore::fromFiles(recordfiles::SaveOutcome outcome,
                                               const recordfiles::Problem &cause,
                                               RecordProblem &problem) const
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
    problem = recordProblem(RecordProblem::Saving, m_directory, cause);
    return SaveResult::Failed;
}

DirectRecordStore::DirectRecordStore(const QString &directory, recordfiles::Options options)
    : RecordStore(directory),
      m_files(QFile::encodeName(directory).toStdString(), std::move(options))
{}

LoadedRecord DirectRecordStore::load()
{
    return fromFiles(m_files.load());
}

RecordStore::SaveResult DirectRecordStore::save(const QString &score, const QString &name,
                                                RecordProblem &problem)
{
    recordfiles::Problem cause;
    const recordfiles::SaveOutcome outcome =
        m_files.save(toBytes(score), toBytes(cleanName(name)), cause);
    return fromFiles(outcome, cause, problem);
}
