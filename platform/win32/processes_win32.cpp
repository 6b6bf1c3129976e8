// The program folder, the current folder and process start on Win32.
#include <algorithm>

#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

base::Result<std::wstring> Win32Processes::ProgramFolder() { return win32::ProgramFolder(); }

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

namespace {

// What of a started program's output is kept; the rest is read and dropped.
constexpr std::size_t kBytesKept = 8192;

// Lets CreateProcess hand the child these handles and no other that happens to be inheritable.
class InheritedHandles {
public:
    InheritedHandles() = default;
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    ~InheritedHandles() {
        if (made_) DeleteProcThreadAttributeList(get());
    }

    // Makes the list of the two handles, or tells why it cannot.
    std::optional<base::Failure> Make(HANDLE first, HANDLE second) {
        handles_[0] = first;
        handles_[1] = second;
        SIZE_T size = sizeof(buffer_);
        if (!InitializeProcThreadAttributeList(get(), 1, 0, &size)) return LastErrorFailure();
        made_ = true;
        if (!UpdateProcThreadAttribute(get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                       sizeof handles_, nullptr, nullptr)) {
            return LastErrorFailure();
        }
        return std::nullopt;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_);
    }

private:
    HANDLE handles_[2]{};
    // One attribute takes some 48 bytes; a list that does not fit fails to be made.
    alignas(8) unsigned char buffer_[128];
    bool made_ = false;
};

}  // namespace

// The process and the read end of its output's pipe.
class Win32StartedProgram final : public platform::StartedProgram {
public:
    Win32StartedProgram(HANDLE process, HANDLE output) : process_(process), output_(output) {}
    std::optional<platform::ProgramEnd> Wait(unsigned milliseconds) override;

private:
    ScopedHandle process_;
    ScopedHandle output_;
};

base::Result<std::unique_ptr<platform::StartedProgram>> Win32Processes::StartProcess(
    const std::wstring& commandLine, int showState) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return LastErrorFailure();
    ScopedHandle reading(readEnd), writing(writeEnd);
    if (!SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) return LastErrorFailure();
    const ScopedHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                       OPEN_EXISTING, 0, nullptr));
    if (!nul) return LastErrorFailure();
    InheritedHandles inherited;
    if (auto failure = inherited.Make(nul.get(), writeEnd)) return *failure;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = static_cast<WORD>(showState);
    startup.StartupInfo.hStdInput = nul.get();
    startup.StartupInfo.hStdOutput = writeEnd;  // where HotSpot writes its own messages
    startup.StartupInfo.hStdError = writeEnd;
    startup.lpAttributeList = inherited.get();
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;  // CreateProcessW may write into the line
    // No console window at all: a hidden one may be handed to Windows Terminal, and shown.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup.StartupInfo, &started)) {
        return LastErrorFailure();
    }
    ScopedHandle thread(started.hThread);
    return std::unique_ptr<platform::StartedProgram>(
        std::make_unique<Win32StartedProgram>(started.hProcess, reading.release()));
}

namespace {

// At most this much is read at one look, so that a program that floods its output cannot hold
// the wait past its end.
constexpr std::size_t kBytesReadAtOnce = 64 * 1024;

// Reads what the pipe holds, keeping the start of it. A byte pipe that holds something gives
// it at once; one that holds nothing is never read, which would wait for the next write.
void ReadWaiting(HANDLE pipe, std::string& kept) {
    char bytes[4096];
    DWORD waiting = 0, read = 0;
    for (std::size_t taken = 0;
         taken < kBytesReadAtOnce && PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) &&
         waiting > 0 && ReadFile(pipe, bytes, sizeof bytes, &read, nullptr);
         taken += read) {
        if (kept.size() < kBytesKept)
            kept.append(bytes, std::min<std::size_t>(read, kBytesKept - kept.size()));
    }
}

// Java 8 writes to a pipe in the ANSI code page of the system's locale (its file.encoding),
// which differs from CP_ACP where Windows uses UTF-8 for the ANSI code page.
UINT JavaCodePage() {
    DWORD codePage = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)) &&
        codePage != 0)
        return codePage;
    return CP_ACP;
}

}  // namespace

// Once this program ends the pipe closes, and the program's later writes to its output fail,
// which Java ignores.
std::optional<platform::ProgramEnd> Win32StartedProgram::Wait(unsigned milliseconds) {
    const ULONGLONG start = GetTickCount64();
    std::string kept;
    for (;;) {
        ReadWaiting(output_.get(), kept);
        const ULONGLONG waited = GetTickCount64() - start;
        if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) {
            ReadWaiting(output_.get(), kept);
            DWORD status = 0;
            GetExitCodeProcess(process_.get(), &status);
            return platform::ProgramEnd{static_cast<unsigned>(waited), status,
                                        FromCodePage(kept, JavaCodePage())};
        }
        if (waited >= milliseconds) return std::nullopt;
        WaitForSingleObject(process_.get(), waited + 20 < milliseconds
                                                ? 20
                                                : static_cast<DWORD>(milliseconds - waited));
    }
}

}  // namespace win32
