// SPDX-License-Identifier: GPL-3.0-or-later
#include "svgpicture.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

QImage drawSvg(const QString &file, QSize size)
{
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return {};
    const QSize fitted = svg.defaultSize().scaled(size, Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return {};
    QImage image(fitted, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    QPainter painter(&image);
    svg.render(&painter);
    return image;
}
