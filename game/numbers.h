// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include "record/leadingnumber.h"

// The text of a whole number: plain decimal digits, a minus sign when negative, no blanks, no
// leading zeros beyond the minDigits wanted ("00" pictures ask for two).
QString numberText(long long value, int minDigits = 1);

// The decimal number at the start of a text, as leadingNumber(std::string_view) reads it.
double leadingNumber(QStringView text);
