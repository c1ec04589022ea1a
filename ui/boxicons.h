// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QStyle;

// The icons of the message and input boxes (information, warning, OK, Cancel), as the style gives
// them, made once and shared by every box: each box showing a new icon would read it again and
// leave another copy in Qt's pixmap cache. Where the desktop has an icon theme they come from it,
// as before; where it has none (the icon theme is only the bare "hicolor" fallback, which holds
// applications' own icons, not these) they are the style's built-in ones, without searching the
// icon theme for them first.
//
// Makes the application's style such a style, once; every other icon and all drawing stay the
// style's own.
void shareBoxIcons();

// A style like base (which it takes) that shares the boxes' icons as above.
QStyle *makeBoxIconsStyle(QStyle *base);
