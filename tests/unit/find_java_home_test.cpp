// Choosing the Java runtime from the registry.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "check/check.h"
#include "runtime/version_number.h"
#include "tests/unit/test_world.h"

namespace {

using platform::ExitStatus;

struct Runtime {
    std::string version;
    std::string home;  // empty: the key has no JavaHome value
};

struct SearchCase {
    const char* name;
    std::vector<Runtime> runtimes;
    std::wstring expectedHome;
    std::vector<std::wstring> expectedBoxes;
    std::optional<ExitStatus> expectedEnd;
};

struct Search : TestWorld {
    std::optional<ExitStatus> ended;

    void Run() { ended = modMain.FindJavaHome(); }
    bool ReadValueOf(const std::string& version) const {
        const std::string path = kRuntimesKey + "\\" + version;
        for (const auto& opened : registry.openedPaths) {
            if (opened == path) return true;
        }
        return false;
    }
};

TEST(FindJavaHome, ChoosesTheFirstListedRuntimeOfAtLeastOnePointFive) {
    const std::wstring searchFailed = L"Error While Searching JVM on Your Machine";
    const std::wstring noneRecentEnough = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
    // clang-format off
    const SearchCase cases[] = {
        {"1.5 chosen before 1.6",
         {{"1.4", "C:\\j14"}, {"1.4.2_08", "C:\\j142"}, {"1.5", "C:\\j15"}, {"1.5.0_06", "C:\\j150"},
          {"1.6", "C:\\j16"}},
         L"C:\\j15", {}, std::nullopt},
        {"list order, not the highest", {{"1.6.0_03", "C:\\j16"}, {"1.5", "C:\\j15"}}, L"C:\\j16", {},
         std::nullopt},
        {"1.10 reads as 1.1", {{"1.10", "C:\\j110"}}, L"",
         {noneRecentEnough}, ExitStatus::NoSuitableJavaRuntime},
        {"every digit", {{"0.9", "C:\\j09"}, {"1.3.7", "C:\\j13"}, {"1.28", "C:\\j12"}, {"1.9", "C:\\j19"}},
         L"C:\\j19", {}, std::nullopt},
        {"a short name", {{"2", "C:\\j2"}}, L"C:\\j2", {}, std::nullopt},
        {"only old runtimes", {{"1.3.1", "C:\\j13"}, {"1.4.2", "C:\\j14"}}, L"",
         {noneRecentEnough}, ExitStatus::NoSuitableJavaRuntime},
        {"letters before a suitable name", {{"abc", "C:\\x"}, {"1.6", "C:\\j16"}}, L"",
         {L"Type mismatch", searchFailed}, std::nullopt},
        {"letters after a suitable name", {{"1.6", "C:\\j16"}, {"abc", "C:\\x"}}, L"C:\\j16", {},
         std::nullopt},
        {"no JavaHome value", {{"1.6", ""}}, L"", {L"Unsupported value type", searchFailed},
         std::nullopt},
        {"a point, never a comma", {{"1,6", "C:\\j16"}}, L"", {L"Type mismatch", searchFailed},
         std::nullopt},
    };
    // clang-format on
    for (const auto& c : cases) {
        Search search;
        search.registry.AddKey(kRuntimesKey);
        search.AddSupportSources();
        for (const auto& runtime : c.runtimes) {
            if (runtime.home.empty()) {
                search.registry.AddKey(kRuntimesKey + "\\" + runtime.version);
            } else {
                search.AddRuntime(runtime.version, runtime.home);
                search.AddRuntimeFolders(std::wstring(runtime.home.begin(), runtime.home.end()));
            }
        }
        search.files->AddFolder(L"D:\\Sms");
        const check::Report checked =
            check::CheckStart({search.registry, nullptr, *search.files, *search.files}, L"D:\\Sms");
        search.Run();
        EXPECT_EQ(search.modMain.JavaHomePath(), c.expectedHome) << c.name;
        // The check, run first on the same registry, names what the start then took.
        if (c.expectedEnd) {
            EXPECT_EQ(checked.status, static_cast<int>(*c.expectedEnd)) << c.name;
        } else {
            EXPECT_EQ(checked.javaHomePath, search.modMain.JavaHomePath()) << c.name;
            EXPECT_EQ(checked.javaLauncher, search.modMain.JavaHomePath().empty()
                                                ? L"java"
                                                : search.modMain.JavaHomePath() + L"\\bin\\java.exe")
                << c.name;
            EXPECT_EQ(checked.filesToCopy.size(), c.expectedHome.empty() ? 0u : 4u) << c.name;
        }
        EXPECT_EQ(search.files->copies, c.expectedHome.empty() ? 0 : 4) << c.name;
        if (!c.expectedHome.empty()) {
            EXPECT_TRUE(search.files->HasFile(c.expectedHome + L"\\bin\\Win32com.dll")) << c.name;
        }
        EXPECT_EQ(search.boxes.texts, c.expectedBoxes) << c.name;
        EXPECT_EQ(search.ended, c.expectedEnd) << c.name;
        EXPECT_TRUE(search.registry.openHandles.empty()) << c.name;
    }
}

// What a start costs the registry: one enumeration per runtime and one to end the list, one
// query of the chosen JavaHome (two when it is over 1024 bytes), every key closed.
TEST(FindJavaHome, RegistryCallsOfAStart) {
    struct Case {
        int runtimes;
        std::size_t homeLength;  // bytes of the value, its terminator included
        int enumerations, queries;
    };
    const Case cases[] = {{1, 13, 2, 1}, {1000, 13, 1001, 1}, {1, 1024, 2, 1}, {3, 1025, 4, 2}};
    for (const auto& c : cases) {
        Search search;
        for (int i = 0; i + 1 < c.runtimes; ++i) search.AddRuntime("1.4." + std::to_string(i), "C:\\old");
        search.AddRuntime("1.6", "C:\\" + std::string(c.homeLength - 4, 'j'));
        search.Run();
        EXPECT_EQ(search.registry.enumerations, c.enumerations) << c.runtimes;
        EXPECT_EQ(search.registry.queries, c.queries) << c.homeLength;
        EXPECT_EQ(search.registry.opens, search.registry.closes);
        EXPECT_TRUE(search.registry.openHandles.empty());
        EXPECT_EQ(search.modMain.JavaHomePath().size(), c.homeLength - 1);
    }
}

TEST(FindJavaHome, LaterNamesAreNeverRead) {
    Search search;
    for (const char* version : {"1.4", "1.5", "1.6"}) search.AddRuntime(version, "C:\\j");
    search.Run();
    EXPECT_TRUE(search.ReadValueOf("1.5"));
    EXPECT_FALSE(search.ReadValueOf("1.4"));
    EXPECT_FALSE(search.ReadValueOf("1.6"));
}

TEST(FindJavaHome, NoKeyOrNoSubkeysEndTheProgram) {
    Search noKey;
    noKey.Run();
    EXPECT_EQ(noKey.ended, ExitStatus::NoJavaRuntime);
    EXPECT_EQ(noKey.boxes.texts, std::vector<std::wstring>{
                                     L"You have not Installed Java Runtime Environment on your computer.\r\n"
                                     L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
                                     L"Please refer installtion guide of Tessaly for further help"});
    EXPECT_EQ(noKey.fileSystemsCreated, 0);

    Search empty;
    empty.registry.AddKey(kRuntimesKey);
    empty.Run();
    EXPECT_EQ(empty.ended, ExitStatus::NoSuitableJavaRuntime);
    EXPECT_EQ(empty.boxes.texts,
              std::vector<std::wstring>{L"Java Runtime Environment version 1.5 or higher version is not avaiable"});
}

TEST(FindJavaHome, AnUnreadableRuntimeKeyGivesAnEmptyHomeSilently) {
    Search search;
    search.AddRuntime("1.6", "C:\\j16");
    search.registry.DenyOpen(kRuntimesKey + "\\1.6");
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"");
    EXPECT_TRUE(search.boxes.texts.empty());
    EXPECT_EQ(search.fileSystemsCreated, 0);
    EXPECT_FALSE(search.ended);
}

TEST(FindJavaHome, InstallsIntoTheChosenRuntimeAndKeepsItWhenACopyFails) {
    Search search;
    search.AddRuntime("1.6", "C:\\j16");
    search.AddRuntimeFolders(L"C:\\j16");  // the support source folder is missing
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"C:\\j16");
    EXPECT_EQ(search.boxes.texts, (std::vector<std::wstring>{L"The system cannot find the path specified.",
                                                             L"Error While Copying JAR File"}));

    search.AddSupportSources();
    search.boxes.texts.clear();
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"C:\\j16");
    EXPECT_TRUE(search.files->HasFile(L"C:\\j16\\lib\\ext\\Comm.jar"));
    EXPECT_TRUE(search.boxes.texts.empty());
}

TEST(FindJavaHome, ASecondCallStartsAfresh) {
    Search search;
    search.AddRuntime("1.6", "C:\\j16");
    search.AddRuntimeFolders(L"C:\\j16");
    search.AddSupportSources();
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"C:\\j16");
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"C:\\j16");
    // Now the chosen key cannot be read: the second call ends silently with nothing chosen,
    // and must not keep the first call's folder.
    search.registry.DenyOpen(kRuntimesKey + "\\1.6");
    search.Run();
    EXPECT_EQ(search.modMain.JavaHomePath(), L"");
    EXPECT_TRUE(search.boxes.texts.empty());
}

TEST(ReadVersionNumber, ReadsAPointAsTheDecimalSeparator) {
    // clang-format off
    const std::pair<const wchar_t*, double> numbers[] = {
        {L"1.5", 1.5}, {L"1.4", 1.4}, {L"2", 2.0}, {L"10", 10.0}, {L" 1.6", 1.6}, {L"1.6 ", 1.6},
        {L"-1.", -1.0}, {L"+.5", 0.5}, {L"9", 9.0}, {L"1.9", 1.9}, {L"3.7", 3.7}, {L"0.8", 0.8},
        {L"98.", 98.0}, {L".25", 0.25}, {L"-1.5", -1.5},
    };
    // clang-format on
    for (const auto& [text, value] : numbers) {
        const auto read = mod_main::ReadVersionNumber(text);
        ASSERT_TRUE(read) << Narrow(text);
        EXPECT_DOUBLE_EQ(*read, value) << Narrow(text);
    }
    EXPECT_GE(*mod_main::ReadVersionNumber(L"1.5"), 1.5);
    for (const wchar_t* text : {L"", L" ", L"1,5", L"1.2.", L"abc", L"1.x", L"+", L".", L"1 5", L"--1", L"1e5",
                                L"\u0661.5", L"\t1.5", L"1.5\t"}) {
        const auto read = mod_main::ReadVersionNumber(text);
        ASSERT_FALSE(read) << Narrow(text) << " read as a number";
        EXPECT_EQ(read.failure().number, 13);
        EXPECT_EQ(read.failure().description, L"Type mismatch");
    }
}

}  // namespace
