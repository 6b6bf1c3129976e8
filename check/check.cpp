// What a start would do: the launcher's decisions taken on this computer's registry and
// folders, with what each depends on, and nothing written anywhere.
#include "check/check.h"

#include <cmath>
#include <optional>

#include "launcher/command_line.h"
#include "launcher/version.h"
#include "platform/decimal.h"
#include "platform/failure.h"
#include "registry/MRegistry.h"
#include "runtime/mod_main.h"

namespace check {
namespace {

constexpr auto kRoot = platform::kHKeyLocalMachine;
constexpr wchar_t kRootName[] = L"HKEY_LOCAL_MACHINE\\";
constexpr wchar_t kSearchFailed[] = L"\"Error While Searching JVM on Your Machine\"";
constexpr wchar_t kFromSearchPath[] = L"a start runs java from the search path";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A registry text shown on one line: control characters, inner NULs among them, as "?".
std::wstring Printable(std::wstring text) {
    for (auto& c : text) {
        if (c < L' ') c = L'?';
    }
    return text;
}

// 1.5 as "1.5", 2 as "2": a version read from three characters has at most two decimals.
std::wstring VersionText(double version) {
    const long long hundredths = std::llround(std::fabs(version) * 100);
    std::wstring text = (version < 0 ? L"-" : L"") + DecimalText(hundredths / 100);
    const long long fraction = hundredths % 100;
    if (fraction != 0) {
        text += L"." + DecimalText(fraction / 10);
        if (fraction % 10 != 0) text += DecimalText(fraction % 10);
    }
    return text;
}

std::wstring TypeName(std::uint32_t type) {
    static const wchar_t* const kNames[] = {
        L"REG_NONE",  L"REG_SZ",   L"REG_EXPAND_SZ", L"REG_BINARY", L"REG_DWORD",
        L"REG_DWORD_BIG_ENDIAN", L"REG_LINK", L"REG_MULTI_SZ", L"REG_RESOURCE_LIST",
        L"REG_FULL_RESOURCE_DESCRIPTOR", L"REG_RESOURCE_REQUIREMENTS_LIST", L"REG_QWORD"};
    if (type < std::size(kNames)) return kNames[type];
    return L"type " + DecimalText(type);
}

// What the version reading makes of a runtime's name.
std::wstring VersionReading(const std::wstring& name) {
    try {
        const double version = mod_main::RuntimeVersionOf(name);
        return L"version " + VersionText(version) +
               (mod_main::IsSuitableVersion(version) ? L"" : L", below 1.5");
    } catch (const Failure& failure) {
        return Quoted(name.substr(0, 3)) + L" is not a number (" + failure.description + L")";
    }
}

bool IsFullPath(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
           path.rfind(L"\\\\", 0) == 0;
}

class Inspection {
public:
    Inspection(const CheckPlatform& platform, const std::wstring& programFolder)
        : platform_(platform) {
        report_.programFolder = programFolder;
    }

    Report Run() {
        if (!platform_.inspection.FolderExists(report_.programFolder)) {
            report_.status = kCouldNotCheck;
            report_.verdict.push_back(L"The folder " + report_.programFolder + L" does not exist.");
            return report_;
        }
        CheckProgram();
        if (CheckRuntimes()) {
            CheckJavaLauncher();
            AddHints();
            CheckSupportFiles();
        } else {
            AddHints();
        }
        WriteVerdict();
        return report_;
    }

private:
    Section& Start(std::wstring title) {
        report_.sections.push_back({std::move(title), {}});
        return report_.sections.back();
    }
    void Add(Mark mark, std::wstring text) {
        report_.sections.back().findings.push_back({mark, std::move(text)});
    }

    void CheckProgram() {
        const std::wstring& folder = report_.programFolder;
        Start(L"Program");
        Add(Mark::Ok, L"Folder " + folder);
        const std::wstring exe = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"" SMS_EXE_NAME;
        if (platform_.files.FileExists(exe)) {
            const std::wstring version = platform_.inspection.FileVersion(exe);
            Add(Mark::Ok, L"" SMS_EXE_NAME + (version.empty() ? L"" : L", version " + version));
        } else {
            Add(Mark::Missing, L"" SMS_EXE_NAME L" is not in this folder");
        }
        for (const wchar_t* entry : launcher::kClassPath) CheckClassPathEntry(entry);
    }

    // The class path names nine jar files and, last, a folder.
    void CheckClassPathEntry(const std::wstring& entry) {
        const std::wstring path = report_.programFolder + entry;
        const std::wstring shown = entry.substr(1);
        const bool wantsFolder = shown.size() < 4 || shown.substr(shown.size() - 4) != L".jar";
        const bool isFile = platform_.files.FileExists(path);
        const bool isFolder = platform_.inspection.FolderExists(path);
        if (wantsFolder ? isFolder : isFile) {
            Add(Mark::Ok, shown);
            return;
        }
        report_.classPathMissing.push_back(shown);
        if (isFile || isFolder) {
            Add(Mark::Problem, shown + (isFolder ? L" is a folder, not a file" : L" is a file, not a folder"));
        } else {
            Add(Mark::Missing, shown);
        }
    }

    // The runtime choice of a start. False when a start ends there.
    bool CheckRuntimes() {
        Start(L"Java runtimes (the 32-bit registry view, which the launcher reads)");
        const std::wstring key = mod_main::kJavaRuntimeKey;
        if (!MRegistry::RegistryKeyExists(platform_.registry, kRoot, key)) {
            Add(Mark::Problem, kRootName + key + L" is missing or cannot be read: no 32-bit Java "
                               L"runtime is installed");
            report_.status = static_cast<int>(platform::ExitStatus::NoJavaRuntime);
            return false;
        }
        Add(Mark::Ok, L"Key " + std::wstring(kRootName) + key);
        const auto names = MRegistry::ListRegistrySubkeys(platform_.registry, kRoot, key).Names();
        const mod_main::RuntimeChoice choice = mod_main::ChooseRuntime(names);
        for (std::size_t i = 0; i < names.size(); ++i) AddRuntime(names[i], i, choice);
        if (choice.failure) {
            searchFailure_ = choice.failure->description;
            return true;
        }
        if (!choice.chosen) {
            Add(Mark::Problem, names.empty() ? L"No runtime is listed below the key"
                                             : L"None is version 1.5 or higher");
            report_.status = static_cast<int>(platform::ExitStatus::NoSuitableJavaRuntime);
            return false;
        }
        report_.chosenRuntime = names[choice.stoppedAt];
        ReadJavaHome();
        return true;
    }

    void AddRuntime(const std::wstring& name, std::size_t index, const mod_main::RuntimeChoice& choice) {
        const std::wstring reading = Quoted(Printable(name)) + L": " + VersionReading(name);
        if (index < choice.stoppedAt) {
            Add(Mark::Note, reading + L": passed");
        } else if (index > choice.stoppedAt) {
            Add(Mark::Note, reading + L": not looked at, the search stopped before it");
        } else if (choice.chosen) {
            Add(Mark::Ok, reading + L": chosen, the first of 1.5 or higher");
        } else {
            Add(Mark::Problem, reading + L": the search stops here with " + kSearchFailed);
        }
    }

    void ReadJavaHome() {
        const std::wstring& name = report_.chosenRuntime;
        const std::wstring key = std::wstring(mod_main::kJavaRuntimeKey) + L"\\" + name;
        if (!MRegistry::RegistryKeyExists(platform_.registry, kRoot, key)) {
            Add(Mark::Problem, L"The key of " + Quoted(Printable(name)) + L" cannot be opened: " +
                                   kFromSearchPath + L", without a message");
            return;
        }
        std::uint32_t type = platform::kRegNone;
        try {
            report_.javaHomePath = mod_main::ReadJavaHome(platform_.registry, name, &type);
        } catch (const Failure& failure) {
            Add(Mark::Problem, L"JavaHome (" + TypeName(type) + L"): " + failure.description);
            searchFailure_ = failure.description;
            return;
        }
        const std::wstring read = L"JavaHome (" + TypeName(type) + L"): ";
        if (report_.javaHomePath.empty()) {
            Add(Mark::Problem, read + L"empty: " + kFromSearchPath + L", without a message");
        } else {
            Add(Mark::Ok, read + Printable(report_.javaHomePath));
        }
    }

    void CheckJavaLauncher() {
        report_.javaLauncher = launcher::JavaLauncherProgram(report_.javaHomePath);
        if (report_.javaHomePath.empty()) {
            report_.javaFound = platform_.inspection.FindProgram(report_.javaLauncher, report_.programFolder);
            if (report_.javaFound.empty()) {
                Add(Mark::Problem, L"No java.exe in the program folder, the system folders or the "
                                   L"folders of PATH");
            } else {
                Add(Mark::Ok, L"java from the search path: " + report_.javaFound);
            }
            return;
        }
        // A start runs the launcher with the program folder as its current folder.
        std::wstring path = report_.javaLauncher;
        if (!IsFullPath(path)) {
            Add(Mark::Note, L"JavaHome is not a full path: a start takes it below the program folder");
            path = report_.programFolder + L"\\" + path;
        }
        if (platform_.files.FileExists(path)) {
            report_.javaFound = path;
            Add(Mark::Ok, Printable(path));
        } else {
            Add(Mark::Problem, Printable(path) + L" is missing");
        }
    }

    // Runtimes the launcher never sees, and why none of them could serve.
    void AddHints() {
        Start(L"Hints (from keys the launcher itself does not read)");
        const std::size_t before = report_.sections.back().findings.size();
        if (platform_.registry64) {
            AddHintsFrom(*platform_.registry64, mod_main::kJavaRuntimeKey, L"64-bit view",
                         L"a 64-bit Java cannot load the 32-bit serial library Win32com.dll");
        }
        const wchar_t* const kNewerKeys[] = {L"SOFTWARE\\JavaSoft\\JRE", L"SOFTWARE\\JavaSoft\\JDK"};
        const wchar_t* const kLibExt = L"Java 9 and later no longer load lib\\ext, where the "
                                       L"serial-port files go";
        for (const wchar_t* key : kNewerKeys) {
            AddHintsFrom(platform_.registry, key, L"32-bit view", kLibExt);
            if (platform_.registry64) AddHintsFrom(*platform_.registry64, key, L"64-bit view", kLibExt);
        }
        if (!platform_.registry64) Add(Mark::Note, L"32-bit Windows: there is no 64-bit registry view");
        if (report_.sections.back().findings.size() == before) {
            Add(Mark::Note, L"No other Java is registered");
        }
    }

    void AddHintsFrom(platform::Registry& registry, const std::wstring& key, const wchar_t* view,
                      const wchar_t* reason) {
        for (const auto& name : MRegistry::ListRegistrySubkeys(registry, kRoot, key)) {
            std::wstring home;
            try {
                home = MRegistry::ToText(
                    MRegistry::ReadRegistryValue(registry, kRoot, key + L"\\" + name, mod_main::kJavaHomeValue));
            } catch (const Failure&) {
            }
            Add(Mark::Hint, key.substr(key.rfind(L'\\') + 1) + L" " + Quoted(Printable(name)) + L" (" +
                                view + L")" + (home.empty() ? L"" : L" at " + Printable(home)) + L": " +
                                reason + L"; a start does not see it");
        }
    }

    void CheckSupportFiles() {
        const std::wstring source = mod_main::kSupportSourceFolder;
        Start(L"Serial-port support files");
        if (platform_.inspection.FolderExists(source)) {
            Add(Mark::Ok, L"Source folder " + source);
        } else {
            Add(Mark::Missing, L"Source folder " + source);
        }
        const std::wstring& home = report_.javaHomePath;
        if (home.empty()) {
            Add(Mark::Note, L"No runtime folder is chosen: a start copies nothing");
            return;
        }
        for (const auto& file : mod_main::kSupportFiles) CheckSupportFile(file);
    }

    void CheckSupportFile(const mod_main::SupportFile& file) {
        const std::wstring folder = mod_main::SupportFolder(report_.javaHomePath, file);
        const std::wstring shownFolder = WithoutTrailingBackslash(folder);
        const std::wstring shown = std::wstring(file.folderSuffix).substr(1) + file.fileName;
        if (platform_.files.FileExists(folder + file.fileName)) {
            Add(Mark::Ok, shown + L" is in the runtime");
            return;
        }
        if (!copyFailure_.empty()) {
            Add(Mark::Missing, shown + L": not tried after that failure");
            return;
        }
        Add(Mark::Missing, shown + L": a start copies it from the source folder");
        const std::wstring leftover = mod_main::TemporaryNameFor(file.fileName);
        if (platform_.files.FileExists(folder + leftover)) {
            Add(Mark::Note, leftover + L", left by an interrupted start, is removed first");
        }
        if (!platform_.files.FileExists(mod_main::SupportSource(file))) {
            Fail(file, L"its source " + mod_main::SupportSource(file) + L" is missing");
        } else if (!platform_.inspection.FolderExists(folder)) {
            Fail(file, L"the folder " + shownFolder + L" is missing, and a start makes no folder");
        } else {
            switch (platform_.inspection.WriteAccessTo(folder)) {
                case platform::WriteAccess::Denied:
                    Fail(file, L"this user may not write to " + shownFolder +
                                   L": the first start must run as administrator");
                    return;
                case platform::WriteAccess::Unknown:
                    Add(Mark::Note, L"Whether this user may write to " + shownFolder + L" cannot be told");
                    break;
                case platform::WriteAccess::Allowed:
                    break;
            }
            report_.filesToCopy.push_back(file.fileName);
        }
    }

    void Fail(const mod_main::SupportFile& file, std::wstring why) {
        Add(Mark::Problem, L"Copying " + std::wstring(file.fileName) + L" fails: " + why);
        copyFailure_ = file.fileName;
    }

    void WriteVerdict() {
        auto& verdict = report_.verdict;
        switch (static_cast<platform::ExitStatus>(report_.status)) {
            case platform::ExitStatus::NoJavaRuntime:
                verdict.push_back(L"A start would show \"You have not Installed Java Runtime Environment "
                                  L"on your computer.\" and end with status 2. Install a 32-bit Java "
                                  L"runtime, version 1.5 to 8.");
                return;
            case platform::ExitStatus::NoSuitableJavaRuntime:
                verdict.push_back(L"A start would show \"Java Runtime Environment version 1.5 or higher "
                                  L"version is not avaiable\" and end with status 3. Install a 32-bit "
                                  L"Java runtime, version 1.5 to 8.");
                return;
            default:
                break;
        }
        std::wstring first = L"A start would ";
        if (!searchFailure_.empty()) {
            first += L"show \"" + searchFailure_ + L"\" and " + kSearchFailed + L", then ";
        }
        if (!report_.filesToCopy.empty()) {
            first += L"copy " + Joined(report_.filesToCopy) + L" into " + report_.javaHomePath + L", then ";
        }
        if (!copyFailure_.empty()) {
            first += L"fail to copy " + copyFailure_ + L" (\"Error While Copying JAR File\"), then ";
        }
        if (report_.javaFound.empty()) {
            report_.status = static_cast<int>(platform::ExitStatus::UnhandledFailure);
            verdict.push_back(first + L"fail to start " + report_.javaLauncher +
                              L" with a \"Run-time error\" message and end with status 1.");
            return;
        }
        report_.status = static_cast<int>(platform::ExitStatus::Ended);
        verdict.push_back(first + L"start " + report_.javaFound + L".");
        if (!report_.classPathMissing.empty()) {
            verdict.push_back(L"The application would then fail: " +
                              DecimalText(static_cast<long long>(report_.classPathMissing.size())) +
                              L" of its 10 class-path entries are missing or wrong.");
        }
    }

    static std::wstring Joined(const std::vector<std::wstring>& names) {
        std::wstring text;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) text += i + 1 == names.size() ? L" and " : L", ";
            text += names[i];
        }
        return text;
    }

    const CheckPlatform& platform_;
    Report report_;
    std::wstring searchFailure_;  // the description a failed search shows
    std::wstring copyFailure_;    // the support file whose copy fails
};

}  // namespace

Report CheckStart(const CheckPlatform& platform, const std::wstring& programFolder) {
    return Inspection(platform, programFolder).Run();
}

}  // namespace check
