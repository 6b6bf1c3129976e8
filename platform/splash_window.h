// The splash window: a fixed design with a stretched picture and a one-shot use of its timer.
#pragma once

#include <functional>
#include <string>

namespace platform {

struct SplashDesign {
    std::wstring caption;
    int clientWidth;
    int clientHeight;
    int imageWidth;    // the picture is stretched to this size at the top-left corner
    int imageHeight;
    unsigned timerIntervalMs;
};

class SplashWindow {
public:
    virtual ~SplashWindow() = default;

    // Creates and shows the window, centred on the screen, and starts its timer, which calls
    // onTick on the user-interface thread while the window exists.
    virtual void Load(const SplashDesign& design, std::function<void()> onTick) = 0;
    // Destroys the window and its timer without asking the program to end.
    virtual void Unload() = 0;
    // Handles window messages until the user has closed the window.
    virtual void RunUntilClosed() = 0;
};

}  // namespace platform
