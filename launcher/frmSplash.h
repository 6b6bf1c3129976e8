// The splash form and the start sequence that runs on its timer's tick.
#pragma once

#include "base/failure.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/program_control.h"
#include "platform/splash_window.h"
#include "runtime/mod_main.h"

namespace launcher {

inline constexpr unsigned kWaitAfterStartMs = 10000;

// The window's fixed design: client area 487 x 492, picture stretched to 488 x 492 (its last
// column falls outside), timer of 2000 ms.
platform::SplashDesign SplashFormDesign();

// The text of the report of a failure that no step handled.
std::wstring UnhandledFailureText(const base::Failure& failure);

struct LauncherPlatform {
    platform::SplashWindow& window;
    platform::Processes& processes;
    platform::MessageBoxes& messageBoxes;
    platform::ProgramControl& programControl;
};

class frmSplash {
public:
    frmSplash(LauncherPlatform platform, mod_main::ModMain& modMain);

    // Shows the splash and handles window messages until the user closes the window or the
    // start sequence has run. Gives the status the program ends with.
    platform::ExitStatus Show();

    // The start sequence: unload the splash, choose the runtime, start the application,
    // wait. The program ends after it.
    void Timer1_Timer();

private:
    platform::ExitStatus StartSequence();
    platform::ExitStatus ReportUnhandledFailure(const base::Failure& failure);

    LauncherPlatform platform_;
    mod_main::ModMain& modMain_;
    platform::ExitStatus exitStatus_ = platform::ExitStatus::Ended;
};

}  // namespace launcher
