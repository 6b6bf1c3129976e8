// A locale-independent reading of version numbers.
#include "runtime/version_number.h"

#include "base/failure.h"

namespace mod_main {
namespace {

void SkipBlanks(std::wstring_view text, std::size_t& at) {
    while (at < text.size() && text[at] == L' ') ++at;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

base::Result<double> ReadVersionNumber(std::wstring_view text) {
    std::size_t at = 0;
    SkipBlanks(text, at);
    double sign = 1.0;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        if (text[at] == L'-') sign = -1.0;
        ++at;
    }
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (IsDigit(c)) {
            seenDigit = true;
            if (seenPoint) {
                fraction = fraction * 10.0 + (c - L'0');
                scale *= 10.0;
            } else {
                whole = whole * 10.0 + (c - L'0');
            }
        } else if (c == L'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    SkipBlanks(text, at);
    if (!seenDigit || at != text.size()) return base::Failure::Own(kTypeMismatch, L"Type mismatch");
    // One division keeps 1.5 exactly 1.5, so the comparison with the threshold is exact.
    return sign * (whole + fraction / scale);
}

}  // namespace mod_main
