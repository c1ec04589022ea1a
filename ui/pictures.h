// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The game's pictures, from its SVG files (":/icons/<name>.svg"), drawn into a pixmap of each
// size they are painted at: at the painting device's pixel ratio, as Qt's own SVG icons are
// drawn. The sizes the window paints at start are built in ready drawn; any other size is drawn
// from the SVG file with Qt's SVG library (svgpicture.h), which needs no plugin.
QIcon picture(const char *name);
// The same with another file for the disabled state.
QIcon picture(const char *name, const char *disabledName);
