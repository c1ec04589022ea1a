// SPDX-License-Identifier: GPL-3.0-or-later
#include "leadingnumber.h"

#include <charconv>
#include <cmath>
#include <string>

double leadingNumber(std::string_view text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;

    std::string number;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            number += '-';
        ++i;
    }
    const auto isDigit = [&](size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
    bool anyDigit = false;
    while (isDigit(i)) {
        number += text[i++];
        anyDigit = true;
    }
    if (i < n && text[i] == '.' && (anyDigit || isDigit(i + 1))) {
        number += '.';
        ++i;
        while (isDigit(i)) {
            number += text[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large for a double is larger than any score; too small is nothing.
        const bool huge = number.find_first_of("123456789") < number.find('.');
        value = huge ? (number[0] == '-' ? -HUGE_VAL : HUGE_VAL) : 0.0;
    }
    return value;
}
