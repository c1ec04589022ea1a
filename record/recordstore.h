// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordfiles.h"

#include <QString>

#include <string_view>

// The record as the game sees it, wherever it lives: the score and the name of who reached it,
// as two one-line files of bytes in the Windows-1252 code page (windows1252.h reads and writes
// them as text). DirectRecordStore and HelperRecordStore keep it; both speak RecordFiles' terms.
class RecordStore
{
public:
    // directory: where the record files are, for the player's messages.
    explicit RecordStore(const QString &directory);
    virtual ~RecordStore() = default;

    // The directory of the record files, ending in a separator.
    const QString &directory() const { return m_directory; }

    // The file or the directory a problem concerns, as the player sees a path: the directory, one
    // of the record's files in it, or any other file (the helper program) by the path it has.
    QString pathOf(const recordfiles::Problem &problem) const;

    // Makes sure both files exist (created empty when missing) and reads the pair. It never
    // waits for another game.
    virtual recordfiles::Loaded load() = 0;
    // Replaces both files with the score and the name, if the score is strictly higher than the
    // one stored at this moment. problem gets what went wrong when it fails.
    virtual recordfiles::SaveOutcome save(std::string_view score, std::string_view name,
                                          recordfiles::Problem &problem) = 0;

private:
    QString m_directory;
};

// The record in a directory this process may write.
class DirectRecordStore final : public RecordStore
{
public:
    explicit DirectRecordStore(const QString &directory, recordfiles::Options options = {});

    recordfiles::Loaded load() override;
    recordfiles::SaveOutcome save(std::string_view score, std::string_view name,
                                  recordfiles::Problem &problem) override;

private:
    recordfiles::RecordFiles m_files;
};
