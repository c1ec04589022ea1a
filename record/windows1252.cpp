// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows1252.h"

#include <QList>

#include <array>

namespace {

// 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encode(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (size_t i = 0; i < high.size(); ++i) {
        if (high[i] == c)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

std::string toWindows1252(QStringView text)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    // By code point: a character outside the basic plane is one '?', not two.
    for (const char32_t c : text.toUcs4())
        bytes += encode(c);
    return bytes;
}

QString fromWindows1252(std::string_view bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        text += (u >= 0x80 && u < 0xA0) ? QChar(high[u - 0x80]) : QChar(u);
    }
    return text;
}
