// Reading the version number at the head of a Java runtime's registry key name.
#pragma once

#include <string_view>

#include "base/failure.h"

namespace mod_main {

// Reads text such as "1.5" or " -2" with a point as the decimal separator, whatever the
// user's locale: optional blanks, an optional sign, digits with at most one point (at least
// one digit), optional blanks. Anything else is not a number: failure 13 "Type mismatch".
base::Result<double> ReadVersionNumber(std::wstring_view text);

// The number of the failure a text that is not a number gives, as Visual Basic numbers it.
inline constexpr long kTypeMismatch = 13;

}  // namespace mod_main
