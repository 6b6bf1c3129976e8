// The program's exit statuses, and waiting on the user-interface thread.
#pragma once

namespace platform {

enum class ExitStatus : int {
    Ended = 0,                  // the application was started, or the user closed the splash
    UnhandledFailure = 1,       // a step failed outside the runtime search, e.g. no Java launcher
    NoJavaRuntime = 2,          // the registry lists no Java runtime
    NoSuitableJavaRuntime = 3,  // no listed runtime is version 1.5 or higher
    JavaEndedAtOnce = 13,  // Java failed within the wait: a status other than 0, or an exception
};

class ProgramControl {
public:
    virtual ~ProgramControl() = default;

    // Blocks the thread; no window message is handled meanwhile.
    virtual void Sleep(unsigned milliseconds) = 0;
};

}  // namespace platform
