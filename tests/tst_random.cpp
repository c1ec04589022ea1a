// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/clockrandom.h"

#include <QTest>

#include <array>
#include <set>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    void numbersLieInTheUnitInterval()
    {
        ClockRandom random;
        for (int i = 0; i < 100000; ++i) {
            if (i % 100 == 0)
                random.randomize();
            const float r = random.next();
            QVERIFY(r >= 0.0f);
            QVERIFY(r < 1.0f);
        }
    }

    void drawsWithinTheSameClockTickStillDiffer()
    {
        // A clock that never moves: re-seeding alone would repeat the draw every time.
        ClockRandom random([] { return std::uint64_t(12345); });
        std::set<float> seen;
        for (int i = 0; i < 1000; ++i) {
            random.randomize();
            seen.insert(random.next());
        }
        QVERIFY2(seen.size() > 990, "re-seeding from the same time repeats the draws");
    }

    void reseedingEveryDrawKeepsTheAmplitudesUniform()
    {
        // The game re-seeds before every draw; the 360 amplitudes must stay equally likely.
        ClockRandom random;
        std::array<int, 360> counts{};
        const int draws = 360 * 200;
        for (int i = 0; i < draws; ++i) {
            random.randomize();
            ++counts[size_t(random.next() * 360.0f)];
        }
        double chiSquare = 0;
        for (int c : counts)
            chiSquare += (c - 200.0) * (c - 200.0) / 200.0;
        // 359 degrees of freedom: the 1-in-a-million upper tail is about 520.
        QVERIFY2(chiSquare < 520, qPrintable(QString::number(chiSquare)));
    }

    void theClockIsATimeOfDay()
    {
        const std::uint64_t t = ClockRandom::systemTimeOfDay();
        QVERIFY(t < 86400ULL * 1000000000ULL);
    }
};

QTEST_GUILESS_MAIN(TestRandom)
#include "tst_random.moc"
