#pragma once

#include "recordfiles.h"

#include <QString>

#include <optional>

enum class RecordFile { Score, Name };

// Where the record lives: the score and the name of who reached it, as two one-line files. Every
// failure comes back as a sentence for the player that names the file and the reason.
class RecordStore
{
public:
    enum class SaveResult { Saved, NotBeaten, Failed };

    virtual ~RecordStore() = default;

    // The directory of the record files, ending in a separator.
    virtual QString directory() const = 0;
    // Makes sure both files exist (created empty when missing). Nothing, or what went wrong.
    virtual std::optional<QString> prepare() = 0;
    // The whole text of one file, line end included. Nothing, or what went wrong.
    virtual std::optional<QString> read(RecordFile file, QString &text) = 0;
    // Replaces both files with the score and the name, if the score is strictly higher than the
    // one stored at this moment.
    virtual SaveResult save(const QString &score, const QString &name, QString &error) = 0;
};

// The record in a directory this process may write.
class DirectoryRecordStore final : public RecordStore
{
public:
    explicit DirectoryRecordStore(const QString &directory);

    QString directory() const override;
    std::optional<QString> prepare() override;
    std::optional<QString> read(RecordFile file, QString &text) override;
    SaveResult save(const QString &score, const QString &name, QString &error) override;

    recordfiles::RecordDirectory &files() { return m_files; }

private:
    QString m_directory;
    recordfiles::RecordDirectory m_files;
    // The pair as prepare() read it at once, handed out by the reads that follow.
    std::optional<QString> m_preparedScore;
    std::optional<QString> m_preparedName;
};

// The record directory on this machine: the one shared by every game when it exists and this
// process can write it, otherwise the player's own data directory.
QString defaultRecordDirectory();

// A sentence for the player about a problem with the record.
QString describeProblem(const QString &directory, const recordfiles::Problem &problem,
                        const QString &doing);
