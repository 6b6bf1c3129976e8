// The program folder, the current folder and starting a process.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/failure.h"

namespace platform {

inline constexpr int kShowHidden = 0;

// How a started program ended within a wait.
struct ProgramEnd {
    unsigned afterMs;      // when, counted from the start of the wait
    std::uint32_t status;  // its exit status
    // The start of what it wrote to its standard and error output, decoded as it wrote it.
    std::wstring output;
};

// A program this one started, which owns the process and the read end of its output.
class StartedProgram {
public:
    virtual ~StartedProgram() = default;
    // Waits up to milliseconds for it to end, reading its output all the while, so that no
    // write of the program is ever held up by a full pipe, but never for long at a time;
    // keeps the first few thousand bytes. Nothing when it still runs then.
    virtual std::optional<ProgramEnd> Wait(unsigned milliseconds) = 0;
};

// An operation that fails gives the failure, whose description is the system's own message.
class Processes {
public:
    virtual ~Processes() = default;

    // Folder of the program file, no trailing backslash except at the root of a drive.
    [[nodiscard]] virtual base::Result<std::wstring> ProgramFolder() = 0;
    [[nodiscard]] virtual base::Result<std::wstring> CurrentFolder() = 0;
    [[nodiscard]] virtual std::optional<base::Failure> SetCurrentFolder(
        const std::wstring& folder) = 0;
    // Starts the command line with the given show state for its first window and no console
    // window at all, its standard and error output into one pipe that only this program reads
    // and its input on the NUL device; does not wait for it.
    [[nodiscard]] virtual base::Result<std::unique_ptr<StartedProgram>> StartProcess(
        const std::wstring& commandLine, int showState) = 0;
};

}  // namespace platform
