// The check's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/console_facts.h"

namespace check {

struct Arguments {
    std::wstring folder;      // empty: the check's own folder
    std::wstring reportFile;  // empty: print the report
    bool help = false;
    bool noWait = false;                 // never wait for Enter at the end
    bool repair = false;                 // copy the missing support files first
    std::wstring registerFolder;         // /register: the runtime folder to register
    std::wstring unregisterFolder;       // /unregister: the runtime folder to take back
    std::optional<base::Failure> error;  // why the arguments cannot be used; none when they can
};

Arguments ParseArguments(const std::vector<std::wstring>& arguments);

// Whether the check waits for Enter before it ends, so that a double-clicked check's window
// does not vanish with its report. Only where a user can answer: alone on a console window of
// its own, not started hidden, on a window station a user sees. A hidden console (a service,
// an installer, a scheduled task, a start without a window) would wait for ever.
bool WaitsForEnter(const platform::ConsoleFacts& console, const Arguments& arguments);

extern const wchar_t kUsage[];

}  // namespace check
