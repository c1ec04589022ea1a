// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the pictures the window draws at start into the raw files shipped beside their SVG
// files: for each size below, at its pixel ratios, premultiplied RGBA, 8 bits a channel,
// rows top down, no header: "<name>-<width>x<height>.rgba". The window reads them without
// parsing or rasterizing anything; every other size is drawn from the SVG file.
//
// Run it after changing an SVG file (the pictures test tells when a file is stale):
//     cmake --build build --target render-pictures && build/ui/render-pictures ui/icons
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <vector>

namespace {

struct Shipped
{
    const char *name;
    QSize size;                    // logical pixels
    std::vector<int> ratios{1, 2}; // the pixel ratios it is drawn at
};

// What the window draws as it is built and on its first frame: the pictures of the answer
// buttons, of "Esci" and of the figure, the frame, and the clef at the size of the pointer over
// "Nuova nota". ("Nuova nota" itself lies under the answer buttons.) Then the window icon, which
// Qt hands the window system (xcb's _NET_WM_ICON) at 16, 32, 64 and 128 pixels times the screen's
// ratio: here for the ratios 1 and 2.
const Shipped shipped[] = {
    {"acuto", {32, 32}},         {"retto", {32, 32}},    {"ottuso", {32, 32}},
    {"piatto", {32, 32}},        {"concavo", {32, 32}},  {"giro", {32, 32}},
    {"esci", {32, 32}},          {"cornice", {95, 31}},  {"nota", {20, 32}},
    {"app", {16, 16}, {1}},      {"app", {32, 32}, {1}}, {"app", {64, 64}, {1}},
    {"app", {128, 128}, {1, 2}},
};

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder of the SVG files>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const Shipped &picture : shipped) {
        QSvgRenderer svg(folder.filePath(QStringLiteral("%1.svg").arg(picture.name)));
        if (!svg.isValid())
            return 1;
        for (int ratio : picture.ratios) {
            // Drawn as the window draws a picture from its SVG file.
            QSize size = svg.defaultSize();
            size.scale(picture.size * ratio, Qt::KeepAspectRatio);
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(0);
            QPainter painter(&image);
            svg.render(&painter);
            painter.end();
            image.convertTo(QImage::Format_RGBA8888_Premultiplied);

            QFile out(folder.filePath(QStringLiteral("%1-%2x%3.rgba")
                                          .arg(picture.name)
                                          .arg(size.width())
                                          .arg(size.height())));
            if (!out.open(QIODevice::WriteOnly) ||
                out.write(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()) !=
                    image.sizeInBytes())
                return 1;
        }
    }
    return 0;
}
