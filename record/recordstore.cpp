// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordstore.h"

#include <QDir>
#include <QFile>

#include <algorithm>

RecordStore::RecordStore(const QString &directory)
    : m_directory(directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/'))
{}

QString RecordStore::pathOf(const recordfiles::Problem &problem) const
{
    const QString file = QFile::decodeName(problem.file.c_str());
    const bool inDirectory =
        problem.file.empty() ||
        std::ranges::find(recordfiles::fileNames, problem.file) != recordfiles::fileNames.end();
    return QDir::toNativeSeparators(inDirectory ? m_directory + file : file);
}

DirectRecordStore::DirectRecordStore(const QString &directory, recordfiles::Options options)
    : RecordStore(directory),
      m_files(QFile::encodeName(directory).toStdString(), std::move(options))
{}

recordfiles::Loaded DirectRecordStore::load()
{
    return m_files.load();
}

recordfiles::SaveOutcome DirectRecordStore::save(std::string_view score, std::string_view name,
                                                 recordfiles::Problem &problem)
{
    return m_files.save(score, name, problem);
}
