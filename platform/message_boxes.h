// Modal message boxes that carry the program's title.
#pragma once

#include <string>

namespace platform {

inline constexpr unsigned kMessageBoxOk = 0;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows the text and returns once the user has dismissed the box.
    virtual void Show(const std::wstring& text, unsigned style) = 0;
};

}  // namespace platform
