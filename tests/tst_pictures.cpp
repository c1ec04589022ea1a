// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

// The pictures look as Qt's own SVG icons of the same files would: the same pixels at every
// ratio, in every state, and the disabled clef from its own file.
class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void paintedAsQtsOwnSvgIcons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("dpr");
        for (qreal dpr : {1.0, 1.25, 1.5, 2.0}) {
            QTest::addRow("acuto %g", dpr) << "acuto" << QString() << QSize(32, 32) << dpr;
            QTest::addRow("nota %g", dpr) << "nota"
                                          << "nota-grigia" << QSize(50, 80) << dpr;
        }
    }
    void paintedAsQtsOwnSvgIcons()
    {
        QFETCH(QString, name);
        QFETCH(QString, disabled);
        QFETCH(QSize, size);
        QFETCH(qreal, dpr);
        const QIcon ours = disabled.isEmpty() ? picture(qPrintable(name))
                                              : picture(qPrintable(name), qPrintable(disabled));
        QIcon qts(QStringLiteral(":/icons/%1.svg").arg(name));
        if (!disabled.isEmpty())
            qts.addFile(QStringLiteral(":/icons/%1.svg").arg(disabled), QSize(), QIcon::Disabled);
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const auto painted = [&](const QIcon &icon) {
                QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(dpr);
                image.fill(Qt::transparent);
                QPainter painter(&image);
                icon.paint(&painter, QRect(QPoint(0, 0), size), Qt::AlignCenter, mode);
                return image;
            };
            QVERIFY(painted(ours) == painted(qts));
        }
        QCOMPARE(ours.pixmap(size).size(), qts.pixmap(size).size());
    }

    // The window icon is handed to the window system at 16, 32, 64 and 128 pixels times the
    // screen's ratio: at the ratios 1 and 2 each must be shipped drawn, or the start loads Qt's SVG
    // engine to draw it.
    void windowIconShippedAtTheSizesHandedOn()
    {
        for (int ratio : {1, 2}) {
            for (int size : {16, 32, 64, 128}) {
                const int pixels = size * ratio;
                QVERIFY2(QFile::exists(QStringLiteral(":/icons/app-%1x%1.rgba").arg(pixels)),
                         qPrintable(QString::number(pixels)));
            }
        }
    }

    // A shipped rendering that no longer matches its SVG file would show the old picture on
    // screens of ratio 1 and 2 only.
    void shippedRenderingsMatchTheirFiles_data()
    {
        QTest::addColumn<QString>("file");
        QDirIterator it(QStringLiteral(":/icons"), {QStringLiteral("*.rgba")});
        while (it.hasNext()) {
            const QString file = it.next();
            QTest::newRow(qPrintable(file)) << file;
        }
    }
    void shippedRenderingsMatchTheirFiles()
    {
        QFETCH(QString, file);
        static const QRegularExpression named(QStringLiteral(R"(/([a-z-]+)-(\d+)x(\d+)\.rgba$)"));
        const QRegularExpressionMatch m = named.match(file);
        QVERIFY(m.hasMatch());
        const QSize size(m.captured(2).toInt(), m.captured(3).toInt());
        QFile shipped(file);
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QByteArray bytes = shipped.readAll();
        QCOMPARE(bytes.size(), qsizetype(size.width()) * size.height() * 4);
        const QImage image(reinterpret_cast<const uchar *>(bytes.constData()), size.width(),
                           size.height(), qsizetype(size.width()) * 4,
                           QImage::Format_RGBA8888_Premultiplied);
        const QImage fromSvg = QIcon(QStringLiteral(":/icons/%1.svg").arg(m.captured(1)))
                                   .pixmap(size)
                                   .toImage()
                                   .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QVERIFY2(image == fromSvg, "stale: run render-pictures (ui/icons/render.cpp)");
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
