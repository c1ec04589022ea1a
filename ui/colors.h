// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamewindow.h"

#include <QColor>

// 0x00BBGGRR, as the window stores its colours, to a QColor.
inline QColor fromBgr(BgrColor bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
