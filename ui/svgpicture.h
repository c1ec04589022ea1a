// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

class QString;

// The picture of an SVG file fitted into size (in pixels), keeping its proportions, as Qt's SVG
// icon engine draws one: premultiplied ARGB, transparent where nothing is drawn. Null if the file
// can't be read or the picture would have no pixels. Drawn with Qt's SVG library itself, which
// the program links, so that no image or icon plugin is needed.
QImage drawSvg(const QString &file, QSize size);
