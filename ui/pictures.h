// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The game's pictures, from its SVG files (":/icons/<name>.svg"), drawn into a pixmap of each
// size they are painted at: at the painting device's pixel ratio, as Qt's own SVG icons are
// drawn. The sizes the window paints at start are shipped ready drawn; a file is parsed only for
// another size, once while any icon made from it lives.
QIcon picture(const char *name);
// The same with another file for the disabled state.
QIcon picture(const char *name, const char *disabledName);
