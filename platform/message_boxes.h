// Modal message boxes that carry the program's title.
#pragma once

#include <string>

namespace platform {

// A single OK button, no icon; brought to the front and kept there (MB_SETFOREGROUND |
// MB_TOPMOST), since once the splash is gone a box has no owner, and Windows would only flash
// the taskbar for it while the user works in another window.
inline constexpr unsigned kMessageBoxOk = 0x00010000 | 0x00040000;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows the text and returns once the user has dismissed the box.
    virtual void Show(const std::wstring& text, unsigned style) = 0;
};

}  // namespace platform
