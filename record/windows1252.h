// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The record files are in the Windows-1252 code page, one byte per character. A character the
// code page cannot hold is written as '?'. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the same number, so that every byte
// reads back as itself.
QByteArray toWindows1252(QStringView text);
QString fromWindows1252(QByteArrayView bytes);

// The player's name as the game keeps it: as typed, except that line breaks, tabs and other
// control characters (a paste can carry them) become blanks, so a record file holds one line, and
// so do the characters that change the direction of the text (U+202E and friends), so that a name
// never turns around the text it is shown in.
QString cleanName(QStringView typed);

// A name read back from the record file, shown as a typed name is: its control characters become
// blanks, except for the line end that ends the file.
QString cleanStoredName(QStringView stored);
