// The end-to-end driver: starts the launcher, reads and answers its message boxes, and
// watches its splash window and its exit.
#include "tests/win/driver.h"

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/win32/win32_platform.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

ULONGLONG SystemTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return text;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The driver's environment with the options' variables added, as a CreateProcess block.
std::wstring EnvironmentBlock(const std::map<std::wstring, std::wstring>& additions) {
    std::map<std::wstring, std::wstring> variables;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const auto equals = text.find(L'=', 1);
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : additions) variables[name] = value;
    std::wstring result;
    for (const auto& [name, value] : variables) result += name + L"=" + value + L'\0';
    return result + L'\0';
}

void NoteSplash(HWND window, double at, SplashSeen& splash) {
    splash.seen = true;
    splash.shownAt = at;
    splash.caption = TextOf(window);
    GetWindowRect(window, &splash.window);
    splash.client = ClientOnScreen(window);
    splash.style = GetWindowLongW(window, GWL_STYLE);
    splash.exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    splash.owned = GetWindow(window, GW_OWNER) != nullptr;
}

}  // namespace

RECT ClientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

LaunchReport RunLauncher(const LaunchOptions& options) {
    LaunchReport report;
    std::wstring environment = EnvironmentBlock(options.environment);
    std::wstring commandLine = L"\"" + options.program + L"\"";
    if (!options.arguments.empty()) commandLine += L" " + options.arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(options.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), options.workingFolder.c_str(), &startup,
                        &started)) {
        report.timedOut = true;
        return report;
    }
    CloseHandle(started.hThread);
    const auto start = Clock::now();

    std::set<HWND> answered;
    HWND splash = nullptr;
    bool splashHandled = false;
    bool closeSent = false;
    for (;;) {
        if (WaitForSingleObject(started.hProcess, 10) == WAIT_OBJECT_0) break;
        const double now = SecondsSince(start);
        if (now * 1000 > options.timeoutMs) {
            report.timedOut = true;
            TerminateProcess(started.hProcess, 99);
            WaitForSingleObject(started.hProcess, 5000);
            break;
        }
        for (auto it = answered.begin(); it != answered.end();) {
            it = IsWindow(*it) ? std::next(it) : answered.erase(it);
        }
        if (splash && !IsWindow(splash) && report.splash.goneAt < 0) report.splash.goneAt = now;
        for (HWND window : VisibleWindowsOf(started.dwProcessId)) {
            const std::wstring windowClass = ClassOf(window);
            if (windowClass == L"#32770" && answered.insert(window).second) {
                wchar_t text[4096] = {};
                GetDlgItemTextW(window, 0xFFFF, text, 4096);
                report.boxes.push_back({TextOf(window), text});
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            } else if (windowClass == L"SmsServerSplash" && !splash) {
                splash = window;
                NoteSplash(window, now, report.splash);
            }
        }
        if (splash && IsWindow(splash)) {
            const double shownFor = SecondsSince(start) - report.splash.shownAt;
            if (!splashHandled && options.whileSplashShown && shownFor > 0.4) {
                splashHandled = true;
                options.whileSplashShown(splash);
            }
            if (!closeSent && shownFor * 1000 >= options.closeSplashAfterMs) {
                closeSent = true;
                PostMessageW(splash, WM_CLOSE, 0, 0);
            }
        }
    }
    report.exitedAt = SecondsSince(start);
    report.exitedAtSystemTime = SystemTimeNow();
    if (splash && report.splash.goneAt < 0) report.splash.goneAt = report.exitedAt;
    GetExitCodeProcess(started.hProcess, &report.exitCode);
    CloseHandle(started.hProcess);
    return report;
}

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:" + Wide(unixPath);
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    return RunAndWait(commandLine, StartWay{}, timeoutMs);
}

DWORD RunAndWait(const std::wstring& commandLine, const StartWay& way, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (way.showWindow >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(way.showWindow);
    }
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;
    std::wstring block = EnvironmentBlock(way.environment);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, way.creationFlags | CREATE_UNICODE_ENVIRONMENT,
                        block.data(), nullptr, &startup, &started)) {
        return GetLastError() | 0x80000000u;
    }
    CloseHandle(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(started.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(started.hProcess, 98);
        code = 98;
    } else {
        GetExitCodeProcess(started.hProcess, &code);
    }
    CloseHandle(started.hProcess);
    return code;
}

Captured RunCapturingOutput(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment) {
    Captured captured;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return {GetLastError() | 0x80000000u, {}};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;
    std::wstring block = EnvironmentBlock(environment);
    const BOOL created =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                       block.data(), nullptr, &startup, &started);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        return {GetLastError() | 0x80000000u, {}};
    }
    CloseHandle(started.hThread);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        captured.output.append(buffer, read);
    }
    CloseHandle(readEnd);
    WaitForSingleObject(started.hProcess, 60000);
    GetExitCodeProcess(started.hProcess, &captured.exitCode);
    CloseHandle(started.hProcess);
    return captured;
}

std::string Utf8(const std::wstring& text) { return win32::ToCodePage(text, CP_UTF8); }

std::wstring Wide(const std::string& utf8) { return win32::FromCodePage(utf8, CP_UTF8); }

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(path.c_str(), std::ios::binary);
    file << bytes;
}

std::vector<Record> ReadRecords(const std::wstring& recordFile) {
    std::vector<Record> records;
    std::istringstream lines(ReadBytes(recordFile));
    std::string line;
    Record current;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        const std::string key = line.substr(0, equals);
        if (key == "end") {
            records.push_back(current);
            current.clear();
        } else if (equals != std::string::npos) {
            current.emplace(key, line.substr(equals + 1));
        }
    }
    return records;
}

std::string First(const Record& record, const std::string& key) {
    const auto found = record.find(key);
    return found == record.end() ? std::string() : found->second;
}

std::vector<std::string> All(const Record& record, const std::string& key) {
    std::vector<std::string> values;
    const auto [begin, end] = record.equal_range(key);
    for (auto it = begin; it != end; ++it) values.push_back(it->second);
    return values;
}

void MakeFolders(const std::wstring& folder) {
    for (std::size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
}

}  // namespace e2e
