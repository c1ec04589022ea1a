// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol.h"
#include "recordstore.h"

#include <QString>

// How HelperRecordStore runs the program, given at construction.
struct HelperOptions
{
    // Handed to the program with --dir, which it honours only when it runs without privilege;
    // empty for the directory built into it.
    QString directory = {};
    // A run that lasts longer is stopped and counts as a failure.
    int timeoutMs = 10000;
};

// The record in the directory shared by every player, kept by the set-group-id program
// sferdoni-record: the game runs it to read and to save, so the game itself needs no right on that
// directory. The player sees the same texts and the same messages as with DirectRecordStore.
class HelperRecordStore final : public RecordStore
{
public:
    // helper: the program.
    explicit HelperRecordStore(QString helper, HelperOptions options = {});

    recordfiles::Loaded load() override;
    // A name longer than the program takes is cut to its first recordprotocol::maxNameBytes.
    recordfiles::SaveOutcome save(std::string_view score, std::string_view name,
                                  recordfiles::Problem &problem) override;

private:
    // Runs the program with the request; nothing, or what went wrong with the program itself.
    std::optional<recordfiles::Problem> run(const QString &command, const QByteArray &request,
                                            recordprotocol::Reply &reply) const;
    recordfiles::Problem badAnswer() const;

    QString m_helper;
    HelperOptions m_options;
};
