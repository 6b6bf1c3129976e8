// The splash form's design and the start sequence.
#include "launcher/frmSplash.h"

#include "base/text.h"
#include "launcher/command_line.h"
#include "launcher/java_end.h"
#include "product_facts.h"

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

std::wstring UnhandledFailureText(const base::Failure& failure) {
    return base::Concat({L"Run-time error '", base::DecimalText(failure.number), L"':\r\n\r\n",
                         failure.description});
}

frmSplash::frmSplash(LauncherPlatform platform, mod_main::ModMain& modMain)
    : platform_(platform), modMain_(modMain) {}

platform::ExitStatus frmSplash::Show() {
    if (const auto failure =
            platform_.window.Load(SplashFormDesign(), [this] { Timer1_Timer(); })) {
        return ReportUnhandledFailure(*failure);
    }
    platform_.window.RunUntilClosed();
    return exitStatus_;
}

void frmSplash::Timer1_Timer() {
    platform_.window.Unload();
    exitStatus_ = StartSequence();
}

platform::ExitStatus frmSplash::StartSequence() {
    if (const auto end = modMain_.FindJavaHome()) return *end;
    const auto programFolder = platform_.processes.ProgramFolder();
    if (!programFolder) return ReportUnhandledFailure(programFolder.failure());
    const std::wstring commandLine = BuildJavaCommandLine(modMain_.JavaHomePath(), *programFolder);
    const auto started = StartJavaApplication(platform_.processes, commandLine);
    if (!started) return ReportUnhandledFailure(started.failure());
    // Java's own words about a failed start, and HotSpot's, would go where nobody sees them:
    // they are read during the wait, and told when Java has failed by then.
    const auto end = (*started)->Wait(kWaitAfterStartMs);
    if (end && JavaFailed(end->status, end->output)) {
        platform_.messageBoxes.Show(
            JavaEndedText(end->status, end->output, modMain_.JavaHomePath()),
            platform::kMessageBoxOk);
        return platform::ExitStatus::JavaEndedAtOnce;
    }
    if (end && end->afterMs < kWaitAfterStartMs)
        platform_.programControl.Sleep(kWaitAfterStartMs - end->afterMs);
    return platform::ExitStatus::Ended;
}

platform::ExitStatus frmSplash::ReportUnhandledFailure(const base::Failure& failure) {
    platform_.messageBoxes.Show(UnhandledFailureText(failure), platform::kMessageBoxOk);
    return platform::ExitStatus::UnhandledFailure;
}

}  // namespace launcher
