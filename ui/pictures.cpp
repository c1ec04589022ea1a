// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"
#include "svgpicture.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QResource>
#include <QStyle>
#include <QStyleOption>

#include <map>
#include <optional>
#include <tuple>
#include <utility>

// The SVG files live in this static library: make sure the linker keeps them.
static void initPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered)
}

namespace {

// One picture file. The sizes the window draws at start are built in as pixels ready to show,
// drawn from the SVG file at build time (see CMakeLists.txt); any other size is drawn from the SVG
// file when first asked for.
class PictureFile
{
public:
    explicit PictureFile(QString name) : m_name(std::move(name)) {}

    // The picture fitted into size, keeping its proportions; null if it can't be drawn.
    QPixmap draw(QSize size)
    {
        const QResource shipped(QStringLiteral(":/icons/%1-%2x%3.rgba")
                                    .arg(m_name)
                                    .arg(size.width())
                                    .arg(size.height()));
        const QByteArray pixels = shipped.uncompressedData();
        if (pixels.size() == qsizetype(size.width()) * size.height() * 4) {
            // Converted into an image of its own: the pixels may be a decompressed copy.
            const QImage shippedImage(reinterpret_cast<const uchar *>(pixels.constData()),
                                      size.width(), size.height(), qsizetype(size.width()) * 4,
                                      QImage::Format_RGBA8888_Premultiplied);
            return QPixmap::fromImage(
                shippedImage.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
        return QPixmap::fromImage(drawSvg(QStringLiteral(":/icons/%1.svg").arg(m_name), size));
    }

private:
    QString m_name;
};

// Draws its pictures as Qt's SVG icon engine does: the picture's own size scaled into the size
// asked for, keeping its proportions; a state without a file of its own is derived from the
// normal picture by the style.
class PictureEngine final : public QIconEngine
{
public:
    PictureEngine(PictureFile normal, std::optional<PictureFile> disabled)
        : m_normal(std::move(normal)), m_disabled(std::move(disabled))
    {}

    QIconEngine *clone() const override { return new PictureEngine(m_normal, m_disabled); }
    QString key() const override { return QStringLiteral("sferdoni-picture"); }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return pixmap(size, mode, state).size();
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        QSize pixels = rect.size();
        if (painter->device())
            pixels *= painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(pixels, mode, state));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        QPixmap &drawn = m_drawn[{int(mode), size.width(), size.height()}];
        if (drawn.isNull())
            drawn = draw(size, mode);
        return drawn;
    }

private:
    PictureFile m_normal;
    std::optional<PictureFile> m_disabled;
    std::map<std::tuple<int, int, int>, QPixmap> m_drawn; // by mode, width and height

    QPixmap draw(const QSize &size, QIcon::Mode mode)
    {
        const bool ownFile = mode == QIcon::Disabled && m_disabled;
        QPixmap drawn = (ownFile ? *m_disabled : m_normal).draw(size);
        if (drawn.isNull())
            return {};
        if (mode != QIcon::Normal && !ownFile &&
            qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            const QPixmap generated =
                QApplication::style()->generatedIconPixmap(mode, drawn, &option);
            if (!generated.isNull())
                drawn = generated;
        }
        return drawn;
    }
};

} // namespace

QIcon picture(const char *name)
{
    initPictures();
    return QIcon(new PictureEngine(PictureFile(QLatin1String(name)), std::nullopt));
}

QIcon picture(const char *name, const char *disabledName)
{
    initPictures();
    return QIcon(new PictureEngine(PictureFile(QLatin1String(name)),
                                   PictureFile(QLatin1String(disabledName))));
}
