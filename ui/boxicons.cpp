// SPDX-License-Identifier: GPL-3.0-or-later
#include "boxicons.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QProxyStyle>

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace {

// What the boxes show: the icons of the message boxes' kinds and of their standard buttons.
constexpr std::array boxIcons = {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxWarning,
                                 QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton};

// Whether the icon theme is a desktop's own. Without a desktop, Qt names the fallback theme
// "hicolor" (or none at all), where the style's standard icons are never found.
bool desktopIconTheme()
{
    const QString theme = QIcon::themeName();
    return !theme.isEmpty() && theme != QLatin1String("hicolor");
}

// The style's own picture of the OK or Cancel button ("ok", "cancel"), which Qt keeps at these
// sizes as PNG files.
constexpr std::array buttonPictureSizes = {16, 32, 128};

QString buttonPictureFile(const char *name, int size)
{
    return QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-%1-%2.png")
        .arg(QLatin1String(name))
        .arg(size);
}

// Such a button's icon, reading each file only when a size it serves is first asked for: a screen
// of ratio 1 needs only the 16-pixel one, and the 128-pixel one alone would take 64 KiB. It picks,
// scales and paints as Qt's icon of pixmaps does with every size given at once; what is read goes
// into such an icon, which scales and derives the other states as before.
class ButtonPictureEngine final : public QIconEngine
{
public:
    explicit ButtonPictureEngine(const char *name) : m_name(name) {}

    QIconEngine *clone() const override { return new ButtonPictureEngine(*this); }
    QString key() const override { return QStringLiteral("sferdoni-button-picture"); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int size : buttonPictureSizes)
            sizes << QSize(size, size);
        return sizes;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        if (!read(size))
            return {};
        const int side = buttonPictureSizes[pick(size)];
        QSize actual(side, side);
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        if (!read(size))
            return {};
        return m_read.pixmap(size, 1.0, mode, state);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio =
            painter->device() ? painter->device()->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

private:
    const char *m_name;
    QIcon m_read; // the sizes read so far
    std::array<std::optional<bool>, buttonPictureSizes.size()> m_readable{}; // once tried

    // The size an icon of every size draws size from: the smallest at least as large, or else the
    // largest. An icon holding it and any others picks it too.
    static std::size_t pick(const QSize &size)
    {
        for (std::size_t i = 0; i < buttonPictureSizes.size(); ++i) {
            if (buttonPictureSizes[i] * buttonPictureSizes[i] >= size.width() * size.height())
                return i;
        }
        return buttonPictureSizes.size() - 1;
    }

    // Whether the file that size is drawn from could be read. Read as the PNG file it is:
    // QIcon::addFile() first offers a file to every image format plugin, which loads them all
    // (Qt's SVG library with one of them) to no purpose.
    bool read(const QSize &size)
    {
        const std::size_t which = pick(size);
        std::optional<bool> &readable = m_readable[which];
        if (!readable) {
            QImageReader reader(buttonPictureFile(m_name, buttonPictureSizes[which]), "png");
            reader.setAutoDetectImageFormat(false);
            const QImage image = reader.read();
            readable = !image.isNull();
            if (*readable)
                m_read.addPixmap(QPixmap::fromImage(image));
        }
        return *readable;
    }
};

// The OK or Cancel button's icon; null if the style's pictures are not where Qt keeps them.
QIcon styleButtonIcon(const char *name)
{
    for (int size : buttonPictureSizes) {
        if (!QFile::exists(buttonPictureFile(name, size)))
            return {};
    }
    return QIcon(new ButtonPictureEngine(name));
}

class BoxIconsStyle final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        if (option || std::find(boxIcons.begin(), boxIcons.end(), which) == boxIcons.end())
            return QProxyStyle::standardIcon(which, option, widget);
        QIcon &icon = m_icons[which];
        if (icon.isNull())
            icon = make(which, widget);
        return icon;
    }

private:
    mutable std::map<StandardPixmap, QIcon> m_icons;

    QIcon make(StandardPixmap which, const QWidget *widget) const
    {
        if (desktopIconTheme())
            return QProxyStyle::standardIcon(which, nullptr, widget);
        if (which == SP_DialogOkButton || which == SP_DialogCancelButton) {
            QIcon icon = styleButtonIcon(which == SP_DialogOkButton ? "ok" : "cancel");
            if (!icon.isNull())
                return icon;
        }
        // The style looks in the icon theme only while the application follows the desktop's
        // settings; for the moment of this call it does not, and the style gives its own icon,
        // the one it would fall back to after finding nothing.
        const bool aware = QGuiApplication::desktopSettingsAware();
        QGuiApplication::setDesktopSettingsAware(false);
        QIcon icon = QProxyStyle::standardIcon(which, nullptr, widget);
        QGuiApplication::setDesktopSettingsAware(aware);
        return icon;
    }
};

} // namespace

QStyle *makeBoxIconsStyle(QStyle *base)
{
    return new BoxIconsStyle(base);
}

void shareBoxIcons()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()) ||
        dynamic_cast<BoxIconsStyle *>(QApplication::style()))
        return;
    QApplication::setStyle(makeBoxIconsStyle(QApplication::style()));
}
