// The program folder, the current folder and starting a process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/failure.h"

namespace platform {

inline constexpr int kShowHidden = 0;

// An operation that fails gives the failure, whose description is the system's own message.
class Processes {
public:
    virtual ~Processes() = default;

    // Folder of the program file, no trailing backslash except at the root of a drive.
    [[nodiscard]] virtual base::Result<std::wstring> ProgramFolder() = 0;
    [[nodiscard]] virtual base::Result<std::wstring> CurrentFolder() = 0;
    [[nodiscard]] virtual std::optional<base::Failure> SetCurrentFolder(const std::wstring& folder) = 0;
    // Starts the command line with the given show state for its first window; does not
    // wait for the process and keeps no handle of it. Gives its process identifier.
    [[nodiscard]] virtual base::Result<std::uint32_t> StartProcess(const std::wstring& commandLine,
                                                                   int showState) = 0;
};

}  // namespace platform
