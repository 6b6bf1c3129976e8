// The splash form and the start sequence on its timer's tick.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "launcher/command_line.h"
#include "launcher/frmSplash.h"
#include "launcher/java_end.h"
#include "tests/unit/test_world.h"

namespace {

using platform::ExitStatus;

struct StartSequence : TestWorld {
    launcher::frmSplash form{{window, processes, boxes, control}, modMain};

    // Runs the program as its entry does; returns how it ended, and notes the end once the
    // start sequence has run.
    ExitStatus Run() {
        const ExitStatus status = form.Show();
        if (!window.userClosesBeforeTick) log.Add("end " + std::to_string(static_cast<int>(status)));
        return status;
    }
};

TEST(SplashFormDesign, IsTheFixedDesign) {
    const auto design = launcher::SplashFormDesign();
    EXPECT_EQ(design.caption, L"SMS Server");
    EXPECT_EQ(design.clientWidth, 487);
    EXPECT_EQ(design.clientHeight, 492);
    EXPECT_EQ(design.imageWidth, 488);
    EXPECT_EQ(design.imageHeight, 492);
    EXPECT_EQ(design.timerIntervalMs, 2000u);
}

// The launcher ends 10 s after the start, whatever Java does, but for a Java that has ended
// with a failure by then: that is told at once, with the launcher's own status.
TEST(StartSequence, RunsInOrderAndEndsAfterTheWait) {
    const std::vector<std::string> before = {"load",        "unload",    "cd D:\\Sms", "start show=0 cwd=D:\\Sms",
                                             "cd E:\\work", "wait 10000"};
    struct Case {
        const char* name;
        std::optional<platform::ProgramEnd> javaEnd;
        ExitStatus status;
        std::vector<std::string> after;
    };
    // clang-format off
    const Case cases[] = {
        {"Java runs on", std::nullopt, ExitStatus::Ended, {"end 0"}},
        {"Java ends well at once", platform::ProgramEnd{1500, 0, L""}, ExitStatus::Ended,
         {"java ended 0 after 1500", "sleep 8500", "end 0"}},
        {"Java ends well as the wait ends", platform::ProgramEnd{10000, 0, L""}, ExitStatus::Ended,
         {"java ended 0 after 10000", "end 0"}},
        {"Java finds no main class", platform::ProgramEnd{800, 1, L"Error: Could not find or load main class X\r\n"},
         static_cast<ExitStatus>(13),
         {"java ended 1 after 800",
          "box SMS Server could not start: Java ended at once, with status 1.\r\n\r\nJava said:\r\nError: Could not "
          "find or load main class X\r\n\r\nJava did not find the application. Check that the folder "
          "PelmoraHuaweiEC325, with its lib folder, lies beside SmsServer.exe, in a folder whose name the system's "
          "ANSI code page can hold: Java 8 reads its command line in that code page. SmsServerCheck.exe, in the same "
          "folder, tells which.",
          "end 13"}},
        // The event thread's exception, after which AWT lets Java end with 0; a crash's status
        // and a launcher's 2 with nothing said.
        {"a frame that fails on the event thread", platform::ProgramEnd{1900, 0, L"Exception in thread \"AWT-EventQueue-0\" x"},
         static_cast<ExitStatus>(13), {"java ended 0 after 1900", "box SMS Server could not start: Java ended at once, with "
          "status 0.\r\n\r\nJava said:\r\nException in thread \"AWT-EventQueue-0\" x\r\n\r\nRun SmsServerCheck.exe, in the same folder, to see why.", "end 13"}},
        {"status 2", platform::ProgramEnd{300, 2, L""}, static_cast<ExitStatus>(13), {"java ended 2 after 300",
          "box SMS Server could not start: Java ended at once, with status 2.\r\n\r\nJava wrote nothing.\r\n\r\nRun SmsServerCheck.exe, in the same folder, to see why.", "end 13"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        StartSequence program;
        program.AddRuntime("1.6", "C:\\Java\\jre6");
        program.AddRuntimeFolders(L"C:\\Java\\jre6");
        program.AddSupportSources();
        program.processes.currentFolder = L"E:\\work";
        program.processes.javaEnd = c.javaEnd;

        EXPECT_EQ(program.Run(), c.status) << c.name;
        std::vector<std::string> events = before;
        events.insert(events.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(program.log.events, events) << c.name;
        ASSERT_EQ(program.processes.started.size(), 1u);
        EXPECT_EQ(program.processes.started[0].rfind(
                      L"C:\\Java\\jre6\\bin\\java.exe -classpath \"D:\\Sms\\PelmoraHuaweiEC325\\", 0),
                  0u);
        EXPECT_EQ(program.files->copies, 4);
    }
}

// Java's first words and status, and the hint for the cause they show.
TEST(JavaEnd, ShowsJavasFirstLinesItsStatusAndTheHintForItsCause) {
    const std::wstring longLine(300, L'a'), cut = std::wstring(197, L'a') + L"...";
    std::wstring sixteen, fifteen, longLines, sevenCut;
    for (int i = 0; i < 16; ++i) sixteen += L"line\n";
    for (int i = 0; i < 15; ++i) fifteen += (i ? L"\r\n" : L"") + std::wstring(L"line");
    for (int i = 0; i < 20; ++i) longLines += longLine + L"\r\n";
    for (int i = 0; i < 7; ++i) sevenCut += (i ? L"\r\n" : L"") + cut;
    struct Case {
        std::uint32_t status;
        std::wstring output;
        std::wstring statusText;
        std::wstring lines;
        std::wstring hint;  // its first words
    };
    // clang-format off
    const Case cases[] = {
        {1, L"Exception in thread \"main\" java.lang.NoClassDefFoundError: JavaSwingClasses/MainFrame\n\tat x\n", L"1",
         L"Exception in thread \"main\" java.lang.NoClassDefFoundError: JavaSwingClasses/MainFrame\r\n\tat x",
         L"Java did not find the application."},
        {1, L"Error occurred during initialization of VM\r\nCould not reserve enough space for 1048576KB object heap\r\n",
         L"1", L"Error occurred during initialization of VM\r\nCould not reserve enough space for 1048576KB object heap",
         L"A 32-bit Java could not reserve"},
        {1, L"java.lang.UnsatisfiedLinkError: no Win32Com in java.library.path", L"1",
         L"java.lang.UnsatisfiedLinkError: no Win32Com in java.library.path", L"Java could not load the serial library"},
        {1, L"java.lang.UnsatisfiedLinkError: no rxtxSerial in java.library.path", L"1",
         L"java.lang.UnsatisfiedLinkError: no rxtxSerial in java.library.path", L"Run SmsServerCheck.exe"},
        {1, L"java.lang.UnsupportedClassVersionError: JavaSwingClasses/MainFrame has been compiled by a more recent "
            L"version of the Java Runtime",
         L"1",
         L"java.lang.UnsupportedClassVersionError: JavaSwingClasses/MainFrame has been compiled by a more recent "
         L"version of the Java Runtime",
         L"The application needs a newer Java"},
        // Each cause from the texts real Java writes: HotSpot's on its standard output, the
        // launcher's and the exceptions on its error output.
        {1, L"#\n# A fatal error has been detected by the Java Runtime Environment:\n#\n#  EXCEPTION_ACCESS_VIOLATION (0xc0000005) "
            L"at pc=0x6d8b4c5a, pid=4120, tid=0x00001234\n#\n# Problematic frame:\n# C  [win32com.dll+0x4c5a]\n#\n# An "
            L"error report file with more information is saved as:\n# C:\\Sms\\hs_err_pid4120.log\n", L"1",
         L"# A fatal error has been detected by the Java Runtime Environment:\r\n#  EXCEPTION_ACCESS_VIOLATION (0xc0000005) at "
         L"pc=0x6d8b4c5a, pid=4120, tid=0x00001234\r\n# Problematic frame:\r\n# C  [win32com.dll+0x4c5a]\r\n# An error report file "
         L"with more information is saved as:\r\n# C:\\Sms\\hs_err_pid4120.log",
         L"Java crashed with EXCEPTION_ACCESS_VIOLATION (0xc0000005) in C  [win32com.dll+0x4c5a]. That is the serial library "
         L"Win32com.dll: run SmsServerCheck.exe /repair as administrator, and check the modem's "
         L"driver. Java's report of the crash is C:\\Sms\\hs_err_pid4120.log: keep it for support."},
        {1, L"Fehler: Hauptklasse JavaSwingClasses.MainFrame konnte nicht gefunden oder geladen werden\r\n", L"1",
         L"Fehler: Hauptklasse JavaSwingClasses.MainFrame konnte nicht gefunden oder geladen werden", L"Java did not find the application."},
        {1, L"Exception in thread \"main\" java.lang.NoClassDefFoundError: JavaSwingClasses/MainFrame\nCould not find the main "
            L"class: JavaSwingClasses.MainFrame.  Program will exit.", L"1", L"?", L"Java did not find the application."},
        {1, L"Exception in thread \"main\" java.lang.ClassNotFoundException: JavaSwingClasses.MainFrame", L"1", L"?",
         L"Java did not find the application."},
        {1, L"Error: A JNI error has occurred, please check your installation and try again\r\nException in thread \"main\" "
            L"java.lang.NoClassDefFoundError: jxl/Workbook\r\n\tat JavaSwingClasses.MainFrame.main", L"1", L"?",
         L"Java did not find the class jxl/Workbook, which the application needs: a jar of PelmoraHuaweiEC325\\lib is missing"},
        {1, L"Exception in thread \"main\" java.lang.UnsupportedClassVersionError: JavaSwingClasses/MainFrame : Unsupported "
            L"major.minor version 52.0", L"1", L"?", L"The application needs a newer Java than C:\\Java\\jre6, the runtime the "
            L"start chose: a start takes the first runtime"},
        {1, L"Error occurred during initialization of VM\r\nCould not reserve enough space for object heap", L"1", L"?",
         L"A 32-bit Java could not reserve"},
        {2, L"Error: could not find java.dll\r\nError: Could not find Java SE Runtime Environment.", L"2", L"?",
         L"The Java runtime is damaged"},
        {4, L"Error: missing `client' JVM at `C:\\Java\\jre6\\bin\\client\\jvm.dll'.", L"4", L"?", L"The Java runtime is damaged"},
        {0xC000007B, L"", L"0xC000007B", L"", L"The Java runtime is damaged"},
        {0xC0000005, L"", L"0xC0000005", L"", L"Run SmsServerCheck.exe"},
        {0x80000000, L"\n \r\n", L"0x80000000", L"", L"Run SmsServerCheck.exe"},
        {0x7FFFFFFF, L"a\n\n\nb \r\n", L"2147483647", L"a\r\nb", L"Run SmsServerCheck.exe"},
        {128, sixteen, L"128", fifteen, L"Run SmsServerCheck.exe"},
        {1, longLines, L"1", sevenCut, L"Run SmsServerCheck.exe"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(launcher::JavaStatusText(c.status), c.statusText);
        if (c.lines != L"?") {
            EXPECT_EQ(launcher::JavaFirstLines(c.output), c.lines) << Narrow(c.output);
        }
        EXPECT_EQ(launcher::JavaEndHint(c.status, c.output, L"C:\\Java\\jre6").rfind(c.hint, 0), 0u)
            << Narrow(c.output);
    }
    EXPECT_EQ(launcher::JavaEndedText(0xC0000005, L"", L""),
              L"SMS Server could not start: Java ended at once, with status 0xC0000005.\r\n\r\nJava wrote nothing."
              L"\r\n\r\nRun SmsServerCheck.exe, in the same folder, to see why.");
    EXPECT_FALSE(launcher::JavaFailed(0, L"Exception while closing, caught"));
}

TEST(StartSequence, ClosingTheSplashEndsWithNothingStarted) {
    StartSequence program;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.window.userClosesBeforeTick = true;

    EXPECT_EQ(program.Run(), ExitStatus::Ended);
    EXPECT_EQ(program.log.events, (std::vector<std::string>{"load", "closed by user"}));
    EXPECT_EQ(program.registry.opens, 0);
}

TEST(StartSequence, NoRuntimeEndsAfterTheMessageWithNothingStarted) {
    StartSequence program;

    EXPECT_EQ(program.Run(), ExitStatus::NoJavaRuntime);
    ASSERT_EQ(program.log.events.size(), 4u);
    EXPECT_EQ(program.log.events[1], "unload");
    EXPECT_EQ(program.log.events[3], "end 2");
    EXPECT_TRUE(program.processes.started.empty());
}

TEST(StartSequence, AFailedStartIsReportedAndEndsAtOnce) {
    StartSequence program;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.AddRuntimeFolders(L"C:\\Java\\jre6");
    program.AddSupportSources();
    program.processes.startFailure = base::Failure(2, L"The system cannot find the file specified.");

    EXPECT_EQ(program.Run(), ExitStatus::UnhandledFailure);
    EXPECT_EQ(program.boxes.texts, std::vector<std::wstring>{L"Run-time error '2':\r\n\r\nThe system cannot find the "
                                                             L"file specified."});
    EXPECT_EQ(program.log.events.back(), "end 1");
    for (const auto& event : program.log.events) EXPECT_NE(event.rfind("sleep", 0), 0u) << event;
}

TEST(StartSequence, ASearchFailureStillStartsJavaFromTheSearchPath) {
    StartSequence program;
    program.registry.AddKey(kRuntimesKey + "\\1.6");  // no JavaHome value

    EXPECT_EQ(program.Run(), ExitStatus::Ended);
    EXPECT_EQ(program.boxes.texts,
              (std::vector<std::wstring>{L"Unsupported value type", L"Error While Searching JVM on Your Machine"}));
    ASSERT_EQ(program.processes.started.size(), 1u);
    EXPECT_EQ(program.processes.started[0].rfind(L"java -classpath ", 0), 0u);
}

}  // namespace

namespace {

const std::wstring kNoRuntime =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tessaly for further help";
const std::wstring kNoneRecentEnough = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";
const std::wstring kCopyFailed = L"Error While Copying JAR File";
const std::wstring kDenied = L"Access is denied.";
const wchar_t* const kJre6 = L"C:\\Java\\jre6\\bin\\java.exe -classpath \"D:\\Sms\\";
const wchar_t* const kFromPath = L"java -classpath \"D:\\Sms\\";

// The layouts the injected failures are tried on.
void Arrange(StartSequence& program, const std::string& scenario) {
    if (scenario == "no runtime") return;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.AddRuntimeFolders(L"C:\\Java\\jre6");
    if (scenario == "no support files") return;
    // The support files came from a CD, read-only; Comm.jar is installed already, and an
    // interrupted start left a temporary copy of Win32com.dll.
    program.AddSupportSources(true);
    program.files->AddFile(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar", "old comm", true);
    program.files->AddFile(L"C:\\Java\\jre6\\bin\\~Win32com.dll.tmp", "new Win", true);
    if (scenario == "no java launcher") {
        program.processes.startFailure = base::Failure(2, L"The system cannot find the file specified.");
    }
}

// Afterwards each file is as it was or a whole support file under its final name; a temporary
// file left by an interrupted start may be gone, or made writable on the way.
void ExpectNoPartialOrStrayFile(const std::map<std::wstring, FakeFileSystem::File>& before, const FakeFileSystem& after,
                                const std::string& row) {
    const std::map<std::wstring, std::string> installed = {
        {L"c:\\java\\jre6\\lib\\ext\\comm.jar", "new Comm.jar"},
        {L"c:\\java\\jre6\\lib\\javax.comm.properties", "new javax.comm.properties"},
        {L"c:\\java\\jre6\\bin\\win32com.dll", "new Win32com.dll"},
        {L"c:\\java\\jre6\\lib\\ext\\jdc.jar", "new jdc.jar"},
    };
    for (const auto& [key, file] : before) {
        if (file.name.find(L"\\~") != std::wstring::npos) continue;
        ASSERT_TRUE(after.Files().count(key)) << row << ": removed " << Narrow(key);
        EXPECT_EQ(after.Files().at(key), file) << row << ": changed " << Narrow(key);
    }
    for (const auto& [key, file] : after.Files()) {
        if (before.count(key)) continue;
        const auto expected = installed.find(key);
        if (expected == installed.end()) {
            ADD_FAILURE() << row << ": stray file " << Narrow(key);
        } else {
            EXPECT_EQ(file.content, expected->second) << row << ": partial " << Narrow(key);
        }
    }
}

struct InjectionCase {
    const char* scenario;
    const char* operation;
    int call;
    ExitStatus status;
    std::vector<std::wstring> boxes;  // as the user sees them
    const wchar_t* started;           // head of the started line; null: nothing started
};

// One call of one platform operation fails; the start copes as the README says.
TEST(StartSequence, CopesWithEachPlatformFailureAtEachCall) {
    const std::wstring copyDenied[] = {kDenied, kCopyFailed};
    const std::wstring diskFull[] = {L"There is not enough space on the disk.", kCopyFailed};
    // clang-format off
    const std::wstring deviceError[] = {
        L"The request could not be performed because of an I/O device error.", kCopyFailed};
    // clang-format on
    const auto boxes = [](const auto& texts) { return std::vector<std::wstring>(std::begin(texts), std::end(texts)); };
    const ExitStatus ok = ExitStatus::Ended;
    const ExitStatus failed = ExitStatus::UnhandledFailure;
    // clang-format off
    const InjectionCase cases[] = {
        {"usual", "splash load", 1, failed, {L"Run-time error '1407':\r\n\r\nCannot find window class."}, nullptr},
        {"usual", "registry open", 1, ExitStatus::NoJavaRuntime, {kNoRuntime}, nullptr},
        {"usual", "registry open", 2, ExitStatus::NoSuitableJavaRuntime, {kNoneRecentEnough}, nullptr},
        {"usual", "registry open", 3, ok, {}, kFromPath},
        {"usual", "registry enumerate", 1, ExitStatus::NoSuitableJavaRuntime, {kNoneRecentEnough}, nullptr},
        {"usual", "registry enumerate", 2, ok, {}, kJre6},
        {"usual", "registry query", 1, ok, {L"Unsupported value type", kSearchFailed}, kFromPath},
        {"usual", "registry close", 1, ok, {}, kJre6},
        {"usual", "registry close", 2, ok, {}, kJre6},
        {"usual", "registry close", 3, ok, {}, kJre6},
        // Comm.jar taken for missing: its copy cannot replace the read-only file there.
        {"usual", "file exists", 1, ok, boxes(copyDenied), kJre6},
        {"usual", "file exists", 2, ok, {}, kJre6},
        {"usual", "file exists", 3, ok, {}, kJre6},
        {"usual", "file exists", 4, ok, {}, kJre6},
        {"usual", "file make writable", 1, ok, boxes(copyDenied), kJre6},
        {"usual", "file make writable", 2, ok, boxes(copyDenied), kJre6},
        {"usual", "file make writable", 3, ok, boxes(copyDenied), kJre6},
        {"usual", "file remove", 1, ok, boxes(copyDenied), kJre6},
        {"usual", "file remove", 2, ok, boxes(copyDenied), kJre6},
        {"usual", "file remove", 3, ok, boxes(copyDenied), kJre6},
        {"usual", "file copy", 1, ok, boxes(diskFull), kJre6},
        {"usual", "file copy", 2, ok, boxes(diskFull), kJre6},
        {"usual", "file copy", 3, ok, boxes(diskFull), kJre6},
        // One refused rename is tried again, as for a file a virus scanner holds.
        {"usual", "file rename", 1, ok, {}, kJre6},
        {"usual", "file rename", 2, ok, {}, kJre6},
        {"usual", "file rename", 3, ok, {}, kJre6},
        {"usual", "file flush", 1, ok, boxes(deviceError), kJre6},
        {"usual", "file flush", 2, ok, boxes(deviceError), kJre6},
        {"usual", "file flush", 3, ok, boxes(deviceError), kJre6},
        {"usual", "program folder", 1, failed,
         {L"Run-time error '122':\r\n\r\nThe data area passed to a system call is too small."}, nullptr},
        {"usual", "program folder", 2, failed,
         {L"Run-time error '122':\r\n\r\nThe data area passed to a system call is too small."}, nullptr},
        {"usual", "current folder get", 1, failed, {L"Run-time error '5':\r\n\r\nAccess is denied."}, nullptr},
        {"usual", "current folder set", 1, failed,
         {L"Run-time error '3':\r\n\r\nThe system cannot find the path specified."}, nullptr},
        // The application has started when the launcher's own folder cannot be set back.
        {"usual", "current folder set", 2, failed,
         {L"Run-time error '3':\r\n\r\nThe system cannot find the path specified."}, kJre6},
        {"usual", "process start", 1, failed,
         {L"Run-time error '2':\r\n\r\nThe system cannot find the file specified."}, nullptr},
        {"no support files", "message box", 1, ok, {kCopyFailed}, kJre6},
        {"no support files", "message box", 2, ok, {L"The system cannot find the path specified."}, kJre6},
        {"no runtime", "message box", 1, ExitStatus::NoJavaRuntime, {}, nullptr},
        {"no java launcher", "message box", 1, failed, {}, nullptr},
    };
    // clang-format on

    std::map<std::string, std::map<std::string, std::set<int>>> covered;
    for (const auto& c : cases) {
        const std::string row = std::string(c.scenario) + ", " + c.operation + " call " + std::to_string(c.call);
        covered[c.scenario][c.operation].insert(c.call);
        StartSequence program;
        Arrange(program, c.scenario);
        const auto before = program.files->Files();
        program.faults.operation = c.operation;
        program.faults.failingCall = c.call;

        EXPECT_EQ(program.Run(), c.status) << row;
        EXPECT_EQ(program.boxes.texts, c.boxes) << row;
        if (c.started) {
            ASSERT_EQ(program.processes.started.size(), 1u) << row;
            EXPECT_EQ(program.processes.started[0].rfind(c.started, 0), 0u)
                << row << ": " << Narrow(program.processes.started[0]);
        } else {
            EXPECT_TRUE(program.processes.started.empty()) << row;
        }
        EXPECT_TRUE(program.registry.openHandles.empty()) << row;
        EXPECT_EQ(program.registry.badCloses, 0) << row;
        ExpectNoPartialOrStrayFile(before, *program.files, row);
    }

    // Every call that a start makes of each operation has been made to fail once.
    const std::set<std::string> operations = {
        "splash load",        "registry open",      "registry enumerate", "registry query",
        "registry close",     "file exists",        "file make writable", "file remove",
        "file copy",          "file flush",         "file rename",        "program folder",
        "current folder get", "current folder set", "process start",      "message box"};
    std::set<std::string> tried;
    for (const auto& [scenario, byOperation] : covered) {
        StartSequence program;
        Arrange(program, scenario);
        program.Run();
        for (const auto& [operation, calls] : byOperation) {
            tried.insert(operation);
            std::set<int> all;
            for (int call = 1; call <= program.faults.calls[operation]; ++call) all.insert(call);
            EXPECT_EQ(calls, all) << scenario << ", " << operation;
        }
    }
    EXPECT_EQ(tried, operations);
}

}  // namespace
