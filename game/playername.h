// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// The player's name as the game keeps it: as typed, except that line breaks, tabs and other
// control characters (a paste can carry them) become blanks, so a record file holds one line, and
// so do the characters that change the direction of the text (U+202E and friends), so that a name
// never turns around the text it is shown in.
QString cleanName(QStringView typed);

// A name read back from the record file, shown as a typed name is: its control characters become
// blanks, except for the line end that ends the file.
QString cleanStoredName(QStringView stored);
