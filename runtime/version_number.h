// Reading the version number at the head of a Java runtime's registry key name.
#pragma once

#include <string_view>

namespace mod_main {

// Reads text such as "1.5" or " -2" with a point as the decimal separator, whatever the
// user's locale: optional blanks, an optional sign, digits with at most one point (at least
// one digit), optional blanks. Anything else raises failure 13 "Type mismatch".
double ReadVersionNumber(std::wstring_view text);

}  // namespace mod_main
