// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
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
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
