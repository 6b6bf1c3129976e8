// The command-line table of the unit tests, started for real: what the Java launcher's
// stand-in receives, and where it runs.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "launcher/command_line.h"
#include "platform/win32/win32_platform.h"
#include "tests/common/command_line_cases.h"
#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kBase = L"C:\\quoting\\";

// Waits until the recorder has written its whole record.
std::vector<Record> WaitForRecords(const std::wstring& file) {
    for (int waited = 0; waited < 300; ++waited) {
        auto records = ReadRecords(file);
        if (!records.empty()) return records;
        Sleep(20);
    }
    return {};
}

TEST(StartJavaApplication, EachTableRowArrivesAsTheFourArgumentsJavaExpects) {
    win32::Win32Processes processes;
    const std::wstring onPath = kBase + L"onpath";
    MakeFolders(onPath);
    CopyFileW(RecorderExe().c_str(), (onPath + L"\\java.exe").c_str(), FALSE);
    SetEnvironmentVariableW(L"PATH", (onPath + L";C:\\windows\\system32").c_str());
    MakeFolders(kBase + L"elsewhere");
    SetCurrentDirectoryW((kBase + L"elsewhere").c_str());

    int row = 0;
    for (const auto& c : kCommandLineCases) {
        const std::wstring home = *c.javaHome ? kBase + c.javaHome : L"";
        const std::wstring folder = kBase + c.programFolder;
        if (!home.empty()) InstallRuntime(home);
        MakeFolders(folder);
        const std::wstring record = kBase + L"record" + std::to_wstring(++row) + L".txt";
        SetEnvironmentVariableW(L"SMS_RECORD", record.c_str());

        const std::wstring line = launcher::BuildJavaCommandLine(home, folder);
        // The launcher's own program folder is stood in for by the row's folder.
        struct RowFolder final : platform::Processes {
            win32::Win32Processes& real;
            std::wstring folder;
            RowFolder(win32::Win32Processes& r, std::wstring f) : real(r), folder(std::move(f)) {}
            base::Result<std::wstring> ProgramFolder() override { return folder; }
            base::Result<std::wstring> CurrentFolder() override { return real.CurrentFolder(); }
            std::optional<base::Failure> SetCurrentFolder(const std::wstring& f) override {
                return real.SetCurrentFolder(f);
            }
            base::Result<std::unique_ptr<platform::StartedProgram>> StartProcess(const std::wstring& l,
                                                                                 int show) override {
                return real.StartProcess(l, show);
            }
        } rowProcesses(processes, folder);
        EXPECT_TRUE(launcher::StartJavaApplication(rowProcesses, line)) << Utf8(c.name);

        const auto records = WaitForRecords(record);
        ASSERT_EQ(records.size(), 1u) << Utf8(c.name);
        std::vector<std::wstring> arguments;
        for (const auto& argument : All(records[0], "arg")) arguments.push_back(Wide(argument));
        EXPECT_EQ(arguments, ExpectedJavaArguments(home, folder)) << Utf8(c.name);
        EXPECT_EQ(Wide(First(records[0], "commandline")), line) << Utf8(c.name);
        EXPECT_EQ(Wide(First(records[0], "cwd")), folder) << Utf8(c.name);
        EXPECT_EQ(First(records[0], "show"), "0") << Utf8(c.name);
        EXPECT_EQ(*processes.CurrentFolder(), kBase + L"elsewhere") << Utf8(c.name);
    }
}

TEST(StartJavaApplication, AMissingJavaLauncherFailsWithTheSystemsWords) {
    win32::Win32Processes processes;
    const auto started = processes.StartProcess(L"C:\\nowhere\\bin\\java.exe -classpath x Main", platform::kShowHidden);
    ASSERT_FALSE(started) << "started";
    EXPECT_NE(started.failure().number, 0);
    EXPECT_EQ(started.failure().description, SystemMessage(static_cast<DWORD>(started.failure().number)));
}

TEST(ProgramFolder, IsTheFolderOfTheProgramFile) {
    win32::Win32Processes processes;
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring expected = path;
    expected.resize(expected.find_last_of(L'\\'));
    EXPECT_EQ(*processes.ProgramFolder(), expected);
}

}  // namespace
}  // namespace e2e
