#include "numbers.h"

#include <charconv>

QString numberText(long long value, int minDigits)
{
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    QString digits = QString::number(magnitude).rightJustified(minDigits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;

    QByteArray number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += char(text[i++].unicode());
    const auto isDigit = [&](qsizetype k) {
        return k < n && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9');
    };
    bool anyDigit = false;
    while (isDigit(i)) {
        number += char(text[i++].unicode());
        anyDigit = true;
    }
    if (i < n && text[i] == QLatin1Char('.') && (anyDigit || isDigit(i + 1))) {
        number += '.';
        ++i;
        while (isDigit(i)) {
            number += char(text[i++].unicode());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    // from_chars ignores the locale: the decimal point is always '.'.
    double value = 0.0;
    const char *first = number.constData();
    if (*first == '+')
        ++first;
    std::from_chars(first, number.constData() + number.size(), value);
    return value;
}
