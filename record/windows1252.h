// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The record files are in the Windows-1252 code page, one byte per character. A character the
// code page cannot hold is written as '?'. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the same number, so that every byte
// reads back as itself.
std::string toWindows1252(QStringView text);
QString fromWindows1252(std::string_view bytes);
