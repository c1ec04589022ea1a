// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

#include <QColor>

#include <algorithm>
#include <cmath>

// 0x00BBGGRR, as the window stores its colours, to a QColor.
inline QColor fromBgr(BgrColor bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The contrast of two colours, from 1 to 21, as WCAG 2 measures it.
inline double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
