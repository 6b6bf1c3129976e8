// The real SmsServer.exe under Wine: what the user sees and what the Java launcher is given.
#include <gtest/gtest.h>

#include <cstdlib>

#include "launcher/command_line.h"
#include "tests/common/command_line_cases.h"
#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kRecord = L"C:\\e2e\\record.txt";
const std::wstring kElsewhere = L"C:\\e2e\\elsewhere";
const std::wstring kNoJavaHere = L"C:\\e2e\\empty";
const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";

double SecondsBetween(ULONGLONG from, ULONGLONG to) {
    return (static_cast<double>(to) - static_cast<double>(from)) / 1e7;
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolders(kElsewhere);
        MakeFolders(kNoJavaHere);
    }

    // Runs the launcher from folder with the given search path for programs.
    LaunchReport Launch(const std::wstring& folder, const std::wstring& searchPath = kNoJavaHere,
                        LaunchOptions options = {}) {
        options.program = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"SmsServer.exe";
        options.workingFolder = kElsewhere;
        options.environment[L"SMS_RECORD"] = kRecord;
        options.environment[L"PATH"] = searchPath + L";C:\\windows\\system32;C:\\windows";
        LaunchReport report = RunLauncher(options);
        EXPECT_FALSE(report.timedOut) << "the launcher did not start, or did not end in time";
        return report;
    }

    std::vector<Record> Records() { return ReadRecords(kRecord); }

    // One start, with the arguments, folder and show state the application must get.
    void ExpectStarted(const std::wstring& javaHome, const std::wstring& programFolder, const LaunchReport& report) {
        const auto records = Records();
        ASSERT_EQ(records.size(), 1u);
        const Record& started = records[0];
        EXPECT_EQ(Wide(First(started, "commandline")), launcher::BuildJavaCommandLine(javaHome, programFolder));
        std::vector<std::wstring> arguments;
        for (const auto& argument : All(started, "arg")) arguments.push_back(Wide(argument));
        auto expected = ExpectedJavaArguments(javaHome, programFolder);
        arguments.erase(arguments.begin());  // the recorder's own path, as Windows resolved it
        expected.erase(expected.begin());
        EXPECT_EQ(arguments, expected);
        EXPECT_EQ(Wide(First(started, "cwd")), programFolder);
        EXPECT_EQ(First(started, "show"), "0");
        EXPECT_EQ(report.exitCode, 0u);
        const double waited = SecondsBetween(std::stoull(First(started, "start")), report.exitedAtSystemTime);
        EXPECT_GT(waited, 9.5);
        EXPECT_LT(waited, 12.5);
    }

    void ExpectSupportFilesIn(const std::wstring& home) {
        EXPECT_EQ(ReadBytes(home + L"\\lib\\ext\\Comm.jar"), SupportSourceContent(L"Comm.jar"));
        EXPECT_EQ(ReadBytes(home + L"\\lib\\javax.comm.properties"), SupportSourceContent(L"javax.comm.properties"));
        EXPECT_EQ(ReadBytes(home + L"\\bin\\Win32com.dll"), SupportSourceContent(L"Win32com.dll"));
        EXPECT_EQ(ReadBytes(home + L"\\lib\\ext\\jdc.jar"), SupportSourceContent(L"jdc.jar"));
    }
};

// A region of the screen as the display shows it, saved as a PNG file; returns its path.
std::string CaptureScreen(const RECT& region) {
    static int count = 0;
    const std::string shown = OutUnixFolder() + "/screen-" + std::to_string(++count) + ".png";
    const std::string geometry = std::to_string(region.right - region.left) + "x" +
                                 std::to_string(region.bottom - region.top) + "+" + std::to_string(region.left) + "+" +
                                 std::to_string(region.top);
    Shell("/usr/bin/import -window root -crop " + geometry + " +repage " + shown);
    return shown;
}

// How far a captured image differs from a reference image that ImageMagick's convert makes
// from the given arguments: the root-mean-square difference, 0 (same) to 1.
double Difference(const std::string& shown, const std::string& reference) {
    const std::string expected = shown + ".expected.png";
    Shell("/usr/bin/convert " + reference + " " + expected);
    const std::string metric = Shell("/usr/bin/compare -metric RMSE " + shown + " " + expected + " null:");
    const auto open = metric.find('(');
    return open == std::string::npos ? 1.0 : std::atof(metric.c_str() + open + 1);
}

// The picture stretched to 488 x 492, with its last column cut off by the 487-pixel client area.
std::string StretchedSplash() { return SplashGifUnixPath() + " -sample 488x492! -crop 487x492+0+0 +repage"; }

TEST_F(Launcher, ShowsTheSplashThenStartsTheChosenRuntimeHidden) {
    InstallUsualLayout();
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");

    EXPECT_TRUE(report.boxes.empty());
    ASSERT_TRUE(report.splash.seen);
    const double shownFor = report.splash.goneAt - report.splash.shownAt;
    EXPECT_GT(shownFor, 1.5);
    EXPECT_LT(shownFor, 3.0);
    ExpectStarted(L"C:\\Java\\jre6", L"C:\\e2e\\Sms", report);
    ExpectSupportFilesIn(L"C:\\Java\\jre6");
}

TEST_F(Launcher, SplashWindowHasTheDesignedFrameSizePositionAndPicture) {
    InstallUsualLayout();
    std::string shown, enlarged, beside;
    bool readInTime = false;
    LaunchOptions options;
    options.whileSplashShown = [&](HWND splash) {
        shown = CaptureScreen(ClientOnScreen(splash));
        // Enlarged, the window keeps the picture at its size in the top-left corner.
        RECT frame{};
        GetWindowRect(splash, &frame);
        SetWindowPos(splash, nullptr, 0, 0, frame.right - frame.left + 150, frame.bottom - frame.top + 100,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(200);
        const RECT client = ClientOnScreen(splash);
        enlarged = CaptureScreen({client.left, client.top, client.left + 487, client.top + 492});
        beside = CaptureScreen({client.left + 500, client.top + 100, client.left + 600, client.top + 200});
        readInTime = IsWindow(splash);
    };
    // On a loaded machine the screen may be read only after the launcher's 2 seconds have closed
    // the window: such a start tells nothing, and is made again.
    LaunchReport report;
    for (int start = 0; start < 3 && !readInTime; ++start) report = Launch(L"C:\\e2e\\Sms", kNoJavaHere, options);

    const SplashSeen& splash = report.splash;
    ASSERT_TRUE(splash.seen);
    EXPECT_EQ(splash.caption, L"SMS Server");
    EXPECT_EQ(splash.client.right - splash.client.left, 487);
    EXPECT_EQ(splash.client.bottom - splash.client.top, 492);
    const int centreX = (splash.window.left + splash.window.right) / 2;
    const int centreY = (splash.window.top + splash.window.bottom) / 2;
    EXPECT_NEAR(centreX, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(centreY, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(splash.style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(splash.owned);  // an unowned top-level window has a task-bar entry
    EXPECT_EQ(splash.exStyle & WS_EX_TOOLWINDOW, 0);
    EXPECT_LT(Difference(shown, StretchedSplash()), 0.02) << "the splash on the screen differs from the picture";
    EXPECT_LT(Difference(enlarged, StretchedSplash()), 0.02) << "enlarging the window moved or scaled the picture";
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::string plain = "-size 100x100 'xc:rgb(" + std::to_string(GetRValue(face)) + "," +
                              std::to_string(GetGValue(face)) + "," + std::to_string(GetBValue(face)) + ")'";
    EXPECT_LT(Difference(beside, plain), 0.02) << "beside the picture the window is not plain";
}

TEST_F(Launcher, ProgramAndRuntimeFoldersWithBlanks) {
    const std::wstring home = L"C:\\Program Files (x86)\\Java\\jre1.6.0_05";
    ImportRegistry(L"runtime_program_files.reg");
    InstallRuntime(home);
    InstallSupportSources();
    InstallLauncher(L"C:\\My Tools\\Sms");
    const LaunchReport report = Launch(L"C:\\My Tools\\Sms");
    EXPECT_TRUE(report.boxes.empty());
    ExpectStarted(home, L"C:\\My Tools\\Sms", report);
}

TEST_F(Launcher, ProgramInTheRootOfADrive) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallSupportSources();
    MakeFolders(L"C:\\drive_r");
    const std::string prefix = OutUnixFolder() + "/prefix";
    Shell("ln -sfn " + UnixPathOf(L"C:\\drive_r") + " " + prefix + "/dosdevices/r:");
    InstallLauncher(L"R:\\");
    const LaunchReport report = Launch(L"R:\\");
    EXPECT_TRUE(report.boxes.empty());
    ExpectStarted(L"C:\\Java\\jre6", L"R:\\", report);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(First(records[0], "commandline").find("\"R:\\\\PelmoraHuaweiEC325\\lib\\comm.jar\";"), std::string::npos);
}

TEST_F(Launcher, NoJavaLauncherAnywhereIsReportedAndEndsAtOnce) {
    ImportRegistry(L"runtime_without_java_home.reg");
    InstallLauncher(L"C:\\e2e\\Sms");
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");
    ASSERT_EQ(report.boxes.size(), 3u);
    EXPECT_EQ(report.boxes[0].text, L"Unsupported value type");
    EXPECT_EQ(report.boxes[1].text, kSearchFailed);
    EXPECT_EQ(report.boxes[2].text, L"Run-time error '2':\r\n\r\n" + SystemMessage(ERROR_FILE_NOT_FOUND));
    for (const auto& box : report.boxes) EXPECT_EQ(box.title, L"SMS Server");
    EXPECT_EQ(report.exitCode, 1u);
    EXPECT_LT(report.exitedAt, report.splash.goneAt + 4.0);  // no 10 s wait
    EXPECT_TRUE(Records().empty());
}

TEST_F(Launcher, ARuntimeWithoutItsJavaLauncherIsReported) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6", false);
    InstallSupportSources();
    InstallLauncher(L"C:\\e2e\\Sms");
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");
    ASSERT_EQ(report.boxes.size(), 1u);
    EXPECT_EQ(report.boxes[0].title, L"SMS Server");
    EXPECT_EQ(report.boxes[0].text.rfind(L"Run-time error '", 0), 0u) << Utf8(report.boxes[0].text);
    EXPECT_EQ(report.exitCode, 1u);
    EXPECT_LT(report.exitedAt, 8.0);
}

// A Java that fails at once is told, with its own words; one that ends well, or runs on while
// it writes a megabyte at once to its error output, is not, and the launcher ends at 10 s.
TEST_F(Launcher, AJavaThatEndsAtOnceIsExplained) {
    struct Case {
        const char* name;
        std::map<std::wstring, std::wstring> java;
        std::vector<std::wstring> boxes;
    };
    // clang-format off
    const Case cases[] = {
        {"main class not found",
         {{L"SMS_JAVA_SAYS", L"Error: Could not find or load main class JavaSwingClasses.MainFrame\r\n"},
          {L"SMS_JAVA_STATUS", L"1"}},
         {L"SMS Server could not start: Java ended at once, with status 1.\r\n\r\nJava said:\r\nError: Could not "
          L"find or load main class JavaSwingClasses.MainFrame\r\n\r\nJava did not find the application. Check that "
          L"the folder PelmoraHuaweiEC325, with its lib folder, lies beside SmsServer.exe, in a folder whose name the "
          L"system's ANSI code page can hold: Java 8 reads its command line in that code page. SmsServerCheck.exe, in "
          L"the same folder, tells which."}},
        // As HotSpot writes its own messages, on standard output.
        {"the heap, on standard output",
         {{L"SMS_JAVA_OUT", L"Error occurred during initialization of VM\r\nCould not reserve enough space for 1048576KB "
                            L"object heap\r\n"}, {L"SMS_JAVA_STATUS", L"1"}},
         {L"SMS Server could not start: Java ended at once, with status 1.\r\n\r\nJava said:\r\nError occurred during "
          L"initialization of VM\r\nCould not reserve enough space for 1048576KB object heap\r\n\r\nA 32-bit Java could not "
          L"reserve the memory it needs. Close other programs, or restart Windows, then start SMS Server again."}},
        {"a crash report, on standard output",
         {{L"SMS_JAVA_OUT", L"#\r\n# A fatal error has been detected by the Java Runtime Environment:\r\n#\r\n#  "
                            L"EXCEPTION_ACCESS_VIOLATION (0xc0000005) at pc=0x6d8b4c5a, pid=4120, tid=0x00001234\r\n#\r\n# "
                            L"Problematic frame:\r\n# C  [win32com.dll+0x4c5a]\r\n#\r\n# An error report file with more "
                            L"information is saved as:\r\n# C:\\e2e\\Sms\\hs_err_pid4120.log\r\n"},
          {L"SMS_JAVA_STATUS", L"1"}},
         {L"SMS Server could not start: Java ended at once, with status 1.\r\n\r\nJava said:\r\n# A fatal error has been "
          L"detected by the Java Runtime Environment:\r\n#  EXCEPTION_ACCESS_VIOLATION (0xc0000005) at pc=0x6d8b4c5a, "
          L"pid=4120, tid=0x00001234\r\n# Problematic frame:\r\n# C  [win32com.dll+0x4c5a]\r\n# An error report file with "
          L"more information is saved as:\r\n# C:\\e2e\\Sms\\hs_err_pid4120.log\r\n\r\nJava crashed with "
          L"EXCEPTION_ACCESS_VIOLATION (0xc0000005) in C  [win32com.dll+0x4c5a]. That is the serial library Win32com.dll: "
          L"run SmsServerCheck.exe /repair as administrator, and check the modem's driver. Java's report of the crash is "
          L"C:\\e2e\\Sms\\hs_err_pid4120.log: keep it for support."}},
        // The frame fails on the event thread; AWT shuts down and Java ends with 0 a second later.
        {"the event thread's exception, then status 0",
         {{L"SMS_JAVA_SAYS", L"Exception in thread \"AWT-EventQueue-0\" java.lang.NoClassDefFoundError: "
                             L"org/jdesktop/layout/GroupLayout$Group\r\n"},
          {L"SMS_JAVA_RUNS_MS", L"1000"}, {L"SMS_JAVA_STATUS", L"0"}},
         {L"SMS Server could not start: Java ended at once, with status 0.\r\n\r\nJava said:\r\nException in thread "
          L"\"AWT-EventQueue-0\" java.lang.NoClassDefFoundError: org/jdesktop/layout/GroupLayout$Group\r\n\r\nJava did "
          L"not find the class org/jdesktop/layout/GroupLayout$Group, which the application needs: a jar of "
          L"PelmoraHuaweiEC325\\lib is missing or damaged."}},
        {"the main class not found, in German",
         {{L"SMS_JAVA_SAYS", L"Fehler: Hauptklasse JavaSwingClasses.MainFrame konnte nicht gefunden oder geladen werden\r\n"},
          {L"SMS_JAVA_STATUS", L"1"}},
         {L"SMS Server could not start: Java ended at once, with status 1.\r\n\r\nJava said:\r\nFehler: Hauptklasse "
          L"JavaSwingClasses.MainFrame konnte nicht gefunden oder geladen werden\r\n\r\nJava did not find the application. "
          L"Check that the folder PelmoraHuaweiEC325, with its lib folder, lies beside SmsServer.exe, in a folder whose name "
          L"the system's ANSI code page can hold: Java 8 reads its command line in that code page. SmsServerCheck.exe, in "
          L"the same folder, tells which."}},
        {"status 0 at once", {{L"SMS_JAVA_STATUS", L"0"}}, {}},
        {"a megabyte at once, then running on", {{L"SMS_JAVA_SAYS_BYTES", L"1048576"}, {L"SMS_JAVA_RUNS_MS", L"12000"}}, {}},
    };
    // clang-format on
    InstallUsualLayout();
    for (const auto& c : cases) {
        DeleteFileW(kRecord.c_str());
        LaunchOptions options;
        options.environment = c.java;
        const LaunchReport report = Launch(L"C:\\e2e\\Sms", kNoJavaHere, options);
        std::vector<std::wstring> boxes;
        for (const auto& box : report.boxes) boxes.push_back(box.text);
        EXPECT_EQ(boxes, c.boxes) << c.name;
        for (const auto& box : report.boxes) EXPECT_EQ(box.title, L"SMS Server") << c.name;
        if (!c.boxes.empty()) {
            EXPECT_EQ(report.exitCode, 13u) << c.name;
            continue;
        }
        ExpectStarted(L"C:\\Java\\jre6", L"C:\\e2e\\Sms", report);
        if (c.java.count(L"SMS_JAVA_SAYS_BYTES")) {
            EXPECT_LT(std::stoul(First(Records()[0], "wrote")), 2000u) << c.name;
        }
    }
}

TEST_F(Launcher, ClosingTheSplashEarlyStartsNothing) {
    InstallUsualLayout();
    LaunchOptions options;
    options.closeSplashAfterMs = 500;
    const LaunchReport report = Launch(L"C:\\e2e\\Sms", kNoJavaHere, options);
    EXPECT_TRUE(report.boxes.empty());
    EXPECT_EQ(report.exitCode, 0u);
    EXPECT_LT(report.exitedAt, report.splash.shownAt + 3.0);  // long before the tick
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(GetFileAttributesW(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar"), INVALID_FILE_ATTRIBUTES);
}

// The resources built into the program: icon, splash picture, version and manifest.
class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = LoadLibraryExW(LauncherExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(exe_, nullptr);
    }
    void TearDown() override { FreeLibrary(exe_); }

    std::string Bytes(LPCWSTR type, int id) {
        HRSRC found = FindResourceW(exe_, MAKEINTRESOURCEW(id), type);
        if (!found) return {};
        const auto* data = static_cast<const char*>(LockResource(LoadResource(exe_, found)));
        return std::string(data, SizeofResource(exe_, found));
    }

    HMODULE exe_ = nullptr;
};

TEST_F(Resources, IconIs32By32With256Colours) {
    const std::string group = Bytes(MAKEINTRESOURCEW(14), 1);  // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u + 14u);
    EXPECT_EQ(group[4], 1);                                // one image
    EXPECT_EQ(static_cast<unsigned char>(group[6]), 32u);  // width
    EXPECT_EQ(static_cast<unsigned char>(group[7]), 32u);  // height
    EXPECT_EQ(group[8], 0);                                // 0 colours listed: 256
    EXPECT_EQ(group[12], 8);                               // bits per pixel
}

TEST_F(Resources, SplashPictureIsTheGif) {
    const std::string picture = Bytes(MAKEINTRESOURCEW(10), 101);  // RT_RCDATA
    EXPECT_EQ(picture, ReadBytes(WindowsPath(SplashGifUnixPath())));
    ASSERT_GE(picture.size(), 13u);
    EXPECT_EQ(picture.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(picture[6]) | static_cast<unsigned char>(picture[7]) << 8, 484);
    EXPECT_EQ(static_cast<unsigned char>(picture[8]) | static_cast<unsigned char>(picture[9]) << 8, 493);
    EXPECT_EQ(static_cast<unsigned char>(picture[10]) & 0x87, 0x87);  // a 256-colour global palette
}

TEST_F(Resources, ManifestRunsAsInvokerOnTheListedSystems) {
    const std::string manifest = Bytes(MAKEINTRESOURCEW(24), 1);  // RT_MANIFEST
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"), std::string::npos);
}

TEST_F(Resources, VersionNamesTheProduct) {
    // clang-format off
    const std::pair<std::wstring, const wchar_t*> programs[] = {
        {LauncherExe(), L"SMS Server launcher"}, {CheckExe(), L"SMS Server check"}};
    // clang-format on
    for (const auto& [exe, description] : programs) {
        std::string info(GetFileVersionInfoSizeW(exe.c_str(), nullptr), '\0');
        ASSERT_FALSE(info.empty()) << Utf8(exe);
        ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        const auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT length = 0;
            const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
            VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length);
            return value ? std::wstring(value) : std::wstring();
        };
        EXPECT_EQ(text(L"ProductName"), L"SMS Server");
        EXPECT_EQ(text(L"FileDescription"), description);
        EXPECT_EQ(text(L"ProductVersion"), L"1.0.0");
    }
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// Which runtime the launcher chooses, and what it tells the user when it cannot.
class RuntimeChoice : public Launcher {
protected:
    std::wstring StartedLauncher() {
        const auto records = Records();
        if (records.size() != 1) return L"(started " + std::to_wstring(records.size()) + L" times)";
        return Wide(All(records[0], "arg").at(0));
    }
};

TEST_F(RuntimeChoice, TheFirstListedOfAtLeastOnePointFiveWins) {
    InstallRuntimesInOrder();
    InstallLauncher(L"C:\\e2e\\Sms");
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");
    EXPECT_TRUE(report.boxes.empty());
    ExpectStarted(L"C:\\Java\\jre15", L"C:\\e2e\\Sms", report);
    ExpectSupportFilesIn(L"C:\\Java\\jre15");
    EXPECT_FALSE(GetFileAttributesW(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar") != INVALID_FILE_ATTRIBUTES);
}

struct FatalCase {
    const wchar_t* fixture;
    const wchar_t* message;
    DWORD exitCode;
};

TEST_F(RuntimeChoice, NoRuntimeOrNoneRecentEnoughEndsAfterOneMessage) {
    // clang-format off
    const FatalCase cases[] = {
        {nullptr,
         L"You have not Installed Java Runtime Environment on your computer.\r\n"
         L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
         L"Please refer installtion guide of Tessaly for further help",
         2},
        {L"runtimes_too_old.reg",
         L"Java Runtime Environment version 1.5 or higher version is not avaiable", 3},
        {L"runtime_key_empty.reg",
         L"Java Runtime Environment version 1.5 or higher version is not avaiable", 3},
    };
    // clang-format on
    InstallLauncher(L"C:\\e2e\\Sms");
    InstallSupportSources();
    ImportRegistry(L"remove_runtimes.reg");
    for (const auto& c : cases) {
        if (c.fixture) ImportRegistry(c.fixture);
        const LaunchReport report = Launch(L"C:\\e2e\\Sms", L"C:\\e2e\\Sms");
        ASSERT_EQ(report.boxes.size(), 1u) << Utf8(c.message);
        EXPECT_EQ(report.boxes[0].title, L"SMS Server");
        EXPECT_EQ(report.boxes[0].text, c.message);
        EXPECT_EQ(report.exitCode, c.exitCode);
        EXPECT_LT(report.exitedAt, report.splash.goneAt + 3.0);  // no 10 s wait
        EXPECT_TRUE(Records().empty());
        ImportRegistry(L"remove_runtimes.reg");
    }
}

TEST_F(RuntimeChoice, ANameThatIsNotAVersionBeforeAnyOtherIsReported) {
    ImportRegistry(L"runtime_name_not_a_number.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallRuntime(L"C:\\e2e\\onpath", false);
    CopyFileW(RecorderExe().c_str(), L"C:\\e2e\\onpath\\java.exe", FALSE);
    InstallLauncher(L"C:\\e2e\\Sms");
    const LaunchReport report = Launch(L"C:\\e2e\\Sms", L"C:\\e2e\\onpath");
    ASSERT_EQ(report.boxes.size(), 2u);
    EXPECT_EQ(report.boxes[0].text, L"Type mismatch");
    EXPECT_EQ(report.boxes[1].text, kSearchFailed);
    ExpectStarted(L"", L"C:\\e2e\\Sms", report);  // java from the search path
    EXPECT_EQ(StartedLauncher(), L"java");
}

TEST_F(RuntimeChoice, AFailedCopyKeepsTheChosenRuntime) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallLauncher(L"C:\\e2e\\Sms");  // and no support source folder
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");
    ASSERT_EQ(report.boxes.size(), 2u);
    EXPECT_EQ(report.boxes[0].text, SystemMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(report.boxes[1].text, L"Error While Copying JAR File");
    ExpectStarted(L"C:\\Java\\jre6", L"C:\\e2e\\Sms", report);
}

// Run with a German user locale (see tests/win/CMakeLists.txt), where the decimal separator
// is a comma and "1.4" would read as 14 to a locale-bound conversion.
TEST_F(RuntimeChoice, ADecimalCommaLocaleStillReadsAPoint) {
    ImportRegistry(L"runtimes_for_decimal_comma.reg");
    InstallRuntime(L"C:\\Java\\jre14");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallSupportSources();
    InstallLauncher(L"C:\\e2e\\Sms");
    const LaunchReport report = Launch(L"C:\\e2e\\Sms");
    EXPECT_TRUE(report.boxes.empty());
    ExpectStarted(L"C:\\Java\\jre6", L"C:\\e2e\\Sms", report);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(First(records[0], "decimal"), ",") << "the launcher did not run with a decimal comma";
    EXPECT_EQ(First(records[0], "locale"), "0407");
}

}  // namespace
}  // namespace e2e
