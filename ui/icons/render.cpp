// SPDX-License-Identifier: GPL-3.0-or-later
// Draws one of the pictures the window shows at start into the raw file built into the game
// (see ui/CMakeLists.txt), with the build's own Qt, as the window would draw it from its SVG
// file: premultiplied RGBA, 8 bits a channel, rows top down, no header. The window reads it
// without parsing or rasterizing anything.
//
//     render-picture SVG WIDTHxHEIGHT OUT
//
// Fails when the picture, fitted into that size, is not exactly that size: the window looks the
// file up by the size it draws at.
#include "ui/svgpicture.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral(R"(^(\d+)x(\d+)$)"))
            .match(argc == 4 ? QString::fromLocal8Bit(argv[2]) : QString());
    if (!size.hasMatch()) {
        std::fprintf(stderr, "usage: %s SVG WIDTHxHEIGHT OUT\n", argv[0]);
        return 2;
    }
    const QSize wanted(size.captured(1).toInt(), size.captured(2).toInt());
    QImage image = drawSvg(QString::fromLocal8Bit(argv[1]), wanted);
    if (image.size() != wanted) {
        std::fprintf(stderr, "%s: %s is drawn at %dx%d, not %s\n", argv[0], argv[1], image.width(),
                     image.height(), argv[2]);
        return 1;
    }
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    QSaveFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()) !=
            image.sizeInBytes() ||
        !out.commit()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
