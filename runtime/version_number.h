// Reading the version number at the head of a Java runtime's registry key name.
#pragma once

#include <optional>
#include <string_view>

#include "platform/failure.h"

namespace mod_main {

// Reads text such as "1.5" or " -2" with a point as the decimal separator, whatever the
// user's locale: optional blanks, an optional sign, digits with at most one point (at least
// one digit), optional blanks. Anything else is not a number, and gives nothing.
std::optional<double> ParseVersionNumber(std::wstring_view text);

// Failure 13 "Type mismatch": text that is not a number.
Failure TypeMismatch();

// The same, raising failure 13 "Type mismatch" for what is not a number.
inline double ReadVersionNumber(std::wstring_view text) {
    const auto number = ParseVersionNumber(text);
    if (!number) Raise(TypeMismatch());
    return *number;
}

}  // namespace mod_main
