// The program folder, the current folder and starting a process.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr int kShowHidden = 0;

// Operations that fail raise a Failure whose description is the system's own message.
class Processes {
public:
    virtual ~Processes() = default;

    // Folder of the program file, no trailing backslash except at the root of a drive.
    virtual std::wstring ProgramFolder() = 0;
    virtual std::wstring CurrentFolder() = 0;
    virtual void SetCurrentFolder(const std::wstring& folder) = 0;
    // Starts the command line with the given show state for its first window; does not
    // wait for the process and keeps no handle of it. Returns its process identifier.
    virtual std::uint32_t StartProcess(const std::wstring& commandLine, int showState) = 0;
};

}  // namespace platform
