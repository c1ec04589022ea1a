#pragma once

#include <QString>
#include <QStringView>

// The text of a whole number: plain decimal digits, a minus sign when negative, no blanks, no
// leading zeros beyond the minDigits wanted ("00" pictures ask for two).
QString numberText(long long value, int minDigits = 1);

// The decimal number at the start of a text, 0 when there is none: leading blanks and tabs are
// skipped, then an optional sign, digits and an optional fraction are read; the rest (a line end,
// anything else) is ignored.
double leadingNumber(QStringView text);
