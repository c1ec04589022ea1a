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
#include <utility>

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

} // namespace

QString describeProblem(const QString &directory, const recordfiles::Problem &problem,
                        const QString &doing)
{
    const QString path = directory + QString::fromStdString(problem.file);
    return doing.arg(QDir::toNativeSeparators(path), reasonFor(problem));
}

DirectoryRecordStore::DirectoryRecordStore(const QString &directory)
    : m_directory(directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/')),
      m_files(QFile::encodeName(directory).toStdString())
{}

QString DirectoryRecordStore::directory() const
{
    return m_directory;
}

std::optional<QString> DirectoryRecordStore::prepare()
{
    if (const recordfiles::Problem problem = m_files.prepare())
        return describeProblem(m_directory, problem, texts::cannotPrepareRecord);
    // Both files at once, so that a save by another game in between cannot mix two records.
    std::string score;
    std::string name;
    if (!m_files.readPair(score, name)) {
        m_preparedScore = fromWindows1252(QByteArrayView(score.data(), qsizetype(score.size())));
        m_preparedName = fromWindows1252(QByteArrayView(name.data(), qsizetype(name.size())));
    }
    return std::nullopt;
}

std::optional<QString> DirectoryRecordStore::read(RecordFile file, QString &text)
{
    std::optional<QString> &prepared = file == RecordFile::Score ? m_preparedScore : m_preparedName;
    if (prepared) {
        text = *std::exchange(prepared, std::nullopt);
        return std::nullopt;
    }

    std::string bytes;
    const char *name = file == RecordFile::Score ? recordfiles::scoreFile : recordfiles::nameFile;
    if (const recordfiles::Problem problem = m_files.read(name, bytes)) {
        text.clear();
        return describeProblem(m_directory, problem, texts::cannotReadRecord);
    }
    text = fromWindows1252(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return std::nullopt;
}

RecordStore::SaveResult DirectoryRecordStore::save(const QString &score, const QString &name,
                                                   QString &error)
{
    m_preparedScore.reset();
    m_preparedName.reset();
    const QByteArray scoreBytes = toWindows1252(score);
    const QByteArray nameBytes = toWindows1252(cleanName(name));
    recordfiles::Problem problem;
    switch (m_files.save(std::string_view(scoreBytes.constData(), size_t(scoreBytes.size())),
                         std::string_view(nameBytes.constData(), size_t(nameBytes.size())),
                         problem)) {
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

QString defaultRecordDirectory()
{
    if (::access(helperpaths::sharedRecordDirectory, W_OK | X_OK) == 0)
        return QString::fromLocal8Bit(helperpaths::sharedRecordDirectory);
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
