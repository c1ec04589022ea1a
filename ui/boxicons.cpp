// SPDX-License-Identifier: GPL-3.0-or-later
#include "boxicons.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QProxyStyle>

#include <algorithm>
#include <array>
#include <map>

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

// The style's own pictures of the OK and Cancel buttons ("ok", "cancel"), which Qt keeps at these
// sizes; null if they are not there. Read as the PNG files they are: QIcon::addFile(), as the style
// uses it, first offers each file to every image format plugin, which loads them all (Qt's SVG
// library with one of them) to no purpose.
QIcon styleButtonIcon(const char *name)
{
    QIcon icon;
    for (int size : {16, 32, 128}) {
        QImageReader reader(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-%1-%2.png")
                .arg(QLatin1String(name))
                .arg(size),
            "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (image.isNull())
            return {};
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
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
