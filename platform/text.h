// Building text for messages and reports, without the C library's formatted output.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Joins the pieces in one allocation. Smaller and quicker than a chain of +, which makes,
// and on a failure cleans up, one string for every step.
std::wstring Concat(std::initializer_list<std::wstring_view> pieces);

// The decimal digits of a number.
std::wstring DecimalText(long long number);
