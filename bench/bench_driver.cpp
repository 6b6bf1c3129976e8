// Runs SmsServer.exe and the bare reference window in turn, with one and with a thousand
// registered runtimes, watches each from outside (its window, the Java start the stand-in
// records, its end, its peak working set) and prints the figures side by side, with JSON.
// Usage: bench_driver RUNS LAUNCHER REFERENCE JAVA PICTURE JSON
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kRuntimesKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

struct Run {
    double shownMs = -1;       // from process start to its window on screen
    double onScreenMs = -1;    // the window on screen
    double tickToJavaMs = -1;  // from the window's end (the tick) to the Java start
    double javaToEndMs = -1;   // from the Java start to the program's end
    double peakKiB = 0;        // peak working set
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

ULONGLONG SystemTime() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

struct Search {
    DWORD processId;
    bool visible = false;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->visible = true;
    return !search->visible;
}

// The system time the stand-in java.exe recorded for its start; 0 when it did not start.
ULONGLONG JavaStart(const std::wstring& record) {
    std::ifstream file(record.c_str());
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("start=", 0) == 0) return std::stoull(line.substr(6));
    }
    return 0;
}

Run Measure(std::wstring commandLine, const std::wstring& record) {
    Run run;
    DeleteFileW(record.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return run;
    }
    CloseHandle(started.hThread);
    bool seen = false;
    ULONGLONG goneAt = 0;
    for (;;) {
        const bool ended = WaitForSingleObject(started.hProcess, 1) == WAIT_OBJECT_0;
        QueryPerformanceCounter(&now);
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(started.hProcess, &memory, sizeof(memory))) {
            run.peakKiB = std::max(run.peakKiB, memory.PeakWorkingSetSize / 1024.0);
        }
        Search search{started.dwProcessId};
        if (!ended) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.visible && !seen) {
            seen = true;
            run.shownMs = Milliseconds(start, now);
        } else if (!search.visible && seen && goneAt == 0) {
            goneAt = SystemTime();
            run.onScreenMs = Milliseconds(start, now) - run.shownMs;
        }
        if (ended || Milliseconds(start, now) > 30000) break;
    }
    const ULONGLONG endedAt = SystemTime();
    TerminateProcess(started.hProcess, 99);
    CloseHandle(started.hProcess);
    for (int waited = 0; waited < 200 && JavaStart(record) == 0; ++waited) Sleep(10);
    const ULONGLONG javaAt = JavaStart(record);
    if (javaAt != 0 && goneAt != 0) run.tickToJavaMs = (static_cast<double>(javaAt) - goneAt) / 1e4;
    if (javaAt != 0) run.javaToEndMs = (static_cast<double>(endedAt) - javaAt) / 1e4;
    return run;
}

// Registers count runtimes: all but the last below 1.5, which a start passes over.
void RegisterRuntimes(int count, const std::string& home) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRuntimesKey);
    for (int i = 0; i < count; ++i) {
        char name[32];
        if (i + 1 == count) {
            lstrcpyA(name, "1.6.0_05");
        } else {
            wsprintfA(name, "1.4.%03d", i);
        }
        const std::string path = std::string(kRuntimesKey) + "\\" + name;
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                           static_cast<DWORD>(home.size() + 1));
            RegCloseKey(key);
        }
    }
}

struct Summary {
    double median = -1, low = -1, high = -1;
};

Summary Summarise(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }),
                 values.end());
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string Number(double value, int decimals = 0) {
    if (value < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Cell(const Summary& s) {
    if (s.median < 0) return "-";
    return Number(s.median) + " (" + Number(s.low) + "-" + Number(s.high) + ")";
}

// A figure in JSON: null where there is none.
std::string JsonNumber(double value) { return value < 0 ? "null" : Number(value, 1); }

std::string Json(const Summary& s) {
    return "{\"median\": " + JsonNumber(s.median) + ", \"min\": " + JsonNumber(s.low) +
           ", \"max\": " + JsonNumber(s.high) + "}";
}

std::string Narrow(const wchar_t* text) {
    char narrow[MAX_PATH * 2];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

double FileSize(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path, GetFileExInfoStandard, &data) ? data.nFileSizeLow : -1;
}

struct Figure {
    const char* name;  // for the table
    const char* key;   // for the JSON
    Summary reference, launcher;
    const char* target;  // what the launcher must reach, and how it is judged
    bool hasTarget;
    bool met;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fputs("Usage: bench_driver RUNS LAUNCHER REFERENCE JAVA PICTURE JSON\n", stderr);
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::wstring launcher = argv[2], reference = argv[3], java = argv[4];
    const std::string javaPath = Narrow(java.c_str());
    const std::string home = javaPath.substr(0, javaPath.rfind("\\bin\\"));
    const std::wstring record = L"C:\\bench-record.txt";
    SetEnvironmentVariableW(L"SMS_RECORD", record.c_str());

    const int counts[] = {1, 1000};
    std::map<std::string, std::vector<double>> samples;  // "who/figure/runtimes"
    const auto note = [&](const std::string& who, int count, const Run& run) {
        const std::string n = std::to_string(count);
        samples[who + "/shown/" + n].push_back(run.shownMs);
        samples[who + "/onscreen/" + n].push_back(run.onScreenMs);
        samples[who + "/tick/" + n].push_back(run.tickToJavaMs);
        samples[who + "/end/" + n].push_back(run.javaToEndMs);
        samples[who + "/peak/" + n].push_back(run.peakKiB);
    };
    for (const int count : counts) {
        RegisterRuntimes(count, home);
        Measure(L"\"" + reference + L"\" " + java, record);  // warms Wine up, not counted
        Measure(L"\"" + launcher + L"\"", record);
        for (int i = 0; i < runs; ++i) {
            note("reference", count, Measure(L"\"" + reference + L"\" " + java, record));
            note("launcher", count, Measure(L"\"" + launcher + L"\"", record));
        }
    }
    RegisterRuntimes(1, home);

    const auto get = [&](const std::string& who, const std::string& figure, int count) {
        return Summarise(samples[who + "/" + figure + "/" + std::to_string(count)]);
    };
    // What the thousand runtimes add, one difference per pair of runs.
    const auto added = [&](const std::string& who) {
        std::vector<double> differences;
        const auto& one = samples[who + "/tick/1"];
        const auto& many = samples[who + "/tick/1000"];
        for (std::size_t i = 0; i < one.size() && i < many.size(); ++i) {
            if (one[i] >= 0 && many[i] >= 0) differences.push_back(many[i] - one[i]);
        }
        return Summarise(differences);
    };
    const double picture = FileSize(argv[5]);
    const double launcherSize = FileSize(launcher.c_str());
    const double referenceSize = FileSize(reference.c_str());

    // clang-format off
    std::vector<Figure> figures = {
        {"Size (bytes)", "size_bytes", {referenceSize, referenceSize, referenceSize},
         {launcherSize, launcherSize, launcherSize}, "", false, true},
        {"  besides the splash picture", "size_besides_picture_bytes",
         {referenceSize, referenceSize, referenceSize},
         {launcherSize - picture, launcherSize - picture, launcherSize - picture}, "<= 55 KiB", true,
         launcherSize - picture <= 55 * 1024},
        {"Start to window on screen (ms)", "window_on_screen_ms", get("reference", "shown", 1),
         get("launcher", "shown", 1), "<= 1.25 x", true, false},
        {"Window on screen (ms)", "on_screen_ms", get("reference", "onscreen", 1),
         get("launcher", "onscreen", 1), "2000 +- 50", true, false},
        {"Tick to Java start, 1 runtime (ms)", "tick_to_java_1_ms", get("reference", "tick", 1),
         get("launcher", "tick", 1), "", false, true},
        {"Tick to Java start, 1000 runtimes (ms)", "tick_to_java_1000_ms",
         get("reference", "tick", 1000), get("launcher", "tick", 1000), "", false, true},
        {"  added by 999 more runtimes (ms)", "added_by_999_runtimes_ms", added("reference"),
         added("launcher"), "<= 1.25 x", true, false},
        {"Java start to end (ms)", "java_start_to_end_ms", {}, get("launcher", "end", 1),
         "10000 +- 100", true, false},
        {"Peak working set (KiB)", "peak_working_set_kib", get("reference", "peak", 1),
         get("launcher", "peak", 1), "<= 1.25 x", true, false},
    };
    // clang-format on
    for (auto& f : figures) {
        const std::string target = f.target;
        if (target == "<= 1.25 x") f.met = f.launcher.median <= 1.25 * f.reference.median;
        if (target == "2000 +- 50") f.met = std::abs(f.launcher.median - 2000) <= 50;
        if (target == "10000 +- 100") f.met = std::abs(f.launcher.median - 10000) <= 100;
    }

    std::printf(
        "SmsServer.exe against a bare Win32 window, %d runs each, interleaved; median (range)\n\n",
        runs);
    std::printf("%-40s %-22s %-22s %-6s %s\n", "", "reference", "SmsServer.exe", "ratio", "target");
    for (const auto& f : figures) {
        const bool ratio = f.reference.median > 0 && f.launcher.median >= 0;
        std::printf("%-40s %-22s %-22s %-6s %s%s\n", f.name, Cell(f.reference).c_str(),
                    Cell(f.launcher).c_str(),
                    ratio ? Number(f.launcher.median / f.reference.median, 2).c_str() : "-",
                    f.target, f.hasTarget ? (f.met ? ": met" : ": NOT met") : "");
    }

    std::ostringstream json;
    json << "{\n  \"runs\": " << runs << ",\n  \"figures\": {\n";
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const auto& f = figures[i];
        json << "    \"" << f.key << "\": {\"reference\": " << Json(f.reference)
             << ", \"launcher\": " << Json(f.launcher) << ", \"target\": \"" << f.target
             << "\", \"met\": " << (f.hasTarget ? (f.met ? "true" : "false") : "null") << "}"
             << (i + 1 < figures.size() ? ",\n" : "\n");
    }
    json << "  }\n}\n";
    std::ofstream(argv[6], std::ios::binary) << json.str();
    return 0;
}
