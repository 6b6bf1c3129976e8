// The program folder, the current folder and process start on Win32.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

std::wstring Win32Processes::ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) throw LastErrorFailure();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    // The root of a drive keeps its backslash: "D:\", not "D:", which names a current folder.
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

std::wstring Win32Processes::CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) throw LastErrorFailure();
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, folder.data());
    if (length == 0 || length >= needed) throw LastErrorFailure();
    folder.resize(length);
    return folder;
}

void Win32Processes::SetCurrentFolder(const std::wstring& folder) {
    if (!SetCurrentDirectoryW(folder.c_str())) throw LastErrorFailure();
}

std::uint32_t Win32Processes::StartProcess(const std::wstring& commandLine, int showState) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;  // CreateProcessW may write into the line
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        throw LastErrorFailure();
    }
    ScopedHandle process(started.hProcess);
    ScopedHandle thread(started.hThread);
    return started.dwProcessId;
}

}  // namespace win32
