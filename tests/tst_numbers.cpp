// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/numbers.h"

#include <QTest>

#include <clocale>

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data()
    {
        QTest::addColumn<long long>("value");
        QTest::addColumn<int>("minDigits");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0LL << 1 << "0";
        QTest::newRow("plain") << 32767LL << 1 << "32767";
        QTest::newRow("past 16 bits") << 32768LL << 1 << "32768";
        QTest::newRow("negative") << -5LL << 1 << "-5";
        QTest::newRow("00 pads") << 5LL << 2 << "05";
        QTest::newRow("00 zero") << 0LL << 2 << "00";
        QTest::newRow("00 two digits") << 59LL << 2 << "59";
        QTest::newRow("00 longer") << 123LL << 2 << "123";
        QTest::newRow("00 negative") << -5LL << 2 << "-05";
        QTest::newRow("lowest") << std::numeric_limits<long long>::min() << 1
                                << "-9223372036854775808";
    }
    void numberText()
    {
        QFETCH(long long, value);
        QFETCH(int, minDigits);
        QFETCH(QString, text);
        QCOMPARE(::numberText(value, minDigits), text);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("line end alone") << "\r\n" << 0.0;
        QTest::newRow("score with line end") << "12\r\n" << 12.0;
        QTest::newRow("digits then text") << "7 nani" << 7.0;
        QTest::newRow("leading blanks") << "  42" << 42.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("sign") << "-3" << -3.0;
        QTest::newRow("plus") << "+8" << 8.0;
        QTest::newRow("fraction") << "1.5\r\n" << 1.5;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("huge") << "99999999999999999999" << 1e20;
        QTest::newRow("NUL after digits") << QString::fromLatin1("5\0"
                                                                 "9",
                                                                 3)
                                          << 5.0;
        QTest::newRow("non-Latin digits are not digits") << QString::fromUtf8("\u0663") << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::leadingNumber(text), value);
    }

    void leadingNumberIgnoresTheLocale()
    {
        // An Italian locale writes decimals with a comma; the record is read the same anywhere.
        const char *previous = std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
        QCOMPARE(::leadingNumber(u"2.5"), 2.5);
        if (previous)
            std::setlocale(LC_NUMERIC, "C");
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
