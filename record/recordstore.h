// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordfiles.h"

#include <QString>

#include <optional>

enum class RecordFile { Score, Name };

// What went wrong with the record, for the game to word.
struct RecordProblem
{
    enum Doing { Preparing, Reading, Saving };
    Doing doing = Reading;
    // The file or the directory concerned, as the player sees a path.
    QString path;
    // Why; its file is the one path names.
    recordfiles::Problem cause;
};

// The problem met while doing something with a file of base (empty when the file is a path).
RecordProblem recordProblem(RecordProblem::Doing doing, const QString &base,
                            const recordfiles::Problem &cause);

// The record as a game finds it at its start.
struct LoadedRecord
{
    // The whole text of each file, line end included; both empty when there is a problem.
    QString score;
    QString name;
    std::optional<RecordProblem> problem;

    const QString &text(RecordFile file) const { return file == RecordFile::Score ? score : name; }
};

// The record as the game sees it, wherever it lives: the score and the name of who reached it,
// as two one-line files. DirectRecordStore and HelperRecordStore keep it.
class RecordStore
{
public:
    enum class SaveResult { Saved, NotBeaten, Failed };

    // directory: where the record files are, for the player's messages.
    explicit RecordStore(const QString &directory);
    virtual ~RecordStore() = default;

    // The directory of the record files, ending in a separator.
    const QString &directory() const { return m_directory; }

    // Makes sure both files exist (created empty when missing) and reads the pair. It never
    // waits for another game.
    virtual LoadedRecord load() = 0;
    // Replaces both files with the score and the name, if the score is strictly higher than the
    // one stored at this moment. problem gets what went wrong when it fails.
    virtual SaveResult save(const QString &score, const QString &name, RecordProblem &problem) = 0;

protected:
    // What the record files said, as the game sees it.
    LoadedRecord fromFiles(const recordfiles::Loaded &loaded) const;
    SaveResult fromFiles(recordfiles::SaveOutcome outcome, const recordfiles::Problem &cause,
                         RecordProblem &problem) const;

private:
    QString m_directory;
};

// The record in a directory this process may write.
class DirectRecordStore final : public RecordStore
{
public:
    explicit DirectRecordStore(const QString &directory, recordfiles::Options options = {});

    LoadedRecord load() override;
    SaveResult save(const QString &score, const QString &name, RecordProblem &problem) override;

private:
    recordfiles::RecordFiles m_files;
};
