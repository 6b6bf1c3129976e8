// The console, the report file and the kind of Windows, for the check program.
#include "platform/win32/console.h"

#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

void WriteOut(const std::wstring& text, bool toErrors) {
    HANDLE out = GetStdHandle(toErrors ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToCodePage(text, CP_UTF8);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool AloneOnConsole() {
    // A program whose output or input is redirected is not read off the screen, and a hidden
    // console (a process started without a window) has one process too.
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
        !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
        return false;
    }
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForEnter() {
    WriteOut(L"\r\nPress Enter to close this window.");
    wchar_t line[64];
    DWORD read = 0;
    ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), line, 64, &read, nullptr);
}

std::optional<Failure> WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".partial";
    HANDLE created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return LastErrorFailure();
    DWORD written = 0;
    const bool whole = WriteFile(created, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                 nullptr) &&
                       written == bytes.size() && FlushFileBuffers(created);
    std::optional<Failure> failure;
    if (!whole) failure = LastErrorFailure();
    CloseHandle(created);
    if (!failure && !MoveFileExW(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failure = LastErrorFailure();
    }
    if (failure) DeleteFileW(temporary.c_str());
    return failure;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

bool Is64BitWindows() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace win32
