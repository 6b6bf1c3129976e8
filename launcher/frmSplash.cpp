// The splash form's design and the start sequence.
#include "launcher/frmSplash.h"

#include "launcher/command_line.h"
#include "launcher/version.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace launcher {

platform::SplashDesign SplashFormDesign() {
    return {
        .caption = L"" SMS_PRODUCT_NAME,
        .clientWidth = 487,
        .clientHeight = 492,
        .imageWidth = 488,
        .imageHeight = 492,
        .timerIntervalMs = 2000,
    };
}

std::wstring UnhandledFailureText(const Failure& failure) {
    return Concat({L"Run-time error '", DecimalText(failure.number), L"':\r\n\r\n", failure.description});
}

frmSplash::frmSplash(LauncherPlatform platform, mod_main::ModMain& modMain)
    : platform_(platform), modMain_(modMain) {}

platform::ExitStatus frmSplash::Show() {
    try {
        platform_.window.Load(SplashFormDesign(), [this] { Timer1_Timer(); });
    } catch (const Failure& failure) {
        ReportUnhandledFailure(failure);
    }
    platform_.window.RunUntilClosed();
    return platform::ExitStatus::Ended;
}

void frmSplash::Timer1_Timer() {
    platform_.window.Unload();
    try {
        modMain_.FindJavaHome();
        const std::wstring commandLine =
            BuildJavaCommandLine(modMain_.JavaHomePath(), platform_.processes.ProgramFolder());
        StartJavaApplication(platform_.processes, commandLine);
    } catch (const Failure& failure) {
        ReportUnhandledFailure(failure);
    }
    platform_.programControl.Sleep(kWaitAfterStartMs);
    platform_.programControl.EndProgram(platform::ExitStatus::Ended);
}

void frmSplash::ReportUnhandledFailure(const Failure& failure) {
    platform_.messageBoxes.Show(UnhandledFailureText(failure), platform::kMessageBoxOk);
    platform_.programControl.EndProgram(platform::ExitStatus::UnhandledFailure);
}

}  // namespace launcher
