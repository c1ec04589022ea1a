// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/recordstore.h"

#include <QString>

// A problem with the record as a sentence for the player: what the game was doing, the file or
// the directory, and the reason.
QString recordMessage(const RecordProblem &problem);
