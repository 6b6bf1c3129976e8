// The program folder, the current folder and process start on Win32.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

base::Result<std::wstring> Win32Processes::ProgramFolder() {
    std::wstring folder = win32::ProgramFolder();
    if (folder.empty()) return LastErrorFailure();
    return folder;
}

base::Result<std::wstring> Win32Processes::CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return LastErrorFailure();
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, folder.data());
    if (length == 0 || length >= needed) return LastErrorFailure();
    folder.resize(length);
    return folder;
}

std::optional<base::Failure> Win32Processes::SetCurrentFolder(const std::wstring& folder) {
    if (!SetCurrentDirectoryW(folder.c_str())) return LastErrorFailure();
    return std::nullopt;
}

base::Result<std::uint32_t> Win32Processes::StartProcess(const std::wstring& commandLine, int showState) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;  // CreateProcessW may write into the line
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return LastErrorFailure();
    }
    ScopedHandle process(started.hProcess);
    ScopedHandle thread(started.hThread);
    return static_cast<std::uint32_t>(started.dwProcessId);
}

}  // namespace win32
