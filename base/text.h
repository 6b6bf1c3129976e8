// Building text for messages and reports, without the C library's formatted output.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace base {

// Joins the pieces in one allocation. Smaller and quicker than a chain of +, which makes,
// and on a failure cleans up, one string for every step.
std::wstring Concat(std::initializer_list<std::wstring_view> pieces);

// The decimal digits of a number.
std::wstring DecimalText(long number);

// Hands text to write in pieces of at most maxPiece characters, never between the two halves
// of a surrogate pair, and goes on with the rest after a partial write. write returns how many
// characters it took; 0 stops the writing. True when all of the text was taken.
bool WriteInPieces(std::wstring_view text, std::size_t maxPiece,
                   const std::function<std::size_t(std::wstring_view)>& write);

}  // namespace base
