// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/recordfiles.h"
#include "record/recordstore.h"

#include <QString>

// A problem with the record as a sentence for the player: what the game was doing, the file or
// the directory of store concerned, and the reason. At the start, what load() found while it
// prepared or read the files; at the end, what stopped a save.
QString loadMessage(const recordfiles::Loaded &loaded, const RecordStore &store);
QString saveMessage(const recordfiles::Problem &problem, const RecordStore &store);
