// The Java application's command line and its start from the program folder.
#include <gtest/gtest.h>

#include <cwchar>

#include "launcher/command_line.h"
#include "tests/common/command_line_cases.h"
#include "tests/common/windows_arguments.h"
#include "tests/fakes/fake_platform.h"

namespace {

const std::wstring kExampleLine =
    L"C:\\Java\\jre6\\bin\\java.exe -classpath "
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\comm.jar\";\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\jdc.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\jxl.jar\";\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\log4j-1.2.8.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\slf4j-api-1.1.0.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\slf4j-log4j12-1.1.0.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\slf4j-simple-1.1.0.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\swing-layout-1.0.jar\";"
    L"\"D:\\Sms\\PelmoraHuaweiEC325\\lib\\win32com.dll.jar\";\"D:\\Sms\\PelmoraHuaweiEC325\" "
    L"JavaSwingClasses.MainFrame";

TEST(BuildJavaCommandLine, MatchesTheReferenceLineByteForByte) {
    ASSERT_EQ(kExampleLine.size(), 525u) << "the reference is not the documented line";
    EXPECT_EQ(launcher::BuildJavaCommandLine(L"C:\\Java\\jre6", L"D:\\Sms"), kExampleLine);
}

struct HeadCase {
    const wchar_t* javaHome;
    const wchar_t* expectedHead;
};

TEST(BuildJavaCommandLine, HeadOfTheLine) {
    // clang-format off
    const HeadCase cases[] = {
        {L"", L"java -classpath \"D:\\Sms\\"},
        {L"C:\\Java\\jre6", L"C:\\Java\\jre6\\bin\\java.exe -classpath \"D:\\Sms\\"},
        {L"C:\\Program Files\\Java\\jre1.6.0_05",
         L"\"C:\\Program Files\\Java\\jre1.6.0_05\\bin\\java.exe\" -classpath \"D:\\Sms\\"},
        {L"C:\\Java\\jre\t6", L"\"C:\\Java\\jre\t6\\bin\\java.exe\" -classpath \"D:\\Sms\\"},
        {L"   ", L"\"   \\bin\\java.exe\" -classpath \"D:\\Sms\\"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto line = launcher::BuildJavaCommandLine(c.javaHome, L"D:\\Sms");
        EXPECT_EQ(line.substr(0, std::wcslen(c.expectedHead)), c.expectedHead) << Narrow(c.javaHome);
    }
}

TEST(BuildJavaCommandLine, RootOfADriveDoublesTheBackslash) {
    const auto line = launcher::BuildJavaCommandLine(L"", L"D:\\");
    EXPECT_NE(line.find(L"\"D:\\\\PelmoraHuaweiEC325\\lib\\comm.jar\";"), std::wstring::npos);
    EXPECT_NE(line.find(L"\"D:\\\\PelmoraHuaweiEC325\" JavaSwingClasses.MainFrame"), std::wstring::npos);
}

TEST(BuildJavaCommandLine, SplitsIntoTheFourArgumentsJavaExpects) {
    for (const auto& c : kCommandLineCases) {
        const std::wstring base = L"C:\\Base\\";
        const std::wstring home = *c.javaHome ? base + c.javaHome : L"";
        const std::wstring folder = base + c.programFolder;
        const auto line = launcher::BuildJavaCommandLine(home, folder);
        EXPECT_EQ(SplitWindowsCommandLine(line), ExpectedJavaArguments(home, folder)) << Narrow(c.name);
    }
}

TEST(StartJavaApplication, StartsHiddenInTheProgramFolderAndRestoresTheCurrentFolder) {
    EventLog log;
    FakeProcesses processes(log);
    processes.programFolder = L"D:\\Sms";
    processes.currentFolder = L"C:\\Users\\ann";
    EXPECT_TRUE(launcher::StartJavaApplication(processes, L"java -version"));
    EXPECT_EQ(log.events, (std::vector<std::string>{"cd D:\\Sms", "start show=0 cwd=D:\\Sms", "cd C:\\Users\\ann"}));
    EXPECT_EQ(processes.started, std::vector<std::wstring>{L"java -version"});
}

TEST(StartJavaApplication, AFailedStartGivesItsFailureAndLeavesTheFolderAsItIs) {
    EventLog log;
    FakeProcesses processes(log);
    processes.startFailure = base::Failure(2, L"The system cannot find the file specified.");
    const auto started = launcher::StartJavaApplication(processes, L"java");
    ASSERT_FALSE(started);
    EXPECT_EQ(started.failure().number, 2);
    EXPECT_EQ(processes.currentFolder, L"D:\\Sms");
}

}  // namespace
