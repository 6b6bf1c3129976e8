// The console, the report file and the kind of Windows, for the check program.
#include "platform/win32/console.h"

#include "base/text.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

namespace {

// Windows 7 refuses a console write of more than about 64 KB.
constexpr std::size_t kConsolePiece = 8192;

void WriteBytes(HANDLE out, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        DWORD written = 0;
        const DWORD length = static_cast<DWORD>(
            bytes.size() - at < kConsolePiece ? bytes.size() - at : kConsolePiece);
        if (!WriteFile(out, bytes.data() + at, length, &written, nullptr) || written == 0) return;
        at += written;
    }
}

}  // namespace

void WriteOut(const std::wstring& text, bool toErrors) {
    HANDLE out = GetStdHandle(toErrors ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        base::WriteInPieces(text, kConsolePiece, [out](std::wstring_view piece) -> std::size_t {
            DWORD written = 0;
            if (!WriteConsoleW(out, piece.data(), static_cast<DWORD>(piece.size()), &written,
                               nullptr)) {
                return 0;
            }
            return written;
        });
        return;
    }
    const UINT consoleCodePage = GetConsoleOutputCP();
    WriteBytes(out, ToCodePage(text, consoleCodePage != 0 ? consoleCodePage : CP_UTF8));
}

platform::ConsoleFacts ReadConsoleFacts() {
    platform::ConsoleFacts facts;
    DWORD mode = 0;
    facts.onConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
                      GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
    DWORD processes[2];
    facts.aloneOnConsole = GetConsoleProcessList(processes, 2) == 1;
    facts.consoleWindow = GetConsoleWindow() != nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    facts.startedHidden =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
    USEROBJECTFLAGS flags{};
    facts.visibleWindowStation = GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS,
                                                           &flags, sizeof(flags), nullptr) &&
                                 (flags.dwFlags & WSF_VISIBLE) != 0;
    return facts;
}

void WaitForEnter() {
    WriteOut(L"\r\nPress Enter to close this window.");
    wchar_t line[64];
    DWORD read = 0;
    ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), line, 64, &read, nullptr);
}

std::optional<base::Failure> WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".partial";
    std::optional<base::Failure> failure;
    {
        const ScopedHandle created(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!created) return LastErrorFailure();
        DWORD written = 0;
        const bool whole = WriteFile(created.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                     &written, nullptr) &&
                           written == bytes.size() && FlushFileBuffers(created.get());
        if (!whole) failure = LastErrorFailure();
    }
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
