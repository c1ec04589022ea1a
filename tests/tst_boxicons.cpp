// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/boxicons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// An icon theme named name in folder, holding only "dialog-ok" (a red square).
void writeTheme(const QString &folder, const QString &name)
{
    QDir(folder).mkpath(name + QStringLiteral("/16x16/actions"));
    QFile index(folder + QLatin1Char('/') + name + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=" + name.toUtf8() +
                "\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(folder + QLatin1Char('/') + name +
                     QStringLiteral("/16x16/actions/dialog-ok.png")));
}

QImage painted(const QIcon &icon, int size, qreal dpr, QIcon::Mode mode)
{
    QImage image(QSize(size, size) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(0, 0, size, size), Qt::AlignCenter, mode);
    return image;
}

} // namespace

class TestBoxIcons : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QIcon::setThemeName(QString());
        QIcon::setThemeSearchPaths({});
    }

    // Without a desktop icon theme the boxes show the style's own icons: the same pixels as the
    // style gives after searching the icon theme in vain, at every ratio and in every state.
    void withoutADesktopThemeTheStylesOwnIcons_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("size");
        for (auto [which, name] : {std::pair{QStyle::SP_DialogOkButton, "ok"},
                                   std::pair{QStyle::SP_DialogCancelButton, "cancel"},
                                   std::pair{QStyle::SP_MessageBoxInformation, "information"},
                                   std::pair{QStyle::SP_MessageBoxWarning, "warning"}}) {
            QTest::addRow("%s 16", name) << int(which) << 16;
            QTest::addRow("%s 48", name) << int(which) << 48;
        }
    }
    void withoutADesktopThemeTheStylesOwnIcons()
    {
        QFETCH(int, which);
        QFETCH(int, size);
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("fusion")));
        const std::unique_ptr<QStyle> ours(
            makeBoxIconsStyle(QStyleFactory::create(QStringLiteral("fusion"))));
        const auto sp = QStyle::StandardPixmap(which);
        const QIcon expected = plain->standardIcon(sp);
        const QIcon icon = ours->standardIcon(sp);
        for (qreal dpr : {1.0, 1.25, 1.5, 2.0}) {
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
                QVERIFY(painted(icon, size, dpr, mode) == painted(expected, size, dpr, mode));
        }
        // One icon serves every box: its pixmaps are made once and found again in Qt's cache.
        QCOMPARE(ours->standardIcon(sp).cacheKey(), icon.cacheKey());
    }

    // A desktop's icon theme is followed; the bare fallback theme is not searched.
    void followsADesktopThemeOnly_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<bool>("fromTheme");
        QTest::newRow("desktop") << "Escritorio" << true;
        QTest::newRow("fallback only") << "hicolor" << false;
    }
    void followsADesktopThemeOnly()
    {
        QFETCH(QString, theme);
        QFETCH(bool, fromTheme);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        writeTheme(folder.path(), theme);
        QIcon::setThemeSearchPaths({folder.path()});
        QIcon::setThemeName(theme);
        const std::unique_ptr<QStyle> ours(
            makeBoxIconsStyle(QStyleFactory::create(QStringLiteral("fusion"))));
        const QImage image = ours->standardIcon(QStyle::SP_DialogOkButton)
                                 .pixmap(16)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.pixel(8, 8) == qRgb(255, 0, 0), fromTheme);
    }

    void theApplicationStyleIsWrappedOnce()
    {
        shareBoxIcons();
        QStyle *style = QApplication::style();
        shareBoxIcons();
        QCOMPARE(QApplication::style(), style);
        QVERIFY(style->standardIcon(QStyle::SP_DialogOkButton).cacheKey() ==
                style->standardIcon(QStyle::SP_DialogOkButton).cacheKey());
    }
};

QTEST_MAIN(TestBoxIcons)
#include "tst_boxicons.moc"
