// Building text for messages and reports.
#include "base/text.h"

namespace base {

std::wstring Concat(std::initializer_list<std::wstring_view> pieces) {
    std::size_t length = 0;
    for (const auto piece : pieces) length += piece.size();
    std::wstring text;
    text.reserve(length);
    for (const auto piece : pieces) text.append(piece);
    return text;
}

std::wstring DecimalText(long number) {
    // Counts in the negative range, which holds the most negative number too.
    const bool negative = number < 0;
    if (!negative) number = -number;
    wchar_t digits[24];
    wchar_t* first = digits + 24;
    do {
        *--first = static_cast<wchar_t>(L'0' - number % 10);
        number /= 10;
    } while (number != 0);
    if (negative) *--first = L'-';
    return std::wstring(first, digits + 24);
}

bool WriteInPieces(std::wstring_view text, std::size_t maxPiece,
                   const std::function<std::size_t(std::wstring_view)>& write) {
    while (!text.empty()) {
        std::size_t length = text.size() < maxPiece ? text.size() : maxPiece;
        const wchar_t last = text[length - 1];
        if (length < text.size() && length > 1 && last >= 0xD800 && last <= 0xDBFF) --length;
        const std::size_t taken = write(text.substr(0, length));
        if (taken == 0) return false;
        text.remove_prefix(taken < length ? taken : length);
    }
    return true;
}

}  // namespace base
