#pragma once

#include "recordstore.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// The record in the directory shared by every player, kept by the set-group-id program
// sferdoni-record: the game runs it to read and to save, so the game itself needs no right on that
// directory. The player sees the same texts and the same messages as with DirectoryRecordStore.
class HelperRecordStore final : public RecordStore
{
public:
    // helper: the program. directory: handed to it with --dir, which it honours only when it runs
    // without privilege; empty for the directory built into it. A run that lasts longer than
    // timeoutMs is stopped and counts as a failure.
    explicit HelperRecordStore(QString helper, const QString &directory = QString(),
                               int timeoutMs = 10000);

    QString directory() const override;
    std::optional<QString> prepare() override;
    std::optional<QString> read(RecordFile file, QString &text) override;
    SaveResult save(const QString &score, const QString &name, QString &error) override;

private:
    // What went wrong, and the directory to name with the file: empty when the file is the
    // program itself (it could not be run, or its answer made no sense).
    struct Trouble
    {
        recordfiles::Problem problem;
        QString base;
        explicit operator bool() const { return bool(problem); }
    };
    // One run of "read": the preparation and both files. Each file is handed out once; asking
    // for it again runs the program again.
    struct Reading
    {
        Trouble prepared;
        std::array<Trouble, 2> files;
        std::array<QByteArray, 2> contents;
        bool handedOut[2] = {false, false};
    };

    Trouble runHelper(const QString &command, const QByteArray &input, QByteArray &output,
                      int &exitCode) const;
    Reading runRead() const;
    Trouble answerTrouble() const;
    Trouble fromReply(const recordfiles::Problem &problem) const;
    static QString describe(const Trouble &trouble, const QString &doing);

    QString m_helper;
    QString m_directoryArgument;
    QString m_directory;
    int m_timeoutMs;
    std::optional<Reading> m_reading;
};

// The store for this machine: the shared record through sferdoni-record when that program is
// installed and the shared directory exists, otherwise DirectoryRecordStore on
// defaultRecordDirectory().
std::unique_ptr<RecordStore> makeRecordStore();
