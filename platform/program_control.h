// Waiting on the user-interface thread and ending the program.
#pragma once

#include <cstdlib>

namespace platform {

// The program's exit statuses.
enum class ExitStatus : int {
    Ended = 0,                   // the application was started, or the user closed the splash
    UnhandledFailure = 1,        // a step failed outside the runtime search, e.g. no Java launcher
    NoJavaRuntime = 2,           // the registry lists no Java runtime
    NoSuitableJavaRuntime = 3,   // no listed runtime is version 1.5 or higher
};

class ProgramControl {
public:
    virtual ~ProgramControl() = default;

    // Blocks the thread; no window message is handled meanwhile.
    virtual void Sleep(unsigned milliseconds) = 0;
    // Ends the program at once with the exit status; nothing after the call runs.
    [[noreturn]] void EndProgram(ExitStatus status) {
        End(status);
        std::abort();  // End never returns; this only tells the compiler so
    }

protected:
    virtual void End(ExitStatus status) = 0;
};

}  // namespace platform
