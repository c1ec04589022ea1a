// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The game's pictures, from its SVG files (":/icons/<name>.svg"). Each file is parsed once while
// any icon made from it lives, and drawn into a pixmap of each size it is painted at: at the
// painting device's pixel ratio, as Qt's own SVG icons are drawn.
QIcon picture(const char *name);
// The same with another file for the disabled state.
QIcon picture(const char *name, const char *disabledName);
