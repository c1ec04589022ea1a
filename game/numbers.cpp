// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"

#include "record/leadingnumber.h"

QString numberText(long long value, int minDigits)
{
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    QString digits = QString::number(magnitude).rightJustified(minDigits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

double leadingNumber(QStringView text)
{
    // Only ASCII can be part of the number; anything else becomes '?', which ends it.
    const QByteArray latin1 = text.toLatin1();
    return leadingNumber(std::string_view(latin1.constData(), size_t(latin1.size())));
}
