// Starts SmsServer.exe, answers its message boxes and watches its splash window and its end,
// as a person at the screen would.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

struct LaunchOptions {
    std::wstring program;                              // full path of SmsServer.exe
    std::wstring arguments;                            // after the quoted program on its command line
    std::wstring workingFolder;                        // the launcher's own current folder
    std::map<std::wstring, std::wstring> environment;  // added to the driver's own
    DWORD closeSplashAfterMs = INFINITE;               // the user closes the splash this early
    std::function<void(HWND)> whileSplashShown;        // called once the splash has been painted
    DWORD timeoutMs = 60000;
};

struct MessageBoxSeen {
    std::wstring title;
    std::wstring text;
};

struct SplashSeen {
    bool seen = false;
    double shownAt = -1;  // seconds after the launcher's start
    double goneAt = -1;
    std::wstring caption;
    RECT window{};
    RECT client{};  // in screen coordinates
    LONG style = 0;
    LONG exStyle = 0;
    bool owned = false;
};

struct LaunchReport {
    bool timedOut = false;
    DWORD exitCode = 0;
    double exitedAt = -1;              // seconds after the launcher's start
    ULONGLONG exitedAtSystemTime = 0;  // FILETIME units, as the recorder writes them
    std::vector<MessageBoxSeen> boxes;
    SplashSeen splash;
};

LaunchReport RunLauncher(const LaunchOptions& options);

// A window's client area in screen coordinates.
RECT ClientOnScreen(HWND window);

// Paths of the build, turned into Windows paths on drive Z:.
std::wstring WindowsPath(const std::string& unixPath);

// Runs a program (Windows or, by its Z:\ path, Unix) and waits for it; returns its exit code,
// or 98 when it had not ended by the timeout and was stopped.
DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// How a program is started: creation flags, and a show state asked for through
// STARTF_USESHOWWINDOW (-1: none), with variables added to the environment.
struct StartWay {
    DWORD creationFlags = 0;
    int showWindow = -1;
    std::map<std::wstring, std::wstring> environment;
};
DWORD RunAndWait(const std::wstring& commandLine, const StartWay& way, DWORD timeoutMs);

struct Captured {
    DWORD exitCode = 0;
    std::string output;  // what it wrote to its standard output and error
};
// Runs a console program with its output going to a pipe, and waits for it.
Captured RunCapturingOutput(const std::wstring& commandLine,
                            const std::map<std::wstring, std::wstring>& environment = {});

// One start seen by the recorder: each key's values in order.
using Record = std::multimap<std::string, std::string>;
std::vector<Record> ReadRecords(const std::wstring& recordFile);
std::string First(const Record& record, const std::string& key);
std::vector<std::string> All(const Record& record, const std::string& key);

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Makes a folder and its parents.
void MakeFolders(const std::wstring& folder);
// Reads a whole file, or returns an empty text when it is not there.
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace e2e
