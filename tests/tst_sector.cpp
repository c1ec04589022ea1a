// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sector.h"

#include <QTest>

#include <cmath>

namespace {

// Records every Circle call; each read of FillColor gives a different colour, so the test can
// tell which read served which call.
class RecordingSurface : public DrawingSurface
{
public:
    struct Call
    {
        BgrColor color;
        double start;
        double end;
    };
    QList<Call> calls;
    mutable BgrColor nextFill = 0x00800000;

    BgrColor FillColor() const override { return nextFill++; }
    void Circle(float x, float y, float radius, BgrColor color, double start, double end) override
    {
        QCOMPARE(x, 350.0f);
        QCOMPARE(y, 250.0f);
        QCOMPARE(radius, 190.0f);
        calls << Call{color, start, end};
    }
};

constexpr BgrColor outline = 0x00000007;

bool near(double actual, double expected, double tolerance = 1e-7)
{
    return std::abs(actual - expected) <= tolerance;
}

bool isSingle(double value)
{
    return double(float(value)) == value;
}

} // namespace

class TestSector : public QObject
{
    Q_OBJECT

private slots:
    void bearingsBecomeDrawingAngles_data()
    {
        QTest::addColumn<float>("bearing");
        QTest::addColumn<double>("radians");
        QTest::newRow("12 o'clock") << 0.f << 1.5707964;
        QTest::newRow("half past one") << 45.f << 0.7853982;
        QTest::newRow("6 o'clock") << 180.f << -1.5707964;
        QTest::newRow("9 o'clock") << 270.f << -3.1415927;
        QTest::newRow("full turn") << 360.f << -4.712389;
    }
    void bearingsBecomeDrawingAngles()
    {
        QFETCH(float, bearing);
        QFETCH(double, radians);
        const float result = trasformaradianti(bearing);
        QVERIFY2(near(result, radians), qPrintable(QString::number(double(result), 'g', 10)));
    }

    void threeOClockKeepsTheDoubleResidue()
    {
        // pi/2 - 90 * pi / 180 is not 0 in double precision with the game's pi: the residue
        // survives the rounding to single and keeps 90 on the one-call path.
        const float result = trasformaradianti(90.f);
        QVERIFY(result != 0.0f);
        QVERIFY(result > 0.0f);
        QVERIFY(result < 1e-15f);
    }

    void sectorsThatDoNotCrossThreeOClockTakeOneCall_data()
    {
        QTest::addColumn<float>("from");
        QTest::addColumn<float>("to");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::newRow("0 to 45") << 0.f << 45.f << -0.7853982 << -1.5707964;
        QTest::newRow("0 to 90") << 0.f << 90.f << -2.2e-16 << -1.5707964;
        QTest::newRow("90 to 0, exchanged") << 90.f << 0.f << -2.2e-16 << -1.5707964;
        QTest::newRow("100 to 200, both raised a turn")
            << 100.f << 200.f << -4.3633231 << -6.1086526;
        QTest::newRow("0 to 0") << 0.f << 0.f << -1.5707964 << -1.5707964;
    }
    void sectorsThatDoNotCrossThreeOClockTakeOneCall()
    {
        QFETCH(float, from);
        QFETCH(float, to);
        QFETCH(double, start);
        QFETCH(double, end);
        RecordingSurface surface;
        pigrecoesettore(surface, 350, 250, 190, outline, from, to);
        QCOMPARE(surface.calls.size(), 1);
        const auto &call = surface.calls[0];
        QCOMPARE(call.color, outline);
        QVERIFY2(near(call.start, start, std::max(1e-7 * std::abs(start), 5e-18)),
                 qPrintable(QString::number(call.start, 'g', 10)));
        QVERIFY2(near(call.end, end), qPrintable(QString::number(call.end, 'g', 10)));
        QVERIFY(call.start < 0 && call.end < 0); // one closed, filled pie
        QVERIFY(isSingle(call.start) && isSingle(call.end));
    }

    void sectorsThatCrossThreeOClockTakeFourCalls_data()
    {
        QTest::addColumn<float>("amplitude");
        QTest::addColumn<double>("wrapped");
        QTest::newRow("0 to 180") << 180.f << 4.712389;
        QTest::newRow("0 to 360") << 360.f << 1.5707963;
        QTest::newRow("0 to 91") << 91.f << 6.2657320;
        QTest::newRow("0 to 270") << 270.f << 3.1415926;
    }
    void sectorsThatCrossThreeOClockTakeFourCalls()
    {
        QFETCH(float, amplitude);
        QFETCH(double, wrapped);
        RecordingSurface surface;
        pigrecoesettore(surface, 350, 250, 190, outline, 0.f, amplitude);
        QCOMPARE(surface.calls.size(), 4);
        const auto &c = surface.calls;
        const auto high = double(1.5707964f);

        // Two filled halves, each outlined in the fill colour read just before it.
        QCOMPARE(c[0].color, BgrColor(0x00800000));
        QCOMPARE(c[1].color, BgrColor(0x00800001));
        QVERIFY2(near(c[0].start, -wrapped, 2e-7),
                 qPrintable(QString::number(c[0].start, 'g', 10)));
        QCOMPARE(c[0].end, -0.01);
        QCOMPARE(c[1].start, -0.01);
        QVERIFY(near(c[1].end, -high));
        // Then the outline without the seam.
        QCOMPARE(c[2].color, outline);
        QCOMPARE(c[2].start, c[0].start);
        QCOMPARE(c[2].end, +0.01);
        QCOMPARE(c[3].color, outline);
        QCOMPARE(c[3].start, +0.01);
        QCOMPARE(c[3].end, c[1].end);
        // The wrapped angle is computed in double precision and passed on unrounded.
        QVERIFY(!isSingle(c[0].start));
    }

    void sweepFromLargerBearingIsTheSameSector()
    {
        RecordingSurface a;
        RecordingSurface b;
        pigrecoesettore(a, 350, 250, 190, outline, 0.f, 200.f);
        pigrecoesettore(b, 350, 250, 190, outline, 200.f, 0.f);
        QCOMPARE(a.calls.size(), b.calls.size());
        for (qsizetype i = 0; i < a.calls.size(); ++i) {
            QCOMPARE(a.calls[i].start, b.calls[i].start);
            QCOMPARE(a.calls[i].end, b.calls[i].end);
        }
    }
};

QTEST_GUILESS_MAIN(TestSector)
#include "tst_sector.moc"
