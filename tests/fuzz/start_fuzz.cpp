// A whole start over the fakes, on a layout decoded from the input, against a model of a
// start written here from the rules as the README states them, without the product's own
// decisions: the runtime choice, the JavaHome reading, the four copies with their leftovers,
// attributes and failures, the boxes, the command line and the exit status. One platform call
// may fail. Then: no key stays open, no support file is anything but whole, no temporary file
// stays but where a failure kept it, a second start ends as the model says, and the check,
// asked first, names what the start then ran.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/check.h"
#include "launcher/frmSplash.h"
#include "runtime/mod_main.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_message_boxes.h"
#include "tests/fakes/fake_registry.h"

namespace {

using Failure = base::Failure;
const std::string kKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const std::wstring kA = L"C:\\Java\\A";
const std::wstring kSource = L"C:\\sorvel\\GsmModemJar";
const wchar_t* const kNames[] = {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"};
const wchar_t* const kFolders[] = {L"\\lib\\ext\\", L"\\lib\\", L"\\bin\\", L"\\lib\\ext\\"};
// clang-format off
const char* const kOperations[] = {"", "splash load", "registry open", "registry enumerate",
                                   "registry query", "file exists", "file make writable",
                                   "file remove", "file copy", "file flush", "file rename",
                                   "current folder get", "current folder set", "process start",
                                   "message box"};
// clang-format on

// ---- The layout, from the input's bytes. --------------------------------------------------

struct Runtime {
    std::string name;
    int home;  // 0 no value, 1 C:\Java\A, 2 C:\Java\B, 3 empty, 4 expandable A, 5 a number, 6 QWORD, 7 C:/Java/A
    bool denied;
};

struct Layout {
    bool key = true;
    std::vector<Runtime> runtimes;
    int folders = 0;  // of A: 0 bin, lib and lib\ext; 1 no lib\ext; 2 none
    bool unwritableExt = false;
    bool sourceFolder = true;
    int sources[4] = {};    // 0 there, 1 missing, 2 read-only
    int inRuntime[4] = {};  // 0 nothing, 1 the file (another case), 2 a leftover, 3 read-only, 4 held open
    bool javaInA = true;
    bool javaOnPath = false;
    int operation = 0;  // index into kOperations; 0: nothing fails
    int call = 1;
};

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int Next(int choices) { return at_ < size_ ? data_[at_++] % choices : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

Layout Decode(Bytes in) {
    static const char* const names[] = {"1.4",  "1.5", "1.6.0_05", "2",  "10",         "1.10", "abc",
                                        " 1.6", "1,6", "\t1.5",    "1.", "\xE9\x31.6", "0.9",  "-1.6"};
    Layout layout;
    layout.key = in.Next(8) != 0;
    const int count = layout.key ? in.Next(4) : 0;
    std::set<std::string> seen;
    for (int i = 0; i < count; ++i) {
        Runtime runtime{names[in.Next(14)], in.Next(8), in.Next(6) == 0};
        if (seen.insert(runtime.name).second) layout.runtimes.push_back(runtime);
    }
    layout.folders = in.Next(3);
    layout.unwritableExt = in.Next(6) == 0;
    layout.sourceFolder = in.Next(8) != 0;
    for (int& source : layout.sources) source = in.Next(3);
    for (int& file : layout.inRuntime) file = in.Next(5);
    layout.javaInA = in.Next(6) != 0;
    layout.javaOnPath = in.Next(2) != 0;
    layout.operation = in.Next(static_cast<int>(std::size(kOperations)));
    layout.call = 1 + in.Next(4);
    return layout;
}

// ---- The fakes the product runs on. ---------------------------------------------------------

struct Control final : platform::ProgramControl {
    void Sleep(unsigned) override {}
};

struct Processes final : platform::Processes {
    base::Result<std::wstring> ProgramFolder() override { return std::wstring(L"D:\\Sms"); }
    base::Result<std::wstring> CurrentFolder() override {
        if (Injected(faults, "current folder get")) return Failure(5, L"Access is denied.");
        return current;
    }
    std::optional<Failure> SetCurrentFolder(const std::wstring& folder) override {
        if (Injected(faults, "current folder set")) return Failure(3, L"The system cannot find the path specified.");
        current = folder;
        return std::nullopt;
    }
    // Java runs on through the wait.
    struct RunsOn final : platform::StartedProgram {
        std::optional<platform::ProgramEnd> Wait(unsigned) override { return std::nullopt; }
    };
    base::Result<std::unique_ptr<platform::StartedProgram>> StartProcess(const std::wstring& line, int show) override {
        if (Injected(faults, "process start") || !runs(line)) {
            return Failure(2, L"The system cannot find the file specified.");
        }
        if (show != 0) std::abort();
        started.push_back(line);
        return std::unique_ptr<platform::StartedProgram>(std::make_unique<RunsOn>());
    }
    std::wstring current = L"E:\\work";
    std::vector<std::wstring> started;
    std::function<bool(const std::wstring&)> runs;
    FaultPlan* faults = nullptr;
};

struct Window final : platform::SplashWindow {
    std::optional<Failure> Load(const platform::SplashDesign&, std::function<void()> onTick) override {
        if (Injected(faults, "splash load")) return Failure(1407, L"Cannot find window class.");
        tick = std::move(onTick);
        return std::nullopt;
    }
    void Unload() override {}
    void RunUntilClosed() override { tick(); }
    std::function<void()> tick;
    FaultPlan* faults = nullptr;
};

std::vector<std::uint8_t> Text(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

void Arrange(const Layout& layout, FakeRegistry& registry, FakeFileSystem& files) {
    if (layout.key) registry.AddKey(kKey);
    for (const auto& runtime : layout.runtimes) {
        const std::string path = kKey + "\\" + runtime.name;
        registry.AddKey(path);
        const std::uint32_t sz = platform::kRegSz;
        switch (runtime.home) {
            case 1: registry.SetValue(path, "JavaHome", sz, Text("C:\\Java\\A")); break;
            case 2: registry.SetValue(path, "JavaHome", sz, Text("C:\\Java\\B")); break;
            case 3: registry.SetValue(path, "JavaHome", sz, Text("")); break;
            case 4: registry.SetValue(path, "JavaHome", platform::kRegExpandSz, Text("C:\\Java\\A")); break;
            case 5: registry.SetValue(path, "JavaHome", platform::kRegDword, {5, 0, 0, 0}); break;
            case 6: registry.SetValue(path, "JavaHome", platform::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}); break;
            case 7: registry.SetValue(path, "JavaHome", sz, Text("C:/Java/A")); break;
            default: break;
        }
        if (runtime.denied) registry.DenyOpen(path);
    }
    files.AddFolder(L"D:\\Sms");
    if (layout.folders < 2) files.AddFolder(kA + (layout.folders == 0 ? L"\\lib\\ext" : L"\\lib"));
    if (layout.folders < 2) files.AddFolder(kA + L"\\bin");
    if (layout.javaInA && layout.folders < 2) files.AddFile(kA + L"\\bin\\java.exe", "java");
    if (layout.unwritableExt) files.MakeUnwritable(kA + L"\\lib\\ext");
    if (layout.sourceFolder) {
        files.AddFolder(kSource);
        for (int i = 0; i < 4; ++i) {
            if (layout.sources[i] != 1) {
                files.AddFile(kSource + L"\\" + kNames[i], "new " + Narrow(kNames[i]), layout.sources[i] == 2);
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (layout.folders == 2 || layout.inRuntime[i] == 0) continue;
        const std::wstring folder = kA + kFolders[i];
        if (!files.FolderExists(folder.substr(0, folder.size() - 1))) continue;
        std::wstring lower = kNames[i];
        for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
        if (layout.inRuntime[i] == 1) {
            files.AddFile(folder + lower, "old");
        } else {
            files.AddFile(folder + L"~" + kNames[i] + L".tmp", "half", layout.inRuntime[i] >= 3);
            if (layout.inRuntime[i] == 4) files.HoldOpen(folder + L"~" + kNames[i] + L".tmp");
        }
    }
}

// ---- The model. -------------------------------------------------------------------------------

struct Prediction {
    int status = 0;
    std::vector<std::wstring> boxes;
    std::wstring started;  // the program at the head of the line; empty: nothing started
    std::map<std::wstring, std::pair<std::string, bool>> files;  // at the end: content, read-only
};

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The rules, one call at a time, on a file system of its own kept as the README's rules say.
class Model {
public:
    Model(const Layout& layout, const FakeFileSystem& start) : layout_(layout) {
        for (const auto& [key, file] : start.Files()) files_[Lower(file.name)] = {file.content, file.readOnly};
        if (layout.sourceFolder) folders_.insert(Lower(kSource));
        if (layout.folders < 2) folders_.insert({Lower(kA + L"\\bin"), Lower(kA + L"\\lib")});
        if (layout.folders == 0) folders_.insert(Lower(kA + L"\\lib\\ext"));
        for (int i = 0; i < 4; ++i) {
            if (layout.inRuntime[i] == 4) held_.insert(Lower(kA + kFolders[i] + L"~" + kNames[i] + L".tmp"));
        }
    }

    Prediction Run() {
        Prediction prediction = Started();
        for (const auto& [key, file] : files_) prediction.files[key] = {file.content, file.readOnly};
        return prediction;
    }

private:
    Prediction Started() {
        if (Fails("splash load")) return Unhandled(1407, L"Cannot find window class.");
        std::wstring home;
        if (Search(home)) return prediction_;
        const std::wstring program = home.empty() ? L"java" : home + L"\\bin\\java.exe";
        if (Fails("current folder get")) return Unhandled(5, L"Access is denied.");
        if (Fails("current folder set")) return Unhandled(3, L"The system cannot find the path specified.");
        const bool runs = home.empty() ? layout_.javaOnPath : files_.count(Lower(program)) > 0;
        if (Fails("process start") || !runs) return Unhandled(2, L"The system cannot find the file specified.");
        prediction_.started = program;
        if (Fails("current folder set")) return Unhandled(3, L"The system cannot find the path specified.");
        return prediction_;
    }

    struct File {
        std::string content;
        bool readOnly;
    };

    bool Fails(const std::string& operation) {
        return ++calls_[operation] == layout_.call && operation == kOperations[layout_.operation];
    }
    void Box(const std::wstring& text) {
        if (!Fails("message box")) prediction_.boxes.push_back(text);
    }
    Prediction Unhandled(long number, const std::wstring& text) {
        Box(L"Run-time error '" + std::to_wstring(number) + L"':\r\n\r\n" + text);
        prediction_.status = 1;
        return prediction_;
    }
    void Ends(const std::wstring& text, int status) {
        Box(text);
        prediction_.status = status;
    }

    // A key opens unless it is missing, denied, or the call fails; every open is closed.
    bool Opens(const std::string& path) {
        if (Fails("registry open")) return false;
        if (path == kKey) return layout_.key;
        for (const auto& runtime : layout_.runtimes) {
            if (path == kKey + "\\" + runtime.name) return layout_.key && !runtime.denied;
        }
        return false;
    }

    // Optional blanks, an optional sign, digits with at most one point, optional blanks.
    static std::optional<double> Number(const std::wstring& text) {
        std::size_t at = 0;
        while (at < text.size() && text[at] == L' ') ++at;
        double sign = 1;
        if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) sign = text[at++] == L'-' ? -1 : 1;
        std::wstring digits;
        int points = 0;
        for (; at < text.size() && (std::iswdigit(text[at]) || text[at] == L'.'); ++at) {
            points += text[at] == L'.';
            digits += text[at];
        }
        while (at < text.size() && text[at] == L' ') ++at;
        if (at != text.size() || points > 1 || digits.find_first_of(L"0123456789") == std::wstring::npos) {
            return std::nullopt;
        }
        return sign * std::wcstod((L"0" + digits).c_str(), nullptr);
    }

    // True when the start ends here.
    bool Search(std::wstring& home) {
        if (!Opens(kKey)) {
            Ends(mod_main::kNoJavaRuntimeMessage, 2);
            return true;
        }
        std::vector<const Runtime*> listed;
        if (Opens(kKey)) {
            for (std::size_t i = 0; !Fails("registry enumerate") && i < layout_.runtimes.size(); ++i) {
                listed.push_back(&layout_.runtimes[i]);
            }
        }
        const Runtime* chosen = nullptr;
        for (const Runtime* runtime : listed) {
            std::wstring name;
            for (const char c : runtime->name) name += static_cast<wchar_t>(static_cast<unsigned char>(c));
            const auto version = Number(name.substr(0, 3));
            if (!version) {
                SearchFailed(L"Type mismatch");
                return false;
            }
            if (*version >= 1.5) {
                chosen = runtime;
                break;
            }
        }
        if (!chosen) {
            Ends(L"Java Runtime Environment version 1.5 or higher version is not avaiable", 3);
            return true;
        }
        if (!Opens(kKey + "\\" + chosen->name)) return false;
        const bool queried = !Fails("registry query");
        static const wchar_t* const homes[] = {nullptr,        L"C:\\Java\\A", L"C:\\Java\\B", L"",
                                               L"C:\\Java\\A", L"5",           nullptr,        L"C:/Java/A"};
        if (!queried || !homes[chosen->home]) {
            SearchFailed(L"Unsupported value type");
            return false;
        }
        home = homes[chosen->home];
        if (!home.empty()) Install(home);
        return false;
    }

    void SearchFailed(const std::wstring& description) {
        Box(description);
        Box(L"Error While Searching JVM on Your Machine");
    }

    void Install(const std::wstring& home) {
        for (int i = 0; i < 4; ++i) {
            const std::wstring folder = home + kFolders[i];
            const bool there = !Fails("file exists") && files_.count(Lower(folder + kNames[i])) > 0;
            if (there) continue;
            if (const auto failure = Copy(i, folder)) {
                Box(failure->description);
                Box(L"Error While Copying JAR File");
                return;
            }
        }
    }

    static bool Held(const Failure& failure) {
        return failure.number == 5 || failure.number == 32 || failure.number == 33;
    }
    template <typename Step>
    std::optional<Failure> Retried(Step step) {
        for (int attempt = 0;; ++attempt) {
            auto failure = step();
            if (!failure || !Held(*failure) || attempt == 20) return failure;
        }
    }

    std::wstring FolderOf(const std::wstring& key) const { return key.substr(0, key.find_last_of(L'\\')); }
    bool Unwritable(const std::wstring& key) const {
        return layout_.unwritableExt && FolderOf(key) == Lower(kA + L"\\lib\\ext");
    }

    std::optional<Failure> ClearLeftover(const std::wstring& temp) {
        if (Fails("file make writable")) return Failure(5, L"Access is denied.");
        if (files_.count(temp)) files_[temp].readOnly = false;
        if (Fails("file remove")) return Failure(5, L"Access is denied.");
        if (!files_.count(temp)) return std::nullopt;
        if (Unwritable(temp)) return Failure(5, L"Access is denied.");
        if (held_.count(temp)) {
            return Failure(32, L"The process cannot access the file because it is being used by another process.");
        }
        files_.erase(temp);
        return std::nullopt;
    }

    // A copy: the leftover cleared, the copy to the temporary name, its flush and rename; after
    // a failed copy the temporary file is cleared once, after a failed flush or rename while
    // another program may hold it.
    std::optional<Failure> Copy(int i, const std::wstring& folder) {
        const std::wstring temp = Lower(folder + L"~" + kNames[i] + L".tmp");
        const std::wstring final = Lower(folder + kNames[i]);
        if (auto failure = ClearLeftover(temp)) return failure;
        const std::wstring source = Lower(kSource + L"\\" + kNames[i]);
        std::optional<Failure> failure;
        if (!files_.count(source)) {
            failure = layout_.sourceFolder ? Failure(2, L"The system cannot find the file specified.")
                                           : Failure(3, L"The system cannot find the path specified.");
        } else if (!folders_.count(FolderOf(temp))) {
            failure = Failure(3, L"The system cannot find the path specified.");
        } else if (Unwritable(temp)) {
            failure = Failure(5, L"Access is denied.");
        } else {
            files_[temp] = files_[source];
            if (Fails("file copy")) {
                files_[temp].content.resize(files_[temp].content.size() / 2);
                failure = Failure(112, L"There is not enough space on the disk.");
            }
        }
        if (failure) {
            (void)ClearLeftover(temp);
            return failure;
        }
        failure = Retried([&]() -> std::optional<Failure> {
            if (Fails("file flush")) {
                return Failure(1117, L"The request could not be performed because of an I/O device error.");
            }
            return std::nullopt;
        });
        if (!failure) {
            failure = Retried([&]() -> std::optional<Failure> {
                if (Fails("file rename")) return Failure(5, L"Access is denied.");
                if (files_.count(final) && files_[final].readOnly) return Failure(5, L"Access is denied.");
                files_[final] = files_[temp];
                files_.erase(temp);
                return std::nullopt;
            });
        }
        if (failure) (void)Retried([&] { return ClearLeftover(temp); });
        return failure;
    }

    const Layout& layout_;
    std::map<std::wstring, File> files_;
    std::set<std::wstring> folders_;
    std::set<std::wstring> held_;
    std::map<std::string, int> calls_;
    Prediction prediction_;
};

// ---- The run. -----------------------------------------------------------------------------

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

[[noreturn]] void Mismatch(const char* what, const std::wstring& seen, const std::wstring& predicted) {
    std::fprintf(stderr, "start and model differ in %s:\n  start: %s\n  model: %s\n", what, Narrow(seen).c_str(),
                 Narrow(predicted).c_str());
    std::abort();
}

std::wstring Joined(const std::vector<std::wstring>& texts) {
    std::wstring joined;
    for (const auto& text : texts) joined += L"[" + text + L"]";
    return joined;
}

struct Seen {
    int status;
    std::vector<std::wstring> boxes;
    std::wstring started;
};

Seen Start(FakeRegistry& registry, FakeFileSystem& files, const Layout& layout, FaultPlan& faults) {
    FakeMessageBoxes boxes;
    Control control;
    Processes processes;
    Window window;
    registry.faults = files.faults = boxes.faults = processes.faults = window.faults = &faults;
    processes.runs = [&](const std::wstring& line) {
        if (line.rfind(L"java ", 0) == 0) return layout.javaOnPath;
        const auto end = line[0] == L'"' ? line.find(L'"', 1) : line.find(L' ');
        return files.HasFile(line.substr(line[0] == L'"', end - (line[0] == L'"')));
    };
    mod_main::ModMain modMain(
        registry, [&]() -> platform::FileSystem& { return files; }, boxes, control);
    launcher::frmSplash form({window, processes, boxes, control}, modMain);
    const auto status = static_cast<int>(form.Show());
    std::wstring started;
    if (processes.started.size() > 1) std::abort();
    if (!processes.started.empty()) {
        const std::wstring& line = processes.started[0];
        const std::size_t head = line.find(L" -classpath \"D:\\Sms\\PelmoraHuaweiEC325\\lib\\comm.jar\";");
        if (head == std::wstring::npos ||
            !line.ends_with(L"\"D:\\Sms\\PelmoraHuaweiEC325\" JavaSwingClasses.MainFrame")) {
            Mismatch("the command line's shape", line, L"");
        }
        started = line.substr(0, head);
        if (started.size() > 1 && started.front() == L'"') started = started.substr(1, started.size() - 2);
    }
    registry.faults = files.faults = nullptr;
    for (unsigned style : boxes.styles) {
        if (style != 0x00050000u) std::abort();  // OK, MB_SETFOREGROUND | MB_TOPMOST
    }
    return {status, boxes.texts, started};
}

void Compare(const Seen& seen, const Prediction& predicted, const FakeFileSystem& files, const FakeRegistry& registry) {
    if (seen.status != predicted.status) {
        Mismatch("the status", std::to_wstring(seen.status), std::to_wstring(predicted.status));
    }
    if (seen.boxes != predicted.boxes) Mismatch("the boxes", Joined(seen.boxes), Joined(predicted.boxes));
    if (seen.started != predicted.started) Mismatch("the program started", seen.started, predicted.started);
    if (!registry.openHandles.empty() || registry.badCloses != 0) std::abort();
    std::map<std::wstring, std::pair<std::string, bool>> after;
    for (const auto& [key, file] : files.Files()) after[key] = {file.content, file.readOnly};
    for (const auto& [key, file] : after) {
        const auto model = predicted.files.find(key);
        if (model == predicted.files.end()) Mismatch("the files at the end", key, L"(none)");
        if (model->second != file)
            Mismatch("a file at the end", key + L": " + Wide(file.first), Wide(model->second.first));
        // A support file under its final name is whole, or one that was there before.
        const std::wstring name = key.substr(key.find_last_of(L'\\') + 1);
        if (key.rfind(Lower(kA), 0) == 0 && name[0] != L'~' && name != L"java.exe" && file.first != "old" &&
            file.first.rfind("new ", 0) != 0) {
            Mismatch("a support file", key, L"whole");
        }
    }
    for (const auto& [key, file] : predicted.files) {
        if (!after.count(key)) Mismatch("the files at the end", L"(none)", key);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Layout layout = Decode(Bytes(data, size));
    FakeRegistry registry;
    FakeFileSystem files;
    Arrange(layout, registry, files);
    files.onSearchPath[L"java"] = layout.javaOnPath ? L"C:\\Windows\\java.exe" : L"";
    if (layout.javaOnPath) files.AddFile(L"C:\\Windows\\java.exe", "java");

    // The check, asked first, names what a start without a failing call runs.
    const check::Report checked = check::CheckStart({registry, nullptr, files, files}, L"D:\\Sms");

    const Prediction predicted = Model(layout, files).Run();
    FaultPlan faults;
    faults.operation = kOperations[layout.operation];
    faults.failingCall = layout.call;
    const Seen seen = Start(registry, files, layout, faults);
    Compare(seen, predicted, files, registry);
    // 14: a start that ends with 0, but not with every support file in place before it.
    const int checkedStart = checked.status == 14 ? 0 : checked.status;
    if (layout.operation == 0 && checkedStart != seen.status) {
        Mismatch("the check's status", std::to_wstring(checked.status), std::to_wstring(seen.status));
    }
    if (layout.operation == 0 && seen.status == 0 && checked.javaLauncher != seen.started) {
        Mismatch("the check's Java launcher", checked.javaLauncher, seen.started);
    }

    // A second start, nothing failing, on what the first left.
    Layout second = layout;
    second.operation = 0;
    const Prediction again = Model(second, files).Run();
    FaultPlan none;
    const Seen seenAgain = Start(registry, files, second, none);
    Compare(seenAgain, again, files, registry);
    return 0;
}
