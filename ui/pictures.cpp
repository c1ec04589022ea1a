// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <map>
#include <memory>
#include <tuple>
#include <utility>

// The pictures live in this static library: make sure the linker keeps them.
static void initPictures()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

using Renderer = std::shared_ptr<QSvgRenderer>;

// The parsed file of a picture: parsed at the first call, kept while an icon holds it.
Renderer rendererFor(const char *name)
{
    static QHash<QString, std::weak_ptr<QSvgRenderer>> parsed;
    if (parsed.isEmpty())
        initPictures();
    const QString file = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    if (Renderer kept = parsed.value(file).lock())
        return kept;
    auto renderer = std::make_shared<QSvgRenderer>(file);
    parsed.insert(file, renderer);
    return renderer;
}

// Draws its pictures as Qt's SVG icon engine does, from files parsed once: the picture's own
// size scaled into the size asked for, keeping its proportions; a state without a file of its
// own is derived from the normal picture by the style.
class PictureEngine final : public QIconEngine
{
public:
    PictureEngine(Renderer normal, Renderer disabled)
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
    Renderer m_normal;
    Renderer m_disabled;                                  // or none
    std::map<std::tuple<int, int, int>, QPixmap> m_drawn; // by mode, width and height

    QPixmap draw(const QSize &size, QIcon::Mode mode) const
    {
        const bool ownFile = mode == QIcon::Disabled && m_disabled;
        QSvgRenderer &renderer = ownFile ? *m_disabled : *m_normal;
        if (!renderer.isValid())
            return {};
        QSize actual = renderer.defaultSize();
        actual.scale(size, Qt::KeepAspectRatio);
        if (actual.isEmpty())
            return {};
        QImage image(actual, QImage::Format_ARGB32_Premultiplied);
        image.fill(0);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        QPixmap drawn = QPixmap::fromImage(image);
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
    return QIcon(new PictureEngine(rendererFor(name), nullptr));
}

QIcon picture(const char *name, const char *disabledName)
{
    return QIcon(new PictureEngine(rendererFor(name), rendererFor(disabledName)));
}
