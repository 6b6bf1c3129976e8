// Decimal digits of a number, without the C library's formatted output.
#pragma once

#include <string>

inline std::wstring DecimalText(long long number) {
    // Counts in the negative range, which holds the most negative number too.
    const bool negative = number < 0;
    if (!negative) number = -number;
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' - number % 10));
        number /= 10;
    } while (number != 0);
    if (negative) digits.insert(digits.begin(), L'-');
    return digits;
}
