// What a start would do: the launcher's decisions taken on this computer's registry and
// folders, with what each depends on, and nothing written anywhere.
#include "check/check.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "check/hold.h"
#include "check/installed_runtimes.h"
#include "launcher/command_line.h"
#include "platform/program_control.h"
#include "product_facts.h"
#include "registry/MRegistry.h"
#include "runtime/decisions.h"
#include "runtime/mod_main.h"

namespace check {
namespace {

constexpr wchar_t kRootName[] = L"HKEY_LOCAL_MACHINE\\";
constexpr wchar_t kFromPathSilently[] =
    L"a start runs java from the search path, without a message";
constexpr wchar_t kInstallJava[] = L"Install a 32-bit Java runtime, version 1.5 to 8.";

// A registry text shown on one line: control characters, inner NULs among them, as "?".
std::wstring Printable(std::wstring text) {
    for (auto& c : text) {
        if (c < L' ') c = L'?';
    }
    return text;
}

std::wstring Quoted(const std::wstring& name) {
    return base::Concat({L"\"", Printable(name), L"\""});
}

// 1.5 as "1.5", 2 as "2": a version read from three characters has at most two decimals.
std::wstring VersionText(double version) {
    // Half away from zero, as lround rounds: at most 999, so no overflow.
    const long hundredths = static_cast<long>(std::fabs(version) * 100 + 0.5);
    std::wstring decimals = base::DecimalText(100 + hundredths % 100).substr(1);
    while (!decimals.empty() && decimals.back() == L'0') decimals.pop_back();
    return base::Concat({version < 0 ? L"-" : L"", base::DecimalText(hundredths / 100),
                         decimals.empty() ? L"" : L".", decimals});
}

std::wstring TypeName(std::uint32_t type) {
    static const wchar_t* const kNames[] = {L"REG_NONE",
                                            L"REG_SZ",
                                            L"REG_EXPAND_SZ",
                                            L"REG_BINARY",
                                            L"REG_DWORD",
                                            L"REG_DWORD_BIG_ENDIAN",
                                            L"REG_LINK",
                                            L"REG_MULTI_SZ",
                                            L"REG_RESOURCE_LIST",
                                            L"REG_FULL_RESOURCE_DESCRIPTOR",
                                            L"REG_RESOURCE_REQUIREMENTS_LIST",
                                            L"REG_QWORD"};
    if (type < std::size(kNames)) return kNames[type];
    return base::Concat({L"type ", base::DecimalText(type)});
}

// The lowest version a start takes, "1.5".
std::wstring MinimumVersionText() { return VersionText(mod_main::kMinimumJavaVersion); }

// What the version reading makes of a runtime's name.
std::wstring VersionReading(const std::wstring& name) {
    const auto version = mod_main::RuntimeVersionOf(name);
    if (!version) {
        return base::Concat({Quoted(name.substr(0, 3)), L" is not a number (",
                             version.failure().description, L")"});
    }
    const std::wstring reading = base::Concat({L"version ", VersionText(*version)});
    if (mod_main::IsSuitableVersion(*version)) return reading;
    return base::Concat({reading, L", below ", MinimumVersionText()});
}

// The first line of a message of several.
std::wstring FirstLine(std::wstring_view message) {
    return std::wstring(message.substr(0, message.find(L'\r')));
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SameDrive(wchar_t a, wchar_t b) { return (a | 0x20) == (b | 0x20); }

// The file a start runs for the launcher's path, as Windows resolves it with the program
// folder current, where a slash is a backslash: a full path (C:\..., C:/..., \\server\...) as
// it stands; one rooted on no drive (\Java\...) on the program folder's drive; one on a drive
// but no folder (C:jre6\...) below the program folder when that lies on the drive, else below
// the drive's root, the only current folder a start has there; any other below the program
// folder. note tells how, for all but a full path.
std::wstring ResolvedPath(const std::wstring& path, const std::wstring& programFolder,
                          std::wstring& note) {
    const bool onDrive = path.size() >= 2 && path[1] == L':';
    if ((onDrive && path.size() >= 3 && IsSeparator(path[2])) ||
        (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))) {
        return path;
    }
    if (!path.empty() && IsSeparator(path[0])) {
        note = L"JavaHome is not a full path: a start takes it on the program folder's drive";
        return programFolder.substr(0, 2) + path;
    }
    if (onDrive && !(programFolder.size() >= 2 && SameDrive(path[0], programFolder[0]))) {
        note = base::Concat(
            {L"JavaHome names a drive but no folder: a start takes it below the root of ",
             path.substr(0, 2)});
        return base::Concat({path.substr(0, 2), L"\\", path.substr(2)});
    }
    note = L"JavaHome is not a full path: a start takes it below the program folder";
    return base::Concat({programFolder, L"\\", onDrive ? path.substr(2) : path});
}

std::wstring Joined(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? L"" : i + 1 == names.size() ? L" and " : L", ";
        text += names[i];
    }
    return text;
}

class Survey {
public:
    Survey(const CheckPlatform& platform, const std::wstring& programFolder)
        : platform_(platform), queries_(platform.queries) {
        report_.programFolder = programFolder;
    }

    Report Run() {
        if (!queries_.FolderExists(report_.programFolder)) {
            report_.status = kCouldNotCheck;
            report_.verdict.push_back(
                base::Concat({L"The folder ", report_.programFolder, L" does not exist."}));
            return std::move(report_);
        }
        CheckProgram();
        const bool startGoesOn = CheckRuntimes();
        if (startGoesOn) CheckJavaLauncher();
        AddHints();
        if (startGoesOn) CheckSupportFiles();
        WriteVerdict();
        return std::move(report_);
    }

private:
    void BeginSection(const wchar_t* title) { report_.sections.push_back({title, {}}); }
    void Add(Mark mark, std::initializer_list<std::wstring_view> pieces) {
        report_.sections.back().findings.push_back({mark, base::Concat(pieces)});
    }

    void CheckProgram() {
        const std::wstring& folder = report_.programFolder;
        BeginSection(L"Program");
        // Java 8 reads its command line in the system's ANSI code page, so a class path below
        // a folder whose name that code page cannot hold names files that do not exist.
        const auto& registry = platform_.registry;
        if (registry.AnsiToWide(registry.WideToAnsi(folder)) != folder) {
            Add(Mark::Problem,
                {L"Folder ", folder,
                 L": the system's ANSI code page cannot hold its name, and Java 8, "
                 L"which reads its command line in that code page, would not find the application "
                 L"there; move " SMS_PRODUCT_NAME L" to a folder with a plain name"});
        } else {
            Add(Mark::Ok, {L"Folder ", folder});
        }
        const std::wstring exe = PathIn(folder, L"" SMS_LAUNCHER_FILE);
        if (queries_.FileExists(exe)) {
            const std::wstring version = queries_.FileVersion(exe);
            Add(Mark::Ok, {L"" SMS_LAUNCHER_FILE, version.empty() ? L"" : L", version ", version});
        } else {
            Add(Mark::Missing, {L"" SMS_LAUNCHER_FILE L" is not in this folder"});
        }
        for (const wchar_t* entry : launcher::kClassPath) CheckClassPathEntry(entry);
    }

    // The class path names nine jar files and, last, a folder.
    void CheckClassPathEntry(std::wstring_view entry) {
        const std::wstring path = base::Concat({report_.programFolder, entry});
        const std::wstring_view shown = entry.substr(1);
        const bool wantsFolder = !shown.ends_with(L".jar");
        const bool isFile = queries_.FileExists(path);
        const bool isFolder = queries_.FolderExists(path);
        if (wantsFolder ? isFolder : isFile) {
            Add(Mark::Ok, {shown});
            return;
        }
        report_.classPathMissing.emplace_back(shown);
        if (isFile || isFolder) {
            Add(Mark::Problem,
                {shown, isFolder ? L" is a folder, not a file" : L" is a file, not a folder"});
        } else {
            Add(Mark::Missing, {shown});
        }
    }

    // The runtime choice of a start. False when a start ends there.
    bool CheckRuntimes() {
        BeginSection(L"Java runtimes (the 32-bit registry view, which the launcher reads)");
        const std::wstring key = mod_main::kJavaRuntimeKey;
        if (!MRegistry::RegistryKeyExists(platform_.registry, platform::kHKeyLocalMachine, key)) {
            Add(Mark::Problem, {kRootName, key,
                                L" is missing or cannot be read: no 32-bit Java "
                                L"runtime is installed"});
            report_.status = static_cast<int>(platform::ExitStatus::NoJavaRuntime);
            return false;
        }
        Add(Mark::Ok, {L"Key ", kRootName, key});
        const auto names =
            MRegistry::ListRegistrySubkeys(platform_.registry, platform::kHKeyLocalMachine, key)
                .Names();
        const mod_main::RuntimeChoice choice = mod_main::ChooseRuntime(names);
        for (std::size_t i = 0; i < names.size(); ++i) AddRuntime(names[i], i, choice);
        if (choice.failure) {
            searchFailure_ = choice.failure->description;
            return true;
        }
        if (!choice.chosen) {
            Add(Mark::Problem,
                {names.empty()
                     ? L"No runtime is listed below the key"
                     : base::Concat({L"None is version ", MinimumVersionText(), L" or higher"})});
            report_.status = static_cast<int>(platform::ExitStatus::NoSuitableJavaRuntime);
            return false;
        }
        report_.chosenRuntime = names[choice.stoppedAt];
        CheckJavaHome();
        return true;
    }

    void AddRuntime(const std::wstring& name, std::size_t index,
                    const mod_main::RuntimeChoice& choice) {
        const std::wstring shown = Quoted(name);
        const std::wstring reading = VersionReading(name);
        if (index != choice.stoppedAt) {
            Add(Mark::Note,
                {shown, L": ", reading,
                 index < choice.stoppedAt ? L": passed"
                                          : L": not looked at, the search stopped before it"});
        } else if (choice.chosen) {
            Add(Mark::Ok, {shown, L": ", reading, L": chosen, the first of ", MinimumVersionText(),
                           L" or higher"});
        } else {
            Add(Mark::Problem, {shown, L": ", reading, L": the search stops here with \"",
                                mod_main::kSearchFailedMessage, L"\""});
        }
    }

    void CheckJavaHome() {
        const std::wstring& name = report_.chosenRuntime;
        const std::wstring key = base::Concat({mod_main::kJavaRuntimeKey, L"\\", name});
        if (!MRegistry::RegistryKeyExists(platform_.registry, platform::kHKeyLocalMachine, key)) {
            Add(Mark::Problem,
                {L"The key of ", Quoted(name), L" cannot be opened: ", kFromPathSilently});
            return;
        }
        std::uint32_t type = platform::kRegNone;
        const auto home = mod_main::ReadJavaHome(platform_.registry, name, &type);
        if (home) {
            report_.javaHomePath = *home;
        } else {
            searchFailure_ = home.failure().description;
        }
        const std::wstring read = base::Concat({L"JavaHome (", TypeName(type), L"): "});
        if (!searchFailure_.empty()) {
            Add(Mark::Problem, {read, searchFailure_});
        } else if (report_.javaHomePath.empty()) {
            Add(Mark::Problem, {read, L"empty: ", kFromPathSilently});
        } else {
            Add(Mark::Ok, {read, Printable(report_.javaHomePath)});
        }
    }

    void CheckJavaLauncher() {
        report_.javaLauncher = launcher::JavaLauncherProgram(report_.javaHomePath);
        if (report_.javaHomePath.empty()) {
            report_.javaFound = queries_.FindProgram(report_.javaLauncher, report_.programFolder);
            if (report_.javaFound.empty()) {
                Add(Mark::Problem, {L"No java.exe in the program folder, the system folders or the "
                                    L"folders of PATH"});
            } else {
                Add(Mark::Ok, {L"java from the search path: ", report_.javaFound});
            }
            return;
        }
        // A start runs the launcher with the program folder as its current folder.
        std::wstring note;
        const std::wstring path = ResolvedPath(report_.javaLauncher, report_.programFolder, note);
        if (!note.empty()) Add(Mark::Note, {note});
        const bool found = queries_.FileExists(path);
        if (found) report_.javaFound = path;
        Add(found ? Mark::Ok : Mark::Problem, {Printable(path), found ? L"" : L" is missing"});
    }

    // Runtimes the launcher never sees: how to make one usable, or why none of them could serve.
    void AddHints() {
        BeginSection(L"Hints (from keys the launcher itself does not read)");
        // The runtime folders named so far, as FolderForComparison gives them.
        std::vector<std::wstring> hinted;
        for (const auto& runtime : RuntimesAStartDoesNotSee(platform_)) {
            hinted.push_back(FolderForComparison(runtime.folder));
            Add(Mark::Hint, {Printable(HintFor(runtime))});
        }
        platform::Registry* const views[] = {&platform_.registry, platform_.registry64};
        const wchar_t* const viewNames[] = {L" (32-bit view)", L" (64-bit view)"};
        if (views[1])
            AddHintsFrom(*views[1], mod_main::kJavaRuntimeKey, viewNames[1], kNo64Bit, hinted);
        for (const wchar_t* key : {L"SOFTWARE\\JavaSoft\\JRE", L"SOFTWARE\\JavaSoft\\JDK"}) {
            for (int view = 0; view < 2; ++view) {
                if (views[view])
                    AddHintsFrom(*views[view], key, viewNames[view], kNoLibExtReason, hinted);
            }
        }
        if (!views[1]) Add(Mark::Note, {L"32-bit Windows: there is no 64-bit registry view"});
        if (report_.sections.back().findings.empty())
            Add(Mark::Note, {L"No other Java is registered"});
    }

    void AddHintsFrom(platform::Registry& registry, std::wstring_view key, const wchar_t* view,
                      const wchar_t* reason, const std::vector<std::wstring>& hinted) {
        const std::wstring path(key);
        for (const auto& name :
             MRegistry::ListRegistrySubkeys(registry, platform::kHKeyLocalMachine, path)) {
            const std::wstring home = MRegistry::ReadRegistryText(
                registry, platform::kHKeyLocalMachine, base::Concat({path, L"\\", name}),
                mod_main::kJavaHomeValue);
            if (std::find(hinted.begin(), hinted.end(), FolderForComparison(home)) != hinted.end())
                continue;
            Add(Mark::Hint, {key.substr(key.rfind(L'\\') + 1), L" ", Quoted(name), view,
                             home.empty() ? L"" : L" at ", Printable(home), L": ", reason,
                             L"; a start does not see it"});
        }
    }

    void CheckSupportFiles() {
        BeginSection(L"Serial-port support files");
        const bool source = queries_.FolderExists(mod_main::kSupportSourceFolder);
        Add(source ? Mark::Ok : Mark::Missing, {L"Source folder ", mod_main::kSupportSourceFolder});
        RepairHold hold;
        if (const auto why =
                source ? HoldForRepair(platform_, report_.javaHomePath, hold) : std::nullopt) {
            Add(Mark::Problem, {L"A repair copies nothing", why->description});
        }
        if (report_.javaHomePath.empty()) {
            Add(Mark::Note, {L"No runtime folder is chosen: a start copies nothing"});
            return;
        }
        for (const auto& file : mod_main::kSupportFiles) CheckSupportFile(file);
    }

    void CheckSupportFile(const mod_main::SupportFile& file) {
        const std::wstring folder = mod_main::SupportFolder(report_.javaHomePath, file);
        const std::wstring shownFolder = WithoutTrailingBackslash(folder);
        const std::wstring shown = base::Concat({file.folderSuffix + 1, file.fileName});
        if (queries_.FileExists(folder + file.fileName)) {
            Add(Mark::Ok, {shown, L" is in the runtime"});
            return;
        }
        if (!copyFailure_.empty()) {
            Add(Mark::Missing, {shown, L": not tried after that failure"});
            return;
        }
        Add(Mark::Missing, {shown, L": a start copies it from the source folder"});
        const std::wstring leftover = mod_main::TemporaryNameFor(file.fileName);
        if (queries_.FileExists(folder + leftover)) {
            Add(Mark::Note, {leftover, L", left by an interrupted start, is removed first"});
        }
        const std::wstring source = mod_main::SupportSource(file);
        std::wstring why;
        if (!queries_.FileExists(source)) {
            why = base::Concat({L"its source ", source, L" is missing"});
        } else if (!queries_.FolderExists(folder)) {
            why = base::Concat(
                {L"the folder ", shownFolder, L" is missing, and a start makes no folder"});
        } else {
            switch (queries_.WriteAccessTo(folder)) {
                case platform::WriteAccess::Denied:
                    why = base::Concat({L"this user may not write to ", shownFolder,
                                        L": the first start must run as administrator"});
                    break;
                case platform::WriteAccess::Unknown:
                    Add(Mark::Note,
                        {L"Whether this user may write to ", shownFolder, L" cannot be told"});
                    break;
                case platform::WriteAccess::Allowed:
                    break;
            }
        }
        if (why.empty()) {
            report_.filesToCopy.push_back(file.fileName);
        } else {
            Add(Mark::Problem, {L"Copying ", file.fileName, L" fails: ", why});
            copyFailure_ = file.fileName;
        }
    }

    // A start's end, or what it does in order, each clause after the one before.
    void WriteVerdict() {
        auto& verdict = report_.verdict;
        for (const auto& [status, message] :
             {std::pair{platform::ExitStatus::NoJavaRuntime,
                        FirstLine(mod_main::kNoJavaRuntimeMessage)},
              std::pair{platform::ExitStatus::NoSuitableJavaRuntime,
                        std::wstring(mod_main::kNoSuitableJavaRuntimeMessage)}}) {
            if (report_.status != static_cast<int>(status)) continue;
            verdict.push_back(
                base::Concat({L"A start would show \"", message, L"\" and end with status ",
                              base::DecimalText(static_cast<long>(status)), L". ", kInstallJava}));
            return;
        }
        const bool found = !report_.javaFound.empty();
        report_.status = static_cast<int>(found ? platform::ExitStatus::Ended
                                                : platform::ExitStatus::UnhandledFailure);
        std::vector<std::wstring> clauses;
        if (!searchFailure_.empty()) {
            clauses.push_back(base::Concat(
                {L"show \"", searchFailure_, L"\" and \"", mod_main::kSearchFailedMessage, L"\""}));
        }
        if (!report_.filesToCopy.empty()) {
            clauses.push_back(base::Concat(
                {L"copy ", Joined(report_.filesToCopy), L" into ", report_.javaHomePath}));
        }
        if (!copyFailure_.empty()) {
            clauses.push_back(base::Concat(
                {L"fail to copy ", copyFailure_, L" (\"", mod_main::kCopyFailedMessage, L"\")"}));
        }
        clauses.push_back(
            found ? base::Concat({L"start ", report_.javaFound, L"."})
                  : base::Concat({L"fail to start ", report_.javaLauncher,
                                  L" with a \"Run-time error\" message and end with status 1."}));
        std::wstring sentence = L"A start would ";
        for (std::size_t i = 0; i < clauses.size(); ++i)
            sentence += (i == 0 ? L"" : L", then ") + clauses[i];
        verdict.push_back(std::move(sentence));
        if (found && (!report_.filesToCopy.empty() || !copyFailure_.empty())) {
            report_.status = kSupportFilesNotInPlace;
            verdict.push_back(
                L"Not ready: the support files are not all in place. A start by an account "
                L"that may write to the runtime copies them; /repair as administrator does now, "
                L"and the package's task at the next start of Windows.");
        }
        if (found && !report_.classPathMissing.empty()) {
            verdict.push_back(base::Concat(
                {L"The application would then fail: ",
                 base::DecimalText(static_cast<long>(report_.classPathMissing.size())), L" of its ",
                 base::DecimalText(static_cast<long>(launcher::kClassPath.size())),
                 L" class-path entries are missing or wrong."}));
        }
    }

    const CheckPlatform& platform_;
    platform::FileQueries& queries_;
    Report report_;
    std::wstring searchFailure_;  // the description a failed search shows
    std::wstring copyFailure_;    // the support file whose copy fails
};

}  // namespace

Report CheckStart(const CheckPlatform& platform, const std::wstring& programFolder) {
    return Survey(platform, programFolder).Run();
}

}  // namespace check
