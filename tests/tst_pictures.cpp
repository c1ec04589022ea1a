// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pictures.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QTest>

namespace {

// icon painted into a transparent image of size at the ratio dpr.
QImage painted(const QIcon &icon, QSize size, qreal dpr, QIcon::Mode mode)
{
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(0, 0), size), Qt::AlignCenter, mode);
    return image;
}

// The SVG file drawn straight into such an image, filling it with its proportions kept.
QImage svgDrawn(const QString &file, QSize size, qreal dpr)
{
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(file);
    svg.setAspectRatioMode(Qt::KeepAspectRatio);
    QPainter painter(&image);
    svg.render(&painter);
    return image;
}

// The share of pixels in which one channel differs by more than a quarter of its range: the
// edges of a picture drawn at another size differ a little, another picture or none at all in
// most of what it covers.
double differing(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift : {0, 8, 16, 24})
                count += std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)) > 64;
        }
    }
    return double(count) / (a.width() * a.height() * 4);
}

} // namespace

// What the player sees of a picture at every pixel ratio, whether it was built in ready drawn or
// is drawn from its SVG file on the spot: its SVG file, in every state.
class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void drawnAtEveryRatio_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<QString>("other"); // another picture, which must not pass for it
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("dpr");
        for (qreal dpr : {1.0, 1.25, 1.5, 2.0}) {
            QTest::addRow("acuto %g", dpr)
                << "acuto" << QString() << "retto" << QSize(32, 32) << dpr;
            QTest::addRow("nota %g", dpr) << "nota"
                                          << "nota-grigia"
                                          << "esci" << QSize(20, 32) << dpr;
            QTest::addRow("app %g", dpr) << "app" << QString() << "giro" << QSize(64, 64) << dpr;
        }
    }
    void drawnAtEveryRatio()
    {
        QFETCH(QString, name);
        QFETCH(QString, disabled);
        QFETCH(QString, other);
        QFETCH(QSize, size);
        QFETCH(qreal, dpr);
        const QIcon icon = disabled.isEmpty() ? picture(qPrintable(name))
                                              : picture(qPrintable(name), qPrintable(disabled));
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const bool ownFile = mode == QIcon::Disabled && !disabled.isEmpty();
            // A state without a file of its own: the style's version of the normal picture.
            const auto expected = [&](const QString &file) {
                QImage drawn = svgDrawn(QStringLiteral(":/icons/%1.svg").arg(file), size, dpr);
                if (mode == QIcon::Normal || ownFile)
                    return drawn;
                return QApplication::style()
                    ->generatedIconPixmap(mode, QPixmap::fromImage(drawn), &option)
                    .toImage()
                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            };
            const QImage ours = painted(icon, size, dpr, mode);
            const QString file = ownFile ? disabled : name;
            QVERIFY2(differing(ours, expected(file)) < 0.01, qPrintable(file));
            QVERIFY2(differing(ours, expected(other)) > 0.05, qPrintable(other));
        }
    }

    // The window icon is handed to the window system at 16, 32, 64 and 128 pixels times the
    // screen's ratio: at the ratios 1 and 2 each must be built in drawn, or the start draws it.
    void windowIconBuiltInAtTheSizesHandedOn()
    {
        for (int ratio : {1, 2}) {
            for (int size : {16, 32, 64, 128}) {
                const int pixels = size * ratio;
                QVERIFY2(QFile::exists(QStringLiteral(":/icons/app-%1x%1.rgba").arg(pixels)),
                         qPrintable(QString::number(pixels)));
            }
        }
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
