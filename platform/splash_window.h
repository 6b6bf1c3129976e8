// The splash window: a fixed design with a stretched picture and a one-shot use of its timer.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/failure.h"

namespace platform {

struct SplashDesign {
    std::wstring caption;
    int clientWidth;
    int clientHeight;
    int imageWidth;  // the picture is stretched to this size at the top-left corner
    int imageHeight;
    unsigned timerIntervalMs;
};

class SplashWindow {
public:
    virtual ~SplashWindow() = default;

    // Creates and shows the window, centred on the screen, and starts its timer, which calls
    // onTick once on the user-interface thread while the window exists.
    [[nodiscard]] virtual std::optional<base::Failure> Load(const SplashDesign& design,
                                                            std::function<void()> onTick) = 0;
    // Destroys the window and its timer without asking the program to end.
    virtual void Unload() = 0;
    // Handles window messages until the user has closed the window, or the tick has run.
    virtual void RunUntilClosed() = 0;
};

}  // namespace platform
