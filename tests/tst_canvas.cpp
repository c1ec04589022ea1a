// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/canvas.h"
#include "ui/sector.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr BgrColor teal = 0x00C0C000;
constexpr QRgb tealRgb = 0xFF00C0C0;
constexpr QRgb navyRgb = 0xFF000080;
constexpr QRgb blackRgb = 0xFF000000;
constexpr double cx = 350, cy = 250, radius = 190;

QImage drawAmplitude(float amplitude, qreal dpr = 1.0)
{
    Canvas canvas(QSize(723, 587), teal);
    canvas.setFillColor(0x00800000);
    pigrecoesettore(canvas, float(cx), float(cy), float(radius), 0, 0.f, amplitude);
    return canvas.image(dpr);
}

// The colour at a point given in logical pixels.
QRgb at(const QImage &image, double x, double y)
{
    const qreal dpr = image.devicePixelRatio();
    return image.pixel(int(std::floor(x * dpr)), int(std::floor(y * dpr))) | 0xFF000000;
}

// A point at a bearing (degrees clockwise from 12 o'clock) and a distance from the centre.
QPointF polar(double bearing, double distance)
{
    const double t = bearing * std::numbers::pi / 180;
    return {cx + distance * std::sin(t), cy - distance * std::cos(t)};
}

// How far a point is from the radius at a bearing.
double distanceFromRadius(double pointBearing, double distance, double radiusBearing)
{
    double delta = std::fmod(std::abs(pointBearing - radiusBearing), 360.0);
    delta = std::min(delta, 360.0 - delta) * std::numbers::pi / 180;
    return delta >= std::numbers::pi / 2 ? distance : distance * std::sin(delta);
}

QString rgb(QRgb c)
{
    return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private slots:
    void sectorPixels_data()
    {
        QTest::addColumn<float>("amplitude");
        QTest::addColumn<qreal>("dpr");
        for (float a : {1.f, 45.f, 90.f, 91.f, 135.f, 180.f, 270.f, 359.f, 360.f})
            QTest::addRow("%g", double(a)) << a << qreal(1.0);
        QTest::newRow("135 at 1.25x") << 135.f << qreal(1.25);
        QTest::newRow("270 at 1.5x") << 270.f << qreal(1.5);
        QTest::newRow("135 at 2x") << 135.f << qreal(2.0);
        QTest::newRow("360 at 2x") << 360.f << qreal(2.0);
    }
    void sectorPixels()
    {
        QFETCH(float, amplitude);
        QFETCH(qreal, dpr);
        const QImage image = drawAmplitude(amplitude, dpr);
        QCOMPARE(image.size(), QSize(723, 587) * dpr);

        // Well inside is dark blue, well outside is the window's teal.
        const double margin = 3.0;
        for (double d = 10; d <= 200; d += 5) {
            for (double b = 0.5; b < 360; b += 1.0) {
                const double fromEdges =
                    std::min(distanceFromRadius(b, d, 0), distanceFromRadius(b, d, amplitude));
                const bool inside = b < amplitude && d < radius - margin && fromEdges > margin;
                const bool outside =
                    d > radius + margin || (b > amplitude && fromEdges > margin && amplitude < 360);
                if (!inside && !outside)
                    continue;
                const QPointF p = polar(b, d);
                const QRgb want = inside ? navyRgb : tealRgb;
                QVERIFY2(at(image, p.x(), p.y()) == want,
                         qPrintable(QStringLiteral("bearing %1 distance %2: %3, not %4")
                                        .arg(b)
                                        .arg(d)
                                        .arg(rgb(at(image, p.x(), p.y())), rgb(want))));
            }
        }

        // The radius at 12 o'clock is black.
        for (double y = cy - 180; y <= cy - 10; y += 1)
            QVERIFY2(at(image, cx, y) == blackRgb, qPrintable(QStringLiteral("y %1").arg(y)));

        // Past 3 o'clock the sector is painted in two halves: their seam, just above 3 o'clock,
        // stays dark blue.
        if (amplitude > 90) {
            for (double d = 10; d <= radius - margin; d += 1) {
                if (distanceFromRadius(90 - 0.01 * 180 / std::numbers::pi, d, amplitude) < margin)
                    continue; // the end radius of a sector just past 3 o'clock
                const double y = cy - d * 0.01;
                for (double dy : {-1.0, 0.0, 1.0})
                    QVERIFY2(at(image, cx + d, y + dy) == navyRgb,
                             qPrintable(QStringLiteral("seam at %1: %2")
                                            .arg(d)
                                            .arg(rgb(at(image, cx + d, y + dy)))));
            }
        }
    }

    void aFullTurnShowsOneRadius()
    {
        const QImage image = drawAmplitude(360);
        int blackRuns = 0;
        bool previous = false;
        for (double b = 180; b < 540; b += 0.05) {
            const QPointF p = polar(b, 120);
            const bool black = at(image, p.x(), p.y()) == blackRgb;
            if (black && !previous)
                ++blackRuns;
            previous = black;
        }
        QCOMPARE(blackRuns, 1);
    }

    void aZeroAmplitudeDrawsOneRadiusAndNoFill()
    {
        const QImage image = drawAmplitude(0);
        int black = 0;
        int navy = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y) | 0xFF000000;
                black += c == blackRgb;
                navy += c == navyRgb;
            }
        }
        QCOMPARE(navy, 0);
        QVERIFY(black >= 190 && black <= 192);
        QCOMPARE(at(image, cx, cy - 100), blackRgb);
    }

    void clearingErasesEveryDrawingAndReportsWhatChanged()
    {
        Canvas canvas(QSize(723, 587), teal);
        QVERIFY(canvas.takeChanged().isEmpty());
        canvas.setFillColor(0x00800000);
        pigrecoesettore(canvas, 350, 250, 190, 0, 0.f, 200.f);
        const QRect drawn = canvas.takeChanged();
        QVERIFY(drawn.contains(QRect(350, 60, 191, 381)));
        QVERIFY(!drawn.contains(QPoint(200, 250))); // the sector keeps clear of 9 o'clock
        QVERIFY(canvas.takeChanged().isEmpty());

        canvas.clear();
        QCOMPARE(canvas.takeChanged(), drawn);
        for (int y = 0; y < 587; y += 7)
            for (int x = 0; x < 723; x += 7)
                QCOMPARE(canvas.image().pixel(x, y) | 0xFF000000, tealRgb);
    }

    void circleFollowsItsSignRules()
    {
        // One negative angle: an arc and one radius, nothing filled.
        Canvas canvas(QSize(723, 587), teal);
        canvas.setFillColor(0x00800000);
        canvas.Circle(350, 250, 100, 0x000000FF, -0.0001, 3.1415);
        const QImage image = canvas.image();
        const QRgb red = 0xFFFF0000;
        QVERIFY(at(image, 400, 250) == red || at(image, 400, 249) == red); // radius at 3 o'clock
        QCOMPARE(at(image, 350, 200), tealRgb); // inside the half disc: not filled
        QCOMPARE(at(image, 350, 150), red);     // the arc through 12 o'clock
        QCOMPARE(at(image, 300, 250), tealRgb); // no radius at 9 o'clock
    }

    // What the window shows is the drawing itself, to the pixel, whatever the scale and whatever
    // part is repainted.
    void paintingShowsTheDrawingToThePixel_data()
    {
        QTest::addColumn<qreal>("dpr");
        QTest::addColumn<QRect>("area");
        for (qreal dpr : {1.0, 1.25, 1.5, 2.0}) {
            QTest::addRow("whole at %g", dpr) << dpr << QRect(0, 0, 723, 587);
            QTest::addRow("a turn's change at %g", dpr) << dpr << QRect(158, 58, 385, 385);
            QTest::addRow("across the edge at %g", dpr) << dpr << QRect(100, 300, 200, 40);
        }
        QTest::newRow("nothing drawn") << qreal(1.5) << QRect(0, 0, 723, 587);
    }
    void paintingShowsTheDrawingToThePixel()
    {
        QFETCH(qreal, dpr);
        QFETCH(QRect, area);
        Canvas canvas(QSize(723, 587), teal);
        canvas.setFillColor(0x00800000);
        if (QByteArray(QTest::currentDataTag()) != "nothing drawn") {
            pigrecoesettore(canvas, 350, 250, 190, 0, 0.f, 200.f);
            canvas.clear();
            pigrecoesettore(canvas, 350, 250, 190, 0, 0.f, 135.f);
        }
        const QImage want = canvas.image(dpr);

        QImage shown(want.size(), QImage::Format_RGB32);
        shown.fill(Qt::magenta); // anything left unpainted shows
        shown.setDevicePixelRatio(dpr);
        {
            QPainter painter(&shown);
            painter.setClipRect(area);
            canvas.paint(painter, area);
        }
        const QRect pixels = QRectF(QPointF(area.topLeft()) * dpr, QSizeF(area.size()) * dpr)
                                 .toRect()
                                 .adjusted(1, 1, -1, -1);
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                if (shown.pixel(x, y) != want.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3, not %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(rgb(shown.pixel(x, y)), rgb(want.pixel(x, y)))));
            }
        }
    }

    // Each stroke keeps the fill colour it was drawn with, whenever it is painted again.
    void aDrawingKeepsItsFillColour()
    {
        Canvas canvas(QSize(723, 587), teal);
        canvas.setFillColor(0x00800000);
        pigrecoesettore(canvas, 350, 250, 190, 0, 0.f, 135.f);
        canvas.setFillColor(0x000000FF);
        QCOMPARE(at(canvas.image(2.0), 450, 300), navyRgb);
    }

    // Circles far outside the drawing, or with sizes no screen has, touch nothing they should not.
    void circlesOutOfRangeAreHarmless_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<float>("radius");
        QTest::addColumn<bool>("inside");
        QTest::newRow("far right") << 3e9f << 250.f << 10.f << false;
        QTest::newRow("far above") << 350.f << -3e9f << 10.f << false;
        QTest::newRow("huge radius") << 350.f << 250.f << 3e9f << true;
        QTest::newRow("negative radius") << 350.f << 250.f << -50.f << true;
        QTest::newRow("not a number")
            << std::numeric_limits<float>::quiet_NaN() << 250.f << 10.f << false;
        QTest::newRow("infinite radius")
            << 350.f << 250.f << std::numeric_limits<float>::infinity() << false;
    }
    void circlesOutOfRangeAreHarmless()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(float, radius);
        QFETCH(bool, inside);
        const QImage blank = Canvas(QSize(723, 587), teal).image(1.5);
        Canvas canvas(QSize(723, 587), teal);
        canvas.setFillColor(0x00800000);
        canvas.Circle(x, y, radius, 0, -0.5, -2.0);
        const QRect changed = canvas.takeChanged();
        QCOMPARE(!changed.isEmpty(), inside);
        QVERIFY(QRect(0, 0, 723, 587).contains(changed) || changed.isEmpty());
        QCOMPARE(canvas.image(1.5) != blank, inside);
        canvas.clear();
        QVERIFY(canvas.image(1.5) == blank);
    }
};

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
