// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The decimal number at the start of a text, 0 when there is none: leading blanks and tabs are
// skipped, then an optional sign, digits and an optional fraction are read; the rest (a line end,
// anything else) is ignored. The decimal point is '.', whatever the locale.
double leadingNumber(std::string_view text);
