// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordstore.h"

#include <QString>

#include <memory>

// Where the record lives on this machine, and the store that keeps it there.
struct RecordLocation
{
    enum Kind {
        // The directory shared by every player, written only by the set-group-id program
        // sferdoni-record: the installed game.
        SharedThroughHelper,
        // The shared directory, which this process may write itself (no helper installed).
        SharedDirectly,
        // The player's own data directory: nothing shared can be used.
        PlayerOwn,
    };
    Kind kind = PlayerOwn;
    QString directory;
    QString helper; // the program, for SharedThroughHelper
};

// What the machine offers the record: the program, the shared directory, and the player's own
// data directory.
struct RecordPlaces
{
    QString helper;
    QString sharedDirectory;
    QString playerDirectory;
};

// The places of this installation, fixed when the game was built, and the player's
// ~/.local/share/sferdoni (or wherever XDG_DATA_HOME says).
RecordPlaces installedRecordPlaces();

// The first of the three kinds that the places allow: the helper when it is an executable
// file and the shared directory exists; the shared directory when this process may write it;
// otherwise the player's own.
RecordLocation findRecordLocation(const RecordPlaces &places = installedRecordPlaces());

std::unique_ptr<RecordStore> makeRecordStore(const RecordLocation &location = findRecordLocation());
