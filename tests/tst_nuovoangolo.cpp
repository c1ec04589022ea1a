// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/angles.h"
#include "game/game.h"
#include "tests/support/testsupport.h"

#include <QTest>

#include <cmath>
#include <set>

namespace {

// The outcome of each drawn amplitude, from the table of what the player can be shown.
struct Outcome
{
    int shown;
    int code;
};

Outcome expectedOutcome(int d)
{
    const auto in = [d](int lo, int hi) { return d >= lo && d <= hi; };
    if (d == 1 || in(9, 65) || in(85, 89))
        return {d, Acute};
    if (in(2, 8) || in(66, 84) || d == 90)
        return {90, Right};
    if (in(91, 115) || in(125, 155) || in(175, 179))
        return {d, Obtuse};
    if (in(116, 124) || in(156, 174) || d == 180)
        return {180, Straight};
    if (in(181, 315) || in(325, 335) || in(355, 359))
        return {d, Concave};
    return {360, Full}; // 316..324, 336..354, 360
}

} // namespace

class TestNuovoangolo : public QObject
{
    Q_OBJECT

private slots:
    void everyDrawnAmplitudeIsShownAndClassifiedAsTabled()
    {
        std::map<int, int> share;
        std::set<int> shownValues;
        for (int drawn = 1; drawn <= 360; ++drawn) {
            RecordingWindow window;
            ScriptedRandom random;
            FakeRecordStore record;
            random.numbers = {rFor(drawn)};
            Game game(window, random, record);
            game.nuovoangolo();

            const Outcome want = expectedOutcome(drawn);
            const QString where = QStringLiteral("drawn %1").arg(drawn);
            QVERIFY2(game.state().angolo == float(want.shown), qPrintable(where));
            QVERIFY2(game.state().tipoangolo == want.code, qPrintable(where));
            QCOMPARE(window.labelText(Label::lblangolo), QString::number(want.shown));
            ++share[game.state().tipoangolo];
            shownValues.insert(want.shown);
        }
        QCOMPARE(share[Acute], 63);
        QCOMPARE(share[Right], 27);
        QCOMPARE(share[Obtuse], 61);
        QCOMPARE(share[Straight], 29);
        QCOMPARE(share[Concave], 151);
        QCOMPARE(share[Full], 29);
        QCOMPARE(share.count(BeyondFull), size_t(0));
        QCOMPARE(shownValues.size(), size_t(278));
    }

    void extremesOfTheRandomNumber_data()
    {
        QTest::addColumn<float>("r");
        QTest::addColumn<int>("amplitude");
        QTest::addColumn<int>("code");
        QTest::newRow("r = 0") << 0.0f << 1 << int(Acute);
        QTest::newRow("largest float below 1") << std::nextafter(1.0f, 0.0f) << 360 << int(Full);
        QTest::newRow("just below 1/360 stays 1")
            << std::nextafter(1.0f / 360, 0.0f) << 1 << int(Acute);
        QTest::newRow("89.5/360 is 90") << float(89.5 / 360) << 90 << int(Right);
    }
    void extremesOfTheRandomNumber()
    {
        QFETCH(float, r);
        QFETCH(int, amplitude);
        QFETCH(int, code);
        RecordingWindow window;
        ScriptedRandom random;
        FakeRecordStore record;
        random.numbers = {r};
        Game game(window, random, record);
        game.nuovoangolo();
        QCOMPARE(game.state().angolo, float(amplitude));
        QCOMPARE(game.state().tipoangolo, code);
        QCOMPARE(window.labelText(Label::lblangolo), QString::number(amplitude));
    }

    void stepsRunInOrderWithTheSectorOfTheAngle()
    {
        RecordingWindow window;
        ScriptedRandom random;
        FakeRecordStore record;
        random.numbers = {rFor(70)};
        Game game(window, random, record);
        game.nuovoangolo();

        QCOMPARE(random.seedings, 1);
        const QStringList want = {
            QStringLiteral("clear"),
            QStringLiteral("fill 00800000"),
            QStringLiteral("sector 350 250 190 0 0 90"),
            QStringLiteral("label %1 90").arg(int(Label::lblangolo)),
        };
        QCOMPARE(window.log, want);
        QCOMPARE(window.sectors.size(), 1);
        QCOMPARE(window.sectors[0].end, 90.0f);
    }

    void everyDrawReseedsAndClearsTheLastSector()
    {
        RecordingWindow window;
        ScriptedRandom random;
        FakeRecordStore record;
        random.numbers = {rFor(200), rFor(30)};
        Game game(window, random, record);
        game.nuovoangolo();
        game.nuovoangolo();
        QCOMPARE(random.seedings, 2);
        QCOMPARE(window.log.count(QStringLiteral("clear")), 2);
        QCOMPARE(window.sectors.size(), 1); // the clearing took the first one away
        QCOMPARE(window.sectors[0].end, 30.0f);
        QCOMPARE(game.state().tipoangolo, int(Acute));
    }

    void snappingWindowsHaveStrictBounds_data()
    {
        QTest::addColumn<float>("amplitude");
        QTest::addColumn<float>("snapped");
        for (float a : {0.f, 1.f, 9.f, 65.f, 85.f, 115.f, 125.f, 155.f, 175.f, 315.f, 325.f, 335.f,
                        355.f, 90.f, 180.f, 360.f, 181.f})
            QTest::addRow("%g stays", double(a)) << a << a;
        for (float a : {2.f, 8.f, 66.f, 84.f})
            QTest::addRow("%g to 90", double(a)) << a << 90.f;
        for (float a : {116.f, 124.f, 156.f, 174.f})
            QTest::addRow("%g to 180", double(a)) << a << 180.f;
        for (float a : {316.f, 324.f, 336.f, 354.f})
            QTest::addRow("%g to 360", double(a)) << a << 360.f;
    }
    void snappingWindowsHaveStrictBounds()
    {
        QFETCH(float, amplitude);
        QFETCH(float, snapped);
        QCOMPARE(snapAmplitude(amplitude), snapped);
    }

    void classificationChainLetsTheLastHoldingTestWin_data()
    {
        QTest::addColumn<float>("amplitude");
        QTest::addColumn<int>("code");
        QTest::newRow("89") << 89.f << int(Acute);
        QTest::newRow("90") << 90.f << int(Right);
        QTest::newRow("91") << 91.f << int(Obtuse);
        QTest::newRow("180") << 180.f << int(Straight);
        QTest::newRow("181") << 181.f << int(Concave);
        QTest::newRow("359") << 359.f << int(Concave);
        QTest::newRow("360 is full, not concave") << 360.f << int(Full);
        QTest::newRow("beyond a full turn") << 361.f << int(BeyondFull);
    }
    void classificationChainLetsTheLastHoldingTestWin()
    {
        QFETCH(float, amplitude);
        QFETCH(int, code);
        int tipoangolo = 0;
        classifyAmplitude(amplitude, tipoangolo);
        QCOMPARE(tipoangolo, code);
    }
};

QTEST_GUILESS_MAIN(TestNuovoangolo)
#include "tst_nuovoangolo.moc"
