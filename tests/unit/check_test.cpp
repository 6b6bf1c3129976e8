// The administrator's check over a table of layouts: what it says a start would do, and that
// it changes nothing while finding out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <sstream>
#include <tuple>

#include "base/text.h"
#include "check/arguments.h"
#include "check/check.h"
#include "check/package_step.h"
#include "check/register.h"
#include "check/repair.h"
#include "check/report.h"
#include "registry/MRegistry.h"
#include "tests/unit/test_world.h"

namespace {

const std::wstring kProgram = L"D:\\Sms";
const std::wstring kHome = L"C:\\Java\\jre6";
// clang-format off
const wchar_t* const kJars[] = {L"comm", L"jdc", L"jxl", L"log4j-1.2.8", L"slf4j-api-1.1.0",
                                L"slf4j-log4j12-1.1.0", L"slf4j-simple-1.1.0", L"swing-layout-1.0",
                                L"win32com.dll"};
// clang-format on

struct Layout : TestWorld {
    FakeRegistry registry64;
    bool is64Bit = true;
    std::wstring folder = kProgram;

    // SmsServer.exe with its application, one runtime with its java.exe, the support sources;
    // for /register and /unregister, which read no more, the registered runtime alone.
    explicit Layout(bool registryAlone = false) {
        AddRuntime("1.6", "C:\\Java\\jre6");
        if (registryAlone) return;
        files->AddFile(kProgram + L"\\SmsServer.exe", "exe");
        files->SetFileVersion(kProgram + L"\\SmsServer.exe", L"1.0.0.0");
        for (const wchar_t* jar : kJars) {
            files->AddFile(kProgram + L"\\PelmoraHuaweiEC325\\lib\\" + jar + L".jar", "jar");
        }
        AddRuntimeFolders(kHome);
        files->AddFile(kHome + L"\\bin\\java.exe", "java");
        AddSupportSources();
    }

    check::Report Check() {
        return check::CheckStart({registry, is64Bit ? &registry64 : nullptr, *files, *files}, folder);
    }
    check::Report Repair() {
        return check::RepairStart({registry, is64Bit ? &registry64 : nullptr, *files, *files}, folder);
    }
};

struct CheckCase {
    const char* name;
    std::function<void(Layout&)> arrange;
    int status;
    std::wstring chosen;
    std::wstring javaFound;
    std::vector<std::wstring> filesToCopy;
    std::vector<std::wstring> shown;  // lines of the report, each found whole
};

const std::vector<std::wstring> kAllFour = {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"};
const std::wstring kJava = L"C:\\Java\\jre6\\bin\\java.exe";

const std::wstring kSource = L"C:\\sorvel\\GsmModemJar\\";

std::function<void(Layout&)> Facts(std::wstring path, platform::HeldFacts facts) {
    return [=](Layout& w) { w.files->SetHeldFacts(path, facts); };
}

std::function<void(Layout&)> Grant(std::wstring path, std::uint32_t rights) {
    return [=](Layout& w) { w.files->Grant(path, {L"S-1-5-11", L"NT AUTHORITY\\Authenticated Users"}, rights); };
}

// The lines of a text whose every line ends in CR LF.
std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);) {
        EXPECT_EQ(line.back(), L'\r') << Narrow(line);
        lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

TEST(Check, TellsWhatAStartWouldDoOnEachLayout) {
    // clang-format off
    const CheckCase cases[] = {
        {"usual", [](Layout&) {}, 14, L"1.6", kJava, kAllFour,
         {L"  OK       SmsServer.exe, version 1.0.0.0", L"  OK       \"1.6\": version 1.6: chosen, the first of 1.5 or higher",
          L"  OK       JavaHome (REG_SZ): C:\\Java\\jre6",
          L"  MISSING  lib\\ext\\Comm.jar: a start copies it from the source folder",
          L"  NOTE     No other Java is registered",
          L"  A start would copy Comm.jar, javax.comm.properties, Win32com.dll and jdc.jar"}},
        {"no runtime key", [](Layout& w) { w.registry = FakeRegistry(); }, 2, L"", L"", {},
         {L"  PROBLEM  HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment is",
          L"  A start would show \"You have not Installed Java Runtime Environment on your"}},
        {"only old runtimes and a 64-bit one",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("1.4.2_08", "C:\\j142");
             w.AddRuntime("1.10", "C:\\j110");
             w.registry64.SetText(kRuntimesKey + "\\1.8.0_201", "JavaHome", "C:\\Program Files\\Java\\jre8");
         },
         3, L"", L"", {},
         {L"  NOTE     \"1.4.2_08\": version 1.4, below 1.5: passed", L"  NOTE     \"1.10\": version 1.1, below 1.5: passed",
          L"  PROBLEM  None is version 1.5 or higher",
          // The path goes whole onto the next line, where it can be copied.
          L"  HINT     Java Runtime Environment \"1.8.0_201\" (64-bit view) at",
          L"           C:\\Program Files\\Java\\jre8: a 64-bit Java cannot load the 32-bit",
          L"  A start would show \"Java Runtime Environment version 1.5 or higher version is"}},
        {"a name that is not a number first, java on the search path",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("abc", "C:\\x");
             w.AddRuntime("1.6", "C:\\Java\\jre6");
             w.files->onSearchPath[L"java"] = L"C:\\Windows\\System32\\java.exe";
         },
         0, L"", L"C:\\Windows\\System32\\java.exe", {},
         {L"  PROBLEM  \"abc\": \"abc\" is not a number (Type mismatch): the search stops here",
          L"  NOTE     \"1.6\": version 1.6: not looked at, the search stopped before it",
          L"  OK       java from the search path: C:\\Windows\\System32\\java.exe",
          L"  NOTE     No runtime folder is chosen: a start copies nothing",
          L"  A start would show \"Type mismatch\" and \"Error While Searching JVM on Your"}},
        {"JavaHome of a type not read, no java anywhere",
         [](Layout& w) {
             w.registry.SetValue(kRuntimesKey + "\\1.6", "JavaHome", platform::kRegQword,
                                 {1, 0, 0, 0, 0, 0, 0, 0});
         },
         1, L"1.6", L"", {},
         {L"  PROBLEM  JavaHome (REG_QWORD): Unsupported value type",
          L"  PROBLEM  No java.exe in the program folder, the system folders or the folders",
          L"  A start would show \"Unsupported value type\" and \"Error While Searching JVM on",
          L"  Your Machine\", then fail to start java with a \"Run-time error\" message and"}},
        {"an unreadable runtime key",
         [](Layout& w) { w.registry.DenyOpen(kRuntimesKey + "\\1.6"); }, 1, L"1.6", L"", {},
         {L"  PROBLEM  The key of \"1.6\" cannot be opened: a start runs java from the search"}},
        {"no java.exe in the runtime", [](Layout& w) { w.files->Remove(kJava); }, 1, L"1.6", L"",
         kAllFour, {L"  PROBLEM  C:\\Java\\jre6\\bin\\java.exe is missing"}},
        {"files present, a source and a jar missing, a leftover",
         [](Layout& w) {
             w.files->AddFile(kHome + L"\\lib\\ext\\Comm.jar", "old");
             w.files->AddFile(kHome + L"\\bin\\~Win32com.dll.tmp", "half", true);
             w.files->Remove(L"C:\\sorvel\\GsmModemJar\\Win32com.dll");
             w.files->Remove(kProgram + L"\\PelmoraHuaweiEC325\\lib\\jxl.jar");
         },
         14, L"1.6", kJava, {L"javax.comm.properties"},
         {L"  OK       lib\\ext\\Comm.jar is in the runtime", L"  MISSING  PelmoraHuaweiEC325\\lib\\jxl.jar",
          L"  NOTE     ~Win32com.dll.tmp, left by an interrupted start, is removed first",
          L"  PROBLEM  Copying Win32com.dll fails: its source",
          L"  MISSING  lib\\ext\\jdc.jar: not tried after that failure",
          L"  The application would then fail: 1 of its 10 class-path entries are missing"}},
        {"runtime folders this user may not write",
         [](Layout& w) { w.files->MakeUnwritable(kHome + L"\\lib\\ext"); }, 14, L"1.6", kJava, {},
         {L"  PROBLEM  Copying Comm.jar fails: this user may not write to",
          L"           C:\\Java\\jre6\\lib\\ext: the first start must run as administrator"}},
        {"write access that cannot be told",
         [](Layout& w) {
             w.files->HideAccessOf(kHome + L"\\lib\\ext");
             w.files->AddFile(kHome + L"\\lib\\ext\\Comm.jar", "old");
             w.files->AddFile(kHome + L"\\lib\\javax.comm.properties", "old");
             w.files->HideAccessOf(kHome + L"\\bin");
         },
         14, L"1.6", kJava, {L"Win32com.dll", L"jdc.jar"},
         {L"  NOTE     Whether this user may write to C:\\Java\\jre6\\bin cannot be told"}},
        {"a jar that is a folder, an application folder that is a file",
         [](Layout& w) {
             w.files->Remove(kProgram + L"\\PelmoraHuaweiEC325\\lib\\jdc.jar");
             w.files->AddFolder(kProgram + L"\\PelmoraHuaweiEC325\\lib\\jdc.jar");
         },
         14, L"1.6", kJava, kAllFour,
         {L"  PROBLEM  PelmoraHuaweiEC325\\lib\\jdc.jar is a folder, not a file",
          L"  The application would then fail: 1 of its 10 class-path entries are missing"}},
        {"an application folder that is a file",
         [](Layout& w) {
             w.folder = L"D:\\Other";
             w.files->AddFile(L"D:\\Other\\PelmoraHuaweiEC325", "a file");
         },
         14, L"1.6", kJava, kAllFour,
         {L"  MISSING  SmsServer.exe is not in this folder", L"  MISSING  PelmoraHuaweiEC325\\lib\\comm.jar",
          L"  PROBLEM  PelmoraHuaweiEC325 is a file, not a folder"}},
        {"a thousand runtimes, the last one suitable, names outside ASCII",
         [](Layout& w) {
             w.registry = FakeRegistry();
             for (int i = 0; i < 999; ++i) w.AddRuntime("1.4.\xE9" + std::to_string(i), "C:\\old");
             w.AddRuntime("1.6\x80", "C:\\Java\\jre6");
         },
         14, L"1.6\u20AC", kJava, kAllFour,
         {L"  NOTE     \"1.4.\u00E9998\": version 1.4, below 1.5: passed",
          L"  OK       \"1.6\u20AC\": version 1.6: chosen, the first of 1.5 or higher"}},
        {"Java 9 and later, 32-bit Windows",
         [](Layout& w) {
             w.is64Bit = false;
             w.registry.SetText("SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", "C:\\jre11");
             w.registry.SetText("SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "C:\\jdk17");
         },
         14, L"1.6", kJava, kAllFour,
         {L"  HINT     JRE \"11\" (32-bit view) at C:\\jre11: Java 9 and later no longer load",
          L"  HINT     JDK \"17\" (32-bit view) at C:\\jdk17: Java 9 and later no longer load",
          L"  NOTE     32-bit Windows: there is no 64-bit registry view"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Layout layout;
        c.arrange(layout);
        const auto before = layout.files->Files();
        const check::Report report = layout.Check();
        EXPECT_EQ(report.status, c.status) << c.name;
        EXPECT_EQ(report.chosenRuntime, c.chosen) << c.name;
        EXPECT_EQ(report.javaFound, c.javaFound) << c.name;
        EXPECT_EQ(report.filesToCopy, c.filesToCopy) << c.name;

        const std::wstring text = check::ReportText(report);
        const auto lines = Lines(text);
        for (const auto& expected : c.shown) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end())
                << c.name << ": no line \"" << Narrow(expected) << "\" in\n"
                << Narrow(text);
        }
        for (const auto& line : lines) EXPECT_LE(line.size(), 79u) << c.name << ": " << Narrow(line);
        // Read-only: nothing copied, started or shown, not a file changed.
        EXPECT_EQ(layout.files->copies, 0) << c.name;
        EXPECT_EQ(layout.files->Files(), before) << c.name;
        EXPECT_TRUE(layout.log.events.empty()) << c.name;
        EXPECT_TRUE(layout.registry.openHandles.empty()) << c.name;
        EXPECT_TRUE(layout.registry64.openHandles.empty()) << c.name;
    }
}

// Every finding of a report as "MARK text", whole, however the report wraps it.
std::vector<std::wstring> Findings(const check::Report& report) {
    const wchar_t* const marks[] = {L"OK", L"MISSING", L"PROBLEM", L"NOTE", L"HINT"};
    std::vector<std::wstring> findings;
    for (const auto& section : report.sections) {
        for (const auto& finding : section.findings) {
            findings.push_back(std::wstring(marks[static_cast<int>(finding.mark)]) + L" " + finding.text);
        }
    }
    return findings;
}

struct WholeCase {
    const char* name;
    std::function<void(Layout&)> arrange;
    int status;
    std::vector<std::wstring> findings;  // each found whole
    std::vector<std::wstring> absent;    // no finding holds these
    std::vector<std::wstring> verdict;   // whole
};

// A layout whose one runtime, "1.6", lies at home, with a java.exe at java when given.
std::function<void(Layout&)> OnlyRuntimeAt(std::string home, std::wstring java = L"") {
    return [home, java](Layout& w) {
        w.registry = FakeRegistry();
        w.AddRuntime("1.6", home);
        if (!java.empty()) w.files->AddFile(java, "java");
    };
}

TEST(Check, ReportsWholeFindingsAndVerdicts) {
    const std::wstring kNotReady =
        L"Not ready: the support files are not all in place. A start by an account that may write to the runtime "
        L"copies them; /repair as administrator does now, and the package's task at the next start of Windows.";
    const std::wstring copiesAll =
        L"A start would copy Comm.jar, javax.comm.properties, Win32com.dll and jdc.jar into "
        L"C:\\Java\\jre6, then ";
    // clang-format off
    const WholeCase cases[] = {
        {"runtimes named 2 and 10",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("2", "C:\\Java\\jre6");
             w.AddRuntime("10", "C:\\Java\\jre10");
         },
         14,
         {L"OK \"2\": version 2: chosen, the first of 1.5 or higher",
          L"NOTE \"10\": version 10: not looked at, the search stopped before it"},
         {L"10.0"},
         {copiesAll + L"start C:\\Java\\jre6\\bin\\java.exe.", kNotReady}},
        {"a name that is no number, longer than three characters",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("abcdef", "C:\\x");
             w.AddRuntime("1.6", "C:\\Java\\jre6");
         },
         1,
         {L"PROBLEM \"abcdef\": \"abc\" is not a number (Type mismatch): the search stops here with "
          L"\"Error While Searching JVM on Your Machine\""},
         {L"\"abcd\""},
         {L"A start would show \"Type mismatch\" and \"Error While Searching JVM on Your Machine\", "
          L"then fail to start java with a \"Run-time error\" message and end with status 1."}},
        {"a start that ends at the runtime choice looks for no Java launcher",
         [](Layout& w) { w.registry = FakeRegistry(); }, 2, {}, {L"java"},
         {L"A start would show \"You have not Installed Java Runtime Environment on your computer.\" "
          L"and end with status 2. Install a 32-bit Java runtime, version 1.5 to 8."}},
        {"a program without a version resource",
         [](Layout& w) { w.files->SetFileVersion(kProgram + L"\\SmsServer.exe", L""); }, 14,
         {L"OK SmsServer.exe"}, {L", version "}, {copiesAll + L"start C:\\Java\\jre6\\bin\\java.exe.", kNotReady}},
        {"a Java 11 in the 64-bit view",
         [](Layout& w) { w.registry64.SetText("SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", "C:\\jre11"); }, 14,
         {L"HINT JRE \"11\" (64-bit view) at C:\\jre11: Java 9 and later no longer load lib\\ext, where "
          L"the serial-port files go; a start does not see it"},
         {L"No other Java is registered"}, {copiesAll + L"start C:\\Java\\jre6\\bin\\java.exe.", kNotReady}},
        {"the source folder missing",
         [](Layout& w) { w.files->RemoveFolder(L"C:\\sorvel\\GsmModemJar"); }, 14,
         {L"MISSING Source folder C:\\sorvel\\GsmModemJar",
          L"PROBLEM Copying Comm.jar fails: its source C:\\sorvel\\GsmModemJar\\Comm.jar is missing"},
         {},
         {L"A start would fail to copy Comm.jar (\"Error While Copying JAR File\"), then start "
          L"C:\\Java\\jre6\\bin\\java.exe.", kNotReady}},
        {"a runtime without lib\\ext",
         [](Layout& w) { w.files->RemoveFolder(kHome + L"\\lib\\ext"); }, 14,
         {L"PROBLEM Copying Comm.jar fails: the folder C:\\Java\\jre6\\lib\\ext is missing, and a start "
          L"makes no folder"},
         {}, {}},
        {"no Java launcher and a missing jar",
         [](Layout& w) {
             w.files->Remove(kJava);
             w.files->Remove(kProgram + L"\\PelmoraHuaweiEC325\\lib\\jxl.jar");
         },
         1, {L"PROBLEM C:\\Java\\jre6\\bin\\java.exe is missing", L"MISSING PelmoraHuaweiEC325\\lib\\jxl.jar"},
         {},
         {copiesAll + L"fail to start C:\\Java\\jre6\\bin\\java.exe with a \"Run-time error\" message "
                      L"and end with status 1."}},
        {"a JavaHome written with slashes is a full path",
         OnlyRuntimeAt("C:/Java/jre6"),
         14, {L"OK C:/Java/jre6\\bin\\java.exe"}, {L"full path"}, {}},
        {"a JavaHome on a drive but no folder, the program on another drive",
         OnlyRuntimeAt("C:jre6", L"D:\\Sms\\jre6\\bin\\java.exe"),
         1,
         {L"NOTE JavaHome names a drive but no folder: a start takes it below the root of C:",
          L"PROBLEM C:\\jre6\\bin\\java.exe is missing"},
         {}, {}},
        {"a JavaHome on a share", OnlyRuntimeAt("\\\\server\\java"), 1,
         {L"PROBLEM \\\\server\\java\\bin\\java.exe is missing"}, {L"full path"}, {}},
        {"a JavaHome on a share, with slashes", OnlyRuntimeAt("//server/java"), 1,
         {L"PROBLEM //server/java\\bin\\java.exe is missing"}, {L"full path"}, {}},
        {"a JavaHome rooted on no drive, with a slash", OnlyRuntimeAt("/Java/jre6"), 1,
         {L"NOTE JavaHome is not a full path: a start takes it on the program folder's drive",
          L"PROBLEM D:/Java/jre6\\bin\\java.exe is missing"},
         {}, {}},
        {"a JavaHome that is a drive alone", OnlyRuntimeAt("C:"), 1,
         {L"PROBLEM C:\\bin\\java.exe is missing"}, {L"full path", L"names a drive"}, {}},
        {"a JavaHome rooted on no drive",
         OnlyRuntimeAt("\\Java\\jre6"),
         1,
         {L"NOTE JavaHome is not a full path: a start takes it on the program folder's drive",
          L"PROBLEM D:\\Java\\jre6\\bin\\java.exe is missing"},
         {}, {}},
        {"an empty JavaHome, and one of a type no Windows names",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("1.6", "");
             w.files->onSearchPath[L"java"] = L"C:\\Windows\\java.exe";
         },
         0,
         {L"PROBLEM JavaHome (REG_SZ): empty: a start runs java from the search path, without a message",
          L"OK java from the search path: C:\\Windows\\java.exe"},
         {}, {L"A start would start C:\\Windows\\java.exe."}},
        {"a Temurin 8 x86 with only its own key and uninstall entry",
         [](Layout& w) {
             const std::string home = "C:\\Program Files (x86)\\Eclipse Adoptium\\jre-8.0.402.6-hotspot";
             w.AddJavaAt(std::wstring(home.begin(), home.end()), 0x14C, "1.8.0_402");
             w.registry.SetText("SOFTWARE\\Eclipse Adoptium\\JRE\\8.0.402.6\\hotspot\\MSI", "Path", home + "\\");
             const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{T8}";
             w.registry.SetText(entry, "InstallLocation", home + "\\");
             w.registry.SetText(entry, "DisplayName", "Eclipse Temurin JRE with Hotspot 8u402-b06 (x86)");
         },
         14,
         {L"HINT Eclipse Temurin JRE with Hotspot 8u402-b06 (x86), version 1.8.0_402, 32-bit, with lib\\ext, at C:\\Program "
          L"Files (x86)\\Eclipse Adoptium\\jre-8.0.402.6-hotspot: a start does not see it; run "
          L"SmsServerCheck.exe /register \"C:\\Program Files (x86)\\Eclipse Adoptium\\jre-8.0.402.6-hotspot\", "
          L"or install it again with FeatureOracleJavaSoft in ADDLOCAL"},
         {}, {copiesAll + L"start C:\\Java\\jre6\\bin\\java.exe.", kNotReady}},
        {"a Zulu 8 x86 without a release file, and an uninstall entry whose folder is gone",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\Zulu\\zulu-8", 0x14C, "1.8.0_392");
             w.files->Remove(L"C:\\Zulu\\zulu-8\\release");
             w.registry.SetText("SOFTWARE\\Azul Systems\\Zulu\\8.76.0.17", "InstallationPath", "C:\\Zulu\\zulu-8");
             w.registry.SetText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone",
                                "InstallLocation", "C:\\Gone");
             w.files->AddFolder(L"C:\\Gone\\bin\\java.exe");  // a folder, not the program
         },
         14,
         {L"HINT Azul Zulu, version 8.76.0.17, 32-bit, with lib\\ext, at C:\\Zulu\\zulu-8: a start does not see it; run "
          L"SmsServerCheck.exe /register \"C:\\Zulu\\zulu-8\""},
         {L"C:\\Gone"}, {}},
        {"a 64-bit Temurin 8 and a 32-bit Temurin 17",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\Program Files\\T8", 0x8664, "1.8.0_402");
             w.registry64.SetText("SOFTWARE\\Eclipse Adoptium\\JRE\\8.0.402.6\\hotspot\\MSI", "Path", "C:\\Program Files\\T8");
             w.AddJavaAt(L"C:\\T17", 0x14C, "17.0.10");
             w.registry.SetText("SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.10.7\\hotspot\\MSI", "Path", "C:\\T17");
         },
         14,
         {L"HINT Eclipse Temurin, version 1.8.0_402, 64-bit, with lib\\ext, at C:\\Program Files\\T8: a 64-bit Java cannot "
          L"load the 32-bit serial library Win32com.dll; a start does not see it",
          L"HINT Eclipse Temurin, version 17.0.10, 32-bit, without lib\\ext, at C:\\T17: Java 9 and later no "
          L"longer load lib\\ext, where the serial-port files go; a start does not see it"},
         {}, {}},
        {"a program folder whose name the ANSI code page cannot hold",
         [](Layout& w) {
             w.folder = L"D:\\S\u0142ms";
             w.files->AddFolder(w.folder);
         },
         14,
         {L"PROBLEM Folder D:\\S\u0142ms: the system's ANSI code page cannot hold its name, and Java 8, which reads "
          L"its command line in that code page, would not find the application there; move SMS Server to a folder "
          L"with a plain name"},
         {}, {}},
        {"a Java 1.4, and a 32-bit Java 9 with a lib\\ext",
         [](Layout& w) {
             const std::string entries = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
             w.AddJavaAt(L"C:\\J14", 0x14C, "1.4.2_19");
             w.registry.SetText(entries + "J14", "InstallLocation", "C:\\J14");
             w.AddJavaAt(L"C:\\J9", 0x14C, "9.0.4");
             w.files->AddFolder(L"C:\\J9\\lib\\ext");
             w.registry.SetText(entries + "J9", "InstallLocation", "C:\\J9");
         },
         14,
         {L"HINT A Java runtime, version 1.4.2_19, 32-bit, with lib\\ext, at C:\\J14: its version is below 1.5; a "
          L"start does not see it",
          L"HINT A Java runtime, version 9.0.4, 32-bit, with lib\\ext, at C:\\J9: Java 9 and later no longer load "
          L"lib\\ext, where the serial-port files go; a start does not see it"},
         {}, {}},
        {"a runtime key with no runtimes below it",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.registry.AddKey(kRuntimesKey);
         },
         3, {L"PROBLEM No runtime is listed below the key"}, {}, {}},
        {"a source nobody may read the access of",
         [](Layout& w) { w.files->HideAccessOf(L"C:\\sorvel\\GsmModemJar"); }, 14,
         {L"PROBLEM A repair copies nothing, since only SYSTEM, the administrators and TrustedInstaller "
          L"may own or change what the repair copies: who may change C:\\sorvel\\GsmModemJar cannot be "
          L"told: Access is denied."},
         {}, {}},
        {"a link on the way into the runtime", Facts(kHome + L"\\bin", {true, 1, L"C:\\Users\\bob"}), 14,
         {L"PROBLEM A repair copies nothing: C:\\Java\\jre6\\bin is a link, which the repair never follows; an "
          L"administrator must remove it"},
         {}, {}},
        {"a JavaHome of type 20",
         [](Layout& w) { w.registry.SetValue(kRuntimesKey + "\\1.6", "JavaHome", 20, {1, 2}); }, 1,
         {L"PROBLEM JavaHome (type 20): Unsupported value type"}, {}, {}},
        {"a JavaHome on the program's drive but no folder",
         OnlyRuntimeAt("d:jre6", L"D:\\Sms\\jre6\\bin\\java.exe"),
         14,
         {L"NOTE JavaHome is not a full path: a start takes it below the program folder",
          L"OK D:\\Sms\\jre6\\bin\\java.exe"},
         {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Layout layout;
        c.arrange(layout);
        const check::Report report = layout.Check();
        EXPECT_EQ(report.status, c.status) << c.name;
        const auto findings = Findings(report);
        for (const auto& expected : c.findings) {
            EXPECT_NE(std::find(findings.begin(), findings.end(), expected), findings.end())
                << c.name << ": no finding \"" << Narrow(expected) << "\"";
        }
        for (const auto& part : c.absent) {
            for (const auto& finding : findings) {
                EXPECT_EQ(finding.find(part), std::wstring::npos) << c.name << ": " << Narrow(finding);
            }
        }
        if (!c.verdict.empty()) {
            EXPECT_EQ(report.verdict, c.verdict) << c.name;
        }
    }
}

// Lines of at most 79 characters: a finding of exactly that length stays on its line, a longer
// one breaks at a blank, a word longer than a line is cut, and a path goes whole onto the next
// line when it fits there.
TEST(Check, WrapsFindingsIntoLinesOf79) {
    const std::wstring exact = L"word " + std::wstring(63, L'x');  // 68: 79 less the mark's 11
    struct Case {
        std::wstring finding;
        std::vector<std::wstring> lines;
    };
    // clang-format off
    const Case cases[] = {
        {exact, {L"  OK       " + exact}},
        {exact + L"y", {L"  OK       word", L"           " + std::wstring(63, L'x') + L"y"}},
        {std::wstring(80, L'z'), {L"  OK       " + std::wstring(68, L'z'), L"           " + std::wstring(12, L'z')}},
        {L"Copied lib\\ext\\Comm.jar into C:\\Program Files (x86)\\Java\\jre1.6.0_05\\lib\\ext",
         {L"  OK       Copied lib\\ext\\Comm.jar into",
          L"           C:\\Program Files (x86)\\Java\\jre1.6.0_05\\lib\\ext"}},
        {L"Copied lib\\ext\\Comm.jar into the share \\\\server\\Program Files\\Java\\jre6\\lib\\ext.",
         {L"  OK       Copied lib\\ext\\Comm.jar into the share",
          L"           \\\\server\\Program Files\\Java\\jre6\\lib\\ext."}},
        {L"The JavaHome read from the registry for this runtime is \"C:\\Program Files\\Java\\jre6\", as is",
         {L"  OK       The JavaHome read from the registry for this runtime is",
          L"           \"C:\\Program Files\\Java\\jre6\", as is"}},
        // A path longer than a line breaks at its blanks after all.
        {L"C:\\Program Files\\" + std::wstring(50, L'j') + L"\\Java Runtime\\jre6 is too long",
         {L"  OK       C:\\Program", L"           Files\\" + std::wstring(50, L'j') + L"\\Java",
          L"           Runtime\\jre6 is too long"}},
        {L"See C:\\Program Files\\A B\\" + std::wstring(48, L'k') + L" and more",
         {L"  OK       See C:\\Program Files\\A",
          L"           B\\" + std::wstring(48, L'k') + L" and more"}},
        {L"two  blanks" + std::wstring(58, L' ') + L"end",
         {L"  OK       two  blanks", L"           end"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        check::Report report;
        report.sections.push_back({L"Section", {{check::Mark::Ok, c.finding}}});
        const auto lines = Lines(check::ReportText(report));
        const auto at = std::find(lines.begin(), lines.end(), L"Section");
        ASSERT_NE(at, lines.end());
        EXPECT_EQ(std::vector<std::wstring>(at + 1, at + 1 + c.lines.size()), c.lines) << Narrow(c.finding);
    }
}

TEST(Check, AFolderThatDoesNotExistIsReported) {
    Layout layout;
    layout.folder = L"D:\\Elsewhere";
    const check::Report report = layout.Check();
    EXPECT_EQ(report.status, 4);
    EXPECT_EQ(report.verdict, std::vector<std::wstring>{L"The folder D:\\Elsewhere does not exist."});
}

TEST(Check, ReadsItsArguments) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring folder, reportFile, error;
        bool help;
        bool noWait = false;
        bool repair = false;
        std::wstring registerFolder = L"";
        std::wstring unregisterFolder = L"";
    };
    // clang-format off
    const Case cases[] = {
        {{}, L"", L"", L"", false},
        {{L"C:\\SMS Server"}, L"C:\\SMS Server", L"", L"", false},
        {{L"/report:r.txt", L"D:\\"}, L"D:\\", L"r.txt", L"", false},
        {{L"--report=C:\\a b.txt"}, L"", L"C:\\a b.txt", L"", false},
        {{L"/?"}, L"", L"", L"", true},
        {{L"a", L"b"}, L"a", L"", L"Give one folder at most.", false},
        {{L"/report:"}, L"", L"", L"The option /report: needs a file name.", false},
        {{L"/verbose"}, L"", L"", L"Unknown option: /verbose", false},
        {{L"-v"}, L"", L"", L"Unknown option: -v", false},
        {{L"-h"}, L"", L"", L"", true},
        {{L"--help"}, L"", L"", L"", true},
        {{L""}, L"", L"", L"", false},
        {{L"/nowait", L"D:\\Sms"}, L"D:\\Sms", L"", L"", false, true},
        {{L"--nowait"}, L"", L"", L"", false, true},
        {{L"/repair"}, L"", L"", L"", false, false, true},
        {{L"--repair"}, L"", L"", L"", false, false, true},
        {{L"/x", L"D:\\Sms"}, L"", L"", L"Unknown option: /x", false},
        {{L"/register", L"C:\\T 8\\"}, L"", L"", L"", false, false, false, L"C:\\T 8\\"},
        {{L"/register", L"C:\\T 8\"", L"D:\\Sms\""}, L"D:\\Sms", L"", L"", false, false, false, L"C:\\T 8"},
        {{L"/register", L"/nowait"}, L"", L"", L"The option /register needs a runtime's folder.", false},
        {{L"/register", L""}, L"", L"", L"The option /register needs a runtime's folder.", false},
        {{L"/register"}, L"", L"", L"The option /register needs a runtime's folder.", false},
        {{L"/unregister", L"C:\\T8"}, L"", L"", L"", false, false, false, L"", L"C:\\T8"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto parsed = check::ParseArguments(c.arguments);
        EXPECT_EQ(parsed.folder, c.folder);
        EXPECT_EQ(parsed.reportFile, c.reportFile);
        EXPECT_EQ(parsed.error ? parsed.error->description : L"", c.error);
        EXPECT_EQ(parsed.help, c.help);
        EXPECT_EQ(parsed.noWait, c.noWait);
        EXPECT_EQ(parsed.repair, c.repair);
        EXPECT_EQ(parsed.registerFolder, c.registerFolder);
        EXPECT_EQ(parsed.unregisterFolder, c.unregisterFolder);
    }
    EXPECT_EQ(check::WithoutTrailingBackslash(L"C:\\SMS Server\\\\"), L"C:\\SMS Server");
    EXPECT_EQ(check::WithoutTrailingBackslash(L"D:\\"), L"D:\\");
}

struct RepairCase {
    const char* name;
    std::function<void(Layout&)> arrange;
    int status;
    std::vector<std::wstring> repairLines;  // the Repair section's findings
    std::vector<std::wstring> installed;    // support files in C:\Java\jre6 afterwards
};

// The repair copies what a start would copy, where a start would, and nothing else.
TEST(Check, RepairCopiesWhatAStartWouldAndNothingElse) {
    const std::wstring kInto = L" into C:\\Java\\jre6";
    const std::wstring kRefused =
        L"PROBLEM Nothing was copied, since only SYSTEM, the administrators and "
        L"TrustedInstaller may own or change what the repair copies: ";
    const std::wstring kUsers = L"NT AUTHORITY\\Authenticated Users ";
    const std::wstring kAboveHead =
        L"PROBLEM Nothing was copied, since only SYSTEM, the administrators and "
        L"TrustedInstaller may own, rename or replace a folder above what the repair reads "
        L"or writes: ";
    const std::wstring kTargetHead =
        L"PROBLEM Nothing was copied, since only SYSTEM, the administrators and "
        L"TrustedInstaller may own or change a runtime that every user's start runs: ";
    const std::wstring kAbove = kAboveHead + kUsers, kTarget = kTargetHead + kUsers;
    const std::vector<std::wstring> all = {L"bin\\Win32com.dll", L"lib\\ext\\Comm.jar", L"lib\\ext\\jdc.jar",
                                           L"lib\\javax.comm.properties"};
    // clang-format off
    const std::vector<std::wstring> copiedAll = {
        L"OK Copied lib\\ext\\Comm.jar" + kInto, L"OK Copied lib\\javax.comm.properties" + kInto,
        L"OK Copied bin\\Win32com.dll" + kInto, L"OK Copied lib\\ext\\jdc.jar" + kInto};
    const RepairCase cases[] = {
        {"read-only sources and a read-only leftover",
         [](Layout& w) {
             w.AddSupportSources(true);
             w.files->AddFile(kHome + L"\\lib\\ext\\~Comm.jar.tmp", "half", true);
         },
         0,
         copiedAll, all},
        {"all in place already", [](Layout& w) { w.Repair(); }, 0, {L"OK Nothing was missing"}, all},
        {"a Java 9 without lib\\ext",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("9", "C:\\Java\\jre9");
             w.files->AddFolder(L"C:\\Java\\jre9\\lib");
             w.files->AddFile(L"C:\\Java\\jre9\\bin\\java.exe", "java");
         },
         5,
         {L"PROBLEM Copying lib\\ext\\Comm.jar into C:\\Java\\jre9 failed: C:\\Java\\jre9\\lib\\ext: The system "
          L"cannot find the file specified."},
         {}},
        {"a folder this user may not write",
         [](Layout& w) {
             w.files->AddFile(kHome + L"\\lib\\ext\\Comm.jar", "old");
             w.files->MakeUnwritable(kHome + L"\\lib");
         },
         5,
         {L"PROBLEM Copying lib\\javax.comm.properties into C:\\Java\\jre6 failed: Access is denied."},
         {L"lib\\ext\\Comm.jar"}},
        {"an older runtime listed first is left alone",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("1.4.2", "C:\\Java\\jre14");
             w.AddRuntime("1.6", "C:\\Java\\jre6");
             w.AddRuntimeFolders(L"C:\\Java\\jre14");
         },
         0,
         copiedAll, all},
        {"a program folder that does not exist", [](Layout& w) { w.folder = L"D:\\Nowhere"; }, 4, {}, {}},
        {"java from the search path: no runtime folder to copy into",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddRuntime("1.6", "");
             w.files->onSearchPath[L"java"] = L"C:\\Windows\\java.exe";
         },
         5, {L"PROBLEM Nothing was copied: a start chooses no runtime folder, see below"}, {}},
        {"no Java at all", [](Layout& w) { w.registry = FakeRegistry(); }, 2,
         {L"PROBLEM Nothing was copied: a start chooses no runtime folder, see below"}, {}},
        // A copy runs as LocalSystem into everyone's Java, so its source must be owned by SYSTEM,
        // Administrators or TrustedInstaller and writable by no one else. The account that
        // copies may own it too: it could as well write the runtime itself.
        {"Users with Modify on the source folder",
         [](Layout& w) { w.files->Grant(L"C:\\sorvel\\GsmModemJar", {L"S-1-5-32-545", L"BUILTIN\\Users"}, 0x1301bf); },
         5, {kRefused + L"BUILTIN\\Users may change C:\\sorvel\\GsmModemJar"}, {}},
        {"a source file replaced by a user",
         [](Layout& w) {
             w.files->SetOwner(L"C:\\sorvel\\GsmModemJar\\Win32com.dll", {L"S-1-5-21-7-7-7-1002", L"PC\\bob"});
         },
         5, {kRefused + L"PC\\bob owns C:\\sorvel\\GsmModemJar\\Win32com.dll"}, {}},
        {"a source folder whose owner is a user, and a file no one may read the access of",
         [](Layout& w) {
             w.files->SetOwner(L"C:\\sorvel\\GsmModemJar", {L"S-1-5-21-7-7-7-1002", L"PC\\bob"});
             w.files->HideAccessOf(L"C:\\sorvel\\GsmModemJar\\jdc.jar");
         },
         5, {kRefused + L"PC\\bob owns C:\\sorvel\\GsmModemJar"}, {}},
        // The repair opens each folder and file by handle without following a reparse point
        // ("If the destination file already exists and is a symbolic link, the target of the
        // symbolic link is overwritten"), and a hard link is the same file under another name.
        {"the source folder a link", Facts(L"C:\\sorvel\\GsmModemJar", {true, 1, L"C:\\Users\\bob"}), 5,
         {L"PROBLEM Nothing was copied: C:\\sorvel\\GsmModemJar is a link, which the repair never follows; an "
          L"administrator must remove it"}, {}},
        {"a source reached through a link", Facts(kSource + L"Comm.jar", {false, 1, L"C:\\Users\\bob\\Comm.jar"}), 5,
         {L"PROBLEM Nothing was copied: C:\\sorvel\\GsmModemJar\\Comm.jar leads to C:\\Users\\bob\\Comm.jar, and "
          L"the repair never follows a link"}, {}},
        {"the last source with a second name", Facts(kSource + L"jdc.jar", {false, 2, kSource + L"JDC.JAR"}), 5,
         {L"PROBLEM Nothing was copied: C:\\sorvel\\GsmModemJar\\jdc.jar has 2 names, and the repair never copies "
          L"a file that another name may change"}, {}},
        {"lib\\ext a link: nothing lands in its target", Facts(kHome + L"\\lib\\ext", {true, 1, L"C:\\Users\\bob"}), 5,
         {L"PROBLEM Nothing was copied: C:\\Java\\jre6\\lib\\ext is a link, which the repair never follows; an "
          L"administrator must remove it"}, {}},
        // Modify, which the root of the drive passes on to what users make, holds DELETE: whoever
        // may rename C:\sorvel may put a folder of their own in its place.
        {"C:\\sorvel that users may rename", Grant(L"C:\\sorvel", 0x10000), 5,
         {kRefused + L"NT AUTHORITY\\Authenticated Users may change C:\\sorvel"}, {}},
        {"a source that users may write", Grant(kSource + L"jdc.jar", 0x2), 5,
         {kRefused + L"NT AUTHORITY\\Authenticated Users may change C:\\sorvel\\GsmModemJar\\jdc.jar"}, {}},
        {"a source folder whose list users may write", Grant(L"C:\\sorvel\\GsmModemJar", 0x40000), 5,
         {kRefused + L"NT AUTHORITY\\Authenticated Users may change C:\\sorvel\\GsmModemJar"}, {}},
        {"a source with no access list", [](Layout& w) { w.files->DropAccessList(kSource + L"Win32com.dll"); }, 5,
         {kRefused + L"everyone may change C:\\sorvel\\GsmModemJar\\Win32com.dll, which has no access list"}, {}},
        {"a runtime that users may change", Grant(kHome + L"\\lib", 0x1301bf), 5,
         {L"PROBLEM Nothing was copied, since only SYSTEM, the administrators and TrustedInstaller may own or "
          L"change a runtime that every user's start runs: NT AUTHORITY\\Authenticated Users may change "
          L"C:\\Java\\jre6\\lib"}, {}},
        {"a missing source: the system's words, and no access asked of it",
         [](Layout& w) { w.files->RemoveFolder(kSource + L"Comm.jar"); }, 5,
         {L"PROBLEM Copying lib\\ext\\Comm.jar into C:\\Java\\jre6 failed: The system cannot find the file "
          L"specified."}, {}},
        // Every folder above what is read or written, the drive's root too, is held and must not
        // be renamed or replaced by others (DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL,
        // GENERIC_WRITE), nor removed through FILE_DELETE_CHILD on its parent; adding beside it,
        // as every user may in C:\, is no change of it.
        {"C:\\Java above the runtime, which users may rename", Grant(L"C:\\Java", 0x10000), 5, {kAbove + L"may rename or replace C:\\Java"}, {}},
        {"C:\\Java owned by a user", [](Layout& w) { w.files->SetOwner(L"C:\\Java", {L"S-1-5-21-7-7-7-1002", L"PC\\bob"}); }, 5,
         {kAboveHead + L"PC\\bob owns C:\\Java"}, {}},
        {"users may add folders to C:\\ and files to C:\\Java", [](Layout& w) { Grant(L"C:\\", 0x4)(w); Grant(L"C:\\Java", 0x2)(w); }, 0, copiedAll, all},
        {"users may remove what C:\\Java holds", Grant(L"C:\\Java", 0x40), 5,
         {kTarget + L"may remove or rename C:\\Java\\jre6 in C:\\Java"}, {}},
        {"the runtime's own folder that users may write", Grant(kHome, 0x2), 5, {kTarget + L"may change C:\\Java\\jre6"}, {}},
        {"an access entry of an unknown kind", [](Layout& w) { w.files->Grant(kHome + L"\\bin", {L"S-1-5-11", L"NT AUTHORITY\\Authenticated Users"}, 0, platform::EntryKind::Unknown); }, 5,
         {kTarget + L"may change C:\\Java\\jre6\\bin"}, {}},
        {"an entry that denies users everything", [](Layout& w) { w.files->Grant(kHome + L"\\lib", {L"S-1-5-11", L"NT AUTHORITY\\Authenticated Users"}, 0x1f01ff, platform::EntryKind::Denies); }, 0, copiedAll, all},
        // A name that cannot be opened is no name that is missing.
        {"lib\\ext that cannot be opened", [](Layout& w) { w.files->DenyOpen(kHome + L"\\lib\\ext"); }, 5,
         {L"PROBLEM Nothing was copied: C:\\Java\\jre6\\lib\\ext cannot be held open: Access is denied."}, {}},
        {"JavaHome with a trailing backslash", [](Layout& w) { w.registry = FakeRegistry(); w.AddRuntime("1.6", "C:\\Java\\jre6\\"); }, 0,
         {L"OK Copied lib\\ext\\Comm.jar into C:\\Java\\jre6\\", L"OK Copied lib\\javax.comm.properties into C:\\Java\\jre6\\",
          L"OK Copied bin\\Win32com.dll into C:\\Java\\jre6\\", L"OK Copied lib\\ext\\jdc.jar into C:\\Java\\jre6\\"}, all},
        {"a source put there after the repair held the others: never copied unchecked",
         [](Layout& w) { w.files->AppearAfterLooks(kSource + L"Comm.jar", 2); }, 5,
         {L"PROBLEM Copying lib\\ext\\Comm.jar into C:\\Java\\jre6 failed: C:\\sorvel\\GsmModemJar\\Comm.jar came "
          L"after the repair had checked the source folder"}, {}},
        {"sources owned and changeable by TrustedInstaller", [](Layout& w) {
             const FakeFileSystem::Account installer{L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", L"TrustedInstaller"};
             w.files->SetOwner(kSource + L"Comm.jar", installer);
             w.files->Grant(kSource + L"Comm.jar", installer, 0x1f01ff);
         }, 0, copiedAll, all},
        {"a source file the copying account owns, readable by Everyone",
         [](Layout& w) {
             w.files->SetOwner(L"C:\\sorvel\\GsmModemJar\\jdc.jar", {L"S-1-5-21-7-7-7-1001", L"PC\\admin"});
             w.files->Grant(L"C:\\sorvel\\GsmModemJar\\jdc.jar", {L"S-1-5-21-7-7-7-1001", L"PC\\admin"}, 0x1f01ff);
             w.files->Grant(L"C:\\sorvel\\GsmModemJar\\jdc.jar", {L"S-1-1-0", L"Everyone"}, 0x1200a9);
         },
         0,
         copiedAll, all},
    };
    // clang-format on
    for (const auto& c : cases) {
        Layout layout;
        c.arrange(layout);
        layout.files->AddFile(L"C:\\Java\\jre14\\lib\\marker", "untouched");
        const auto before = layout.files->Files();
        const check::Report report = layout.Repair();
        EXPECT_EQ(report.status, c.status) << c.name;
        if (c.repairLines.empty()) {
            EXPECT_TRUE(report.sections.empty()) << c.name;
            continue;
        }
        ASSERT_FALSE(report.sections.empty()) << c.name;
        EXPECT_EQ(report.sections[0].title, L"Repair") << c.name;
        check::Report repairOnly;
        repairOnly.sections = {report.sections[0]};
        EXPECT_EQ(Findings(repairOnly), c.repairLines) << c.name;
        std::vector<std::wstring> installed;
        for (const auto& [key, file] : layout.files->Files()) {
            if (key.rfind(L"c:\\java\\jre14", 0) == 0) {
                EXPECT_TRUE(before.count(key) && before.at(key) == file) << c.name << ": wrote to jre14";
            }
            if (key.rfind(L"c:\\java\\jre6\\", 0) != 0 || key.find(L"java.exe") != std::wstring::npos ||
                key.find(L"~") != std::wstring::npos) {
                continue;
            }
            installed.push_back(file.name.substr(13));
        }
        std::sort(installed.begin(), installed.end());
        EXPECT_EQ(installed, c.installed) << c.name;
        EXPECT_FALSE(layout.files->FolderExists(L"C:\\Java\\jre9\\lib\\ext")) << c.name;
        EXPECT_TRUE(layout.files->FilesIn(L"C:\\Java\\jre9\\lib").empty()) << c.name;
        EXPECT_NE(check::ReportText(report).find(L"The repair changed nothing but the files it"), std::wstring::npos)
            << c.name;
    }
    // Each right of the two rules, alone, to users: on a source file any change counts; on the
    // folder above the runtime only renaming or replacing it. GENERIC_READ is neither.
    // clang-format off
    const std::tuple<std::wstring, std::uint32_t, int> eachRight[] = {
        {kSource + L"jdc.jar", 0x4, 5}, {kSource + L"jdc.jar", 0x40, 5}, {kSource + L"jdc.jar", 0x100, 5},
        {kSource + L"jdc.jar", 0x80000, 5}, {kSource + L"jdc.jar", 0x10000000, 5},
        {kSource + L"jdc.jar", 0x40000000, 5}, {kSource + L"jdc.jar", 0x80000000, 0},
        {L"C:\\Java", 0x40000, 5}, {L"C:\\Java", 0x80000, 5}, {L"C:\\Java", 0x10000000, 5},
        {L"C:\\Java", 0x40000000, 5}, {L"C:\\Java", 0x100, 0}, {L"C:\\", 0x10000, 5}};
    // clang-format on
    for (const auto& [path, rights, status] : eachRight) {
        Layout layout;
        Grant(path, rights)(layout);
        EXPECT_EQ(layout.Repair().status, status) << std::hex << rights << " on " << path.size();
    }
}

struct RegisterCase {
    const char* name;
    std::function<void(Layout&)> arrange;
    std::wstring folder;  // as given to /register
    int status;
    std::vector<std::wstring> lines;
};

// /register writes only a usable 32-bit Java, only once, and /unregister takes back only that.
TEST(Check, RegistersAUsableRuntimeOnceAndTakesBackOnlyThat) {
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
    const std::wstring refused =
        L"Not registered: writing " + key + L"1.8.0_402 was refused (Access is denied.): run it as administrator.";
    const auto java = [](const wchar_t* home, unsigned machine, const char* version) {
        return [=](Layout& w) { w.AddJavaAt(home, machine, version); };
    };
    // clang-format off
    const RegisterCase cases[] = {
        {"a Temurin 8, after the 1.6 listed first", java(L"C:\\T8", 0x14C, "1.8.0_402"), L"C:\\T8\\", 0,
         {L"Registered C:\\T8 as " + key + L"1.8.0_402.", L"A start chooses \"1.6\", which the registry lists before it."}},
        {"the only one, with no update in its version, and no key of runtimes before",
         [](Layout& w) {
             w.registry = FakeRegistry();
             w.AddJavaAt(L"C:\\Z8", 0x14C, "1.8.0");
         },
         L"C:\\Z8", 0, {L"Registered C:\\Z8 as " + key + L"1.8.", L"A start now chooses it."}},
        {"no java.exe", [](Layout&) {}, L"C:\\Nothing", 6, {L"Not registered: C:\\Nothing holds no bin\\java.exe."}},
        {"a 64-bit Java", java(L"C:\\T64", 0x8664, "1.8.0_402"), L"C:\\T64", 7,
         {L"Not registered: C:\\T64\\bin\\java.exe is a 64-bit program, and a 64-bit Java cannot load the 32-bit "
          L"serial library Win32com.dll."}},
        {"a java.exe that is no Windows program",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\Sh", 0x14C, "1.8.0_402");
             w.files->AddFile(L"C:\\Sh\\bin\\java.exe", "#!/bin/sh");
         },
         L"C:\\Sh", 7, {L"Not registered: C:\\Sh\\bin\\java.exe is not a 32-bit Windows program."}},
        {"a Java 9 with lib but no lib\\ext",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\J9", 0x14C, "9.0.4");
             w.files->AddFolder(L"C:\\J9\\lib");
         },
         L"C:\\J9", 8,
         {L"Not registered: C:\\J9 has no lib\\ext: Java 9 and later no longer load lib\\ext, where the "
          L"serial-port files go."}},
        {"no release file: java.exe's file version tells",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\F8", 0x14C, "1.8.0_402");
             w.files->RemoveFolder(L"C:\\F8\\release");
             w.files->SetFileVersion(L"C:\\F8\\bin\\java.exe", L"8.0.4020.6");
         },
         L"C:\\F8", 0,
         {L"Registered C:\\F8 as " + key + L"1.8.", L"A start chooses \"1.6\", which the registry lists before it."}},
        {"a Java 17", java(L"C:\\T17", 0x14C, "17.0.10"), L"C:\\T17", 8,
         {L"Not registered: C:\\T17 has no lib\\ext: Java 9 and later no longer load lib\\ext, where the "
          L"serial-port files go."}},
        {"a Java 1.4", java(L"C:\\J14", 0x14C, "1.4.2_19"), L"C:\\J14", 9,
         {L"Not registered: C:\\J14 holds Java 1.4.2_19, below 1.5."}},
        {"a key that names another folder",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
             w.AddRuntime("1.8.0_402", "C:\\Other");
         },
         L"C:\\T8", 10, {L"Not registered: " + key + L"1.8.0_402 already names C:\\Other."}},
        {"a folder that users may change", [](Layout& w) {
             w.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
             w.files->Grant(L"C:\\T8\\bin\\java.exe", {L"S-1-1-0", L"Everyone"}, 0x6);
         },
         L"C:\\T8", 12,
         {L"Not registered, since only SYSTEM, the administrators and TrustedInstaller may own or change a runtime "
          L"that every user's start runs: Everyone may change C:\\T8\\bin\\java.exe. Install that Java under "
          L"Program Files, or let only the administrators change its folder and every folder above it."}},
        {"a folder above it that users may rename", [](Layout& w) {
             w.AddJavaAt(L"C:\\Apps\\T8", 0x14C, "1.8.0_402");
             w.files->Grant(L"C:\\Apps", {L"S-1-1-0", L"Everyone"}, 0x1301ff);
         },
         L"C:\\Apps\\T8", 12,
         {L"Not registered, since only SYSTEM, the administrators and TrustedInstaller may own, rename or replace a "
          L"folder above what the repair reads or writes: Everyone may rename or replace C:\\Apps. Install that Java "
          L"under Program Files, or let only the administrators change its folder and every folder above it."}},
        {"a folder named java.exe", [](Layout& w) { w.files->AddFolder(L"C:\\D8\\bin\\java.exe"); }, L"C:\\D8", 6,
         {L"Not registered: C:\\D8 holds no bin\\java.exe."}},
        {"not an administrator",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
             w.registry.refuseWrites = true;
         },
         L"C:\\T8", 11, {refused}},
        {"the mark written, JavaHome refused",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
             w.faults = {"registry write", 2, {}};
         },
         L"C:\\T8", 11, {refused}},
        {"a write that fails otherwise",
         [](Layout& w) {
             w.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
             w.faults = {"registry write fails", 1, {}};
         },
         L"C:\\T8", 4,
         {L"Not registered: writing " + key + L"1.8.0_402 failed: Insufficient system resources exist to "
          L"complete the requested service."}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Layout layout(true);
        c.arrange(layout);
        const check::CheckPlatform platform{layout.registry, &layout.registry64, *layout.files, *layout.files};
        // Whether the key of all runtimes is there, and the runtimes below it.
        const auto keys = [&] {
            const std::wstring all = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
            return std::pair{MRegistry::RegistryKeyExists(layout.registry, platform::kHKeyLocalMachine, all),
                             MRegistry::ListRegistrySubkeys(layout.registry, platform::kHKeyLocalMachine, all).Names()};
        };
        const auto before = keys();
        const check::Registration done = check::RegisterRuntime(platform, layout.registry, c.folder);
        EXPECT_EQ(done.status, c.status) << c.name;
        EXPECT_EQ(done.lines, c.lines) << c.name;
        if (c.status != 0) {
            EXPECT_EQ(keys(), before) << c.name << ": a refusal left a key";
            continue;
        }
        const auto registered = keys();
        std::wstring otherCase = c.folder;
        for (auto& letter : otherCase) letter = std::towlower(letter);
        EXPECT_EQ(check::RegisterRuntime(platform, layout.registry, otherCase).status, 0) << c.name;
        EXPECT_EQ(keys(), registered) << c.name << ": the second run changed the keys";
        const check::Registration undone = check::UnregisterRuntime(platform, layout.registry, c.folder);
        EXPECT_TRUE(undone.lines.front().starts_with(L"Removed " + key)) << c.name;
        EXPECT_EQ(keys(), before) << c.name;
    }
    // /unregister takes back marked keys only, and the key of all runtimes only when /register
    // made it and nothing is left below it.
    const auto marked = [](const char* parent, std::vector<std::string> others) {
        return [=](Layout& w) {
            w.registry = FakeRegistry();
            for (const auto& name : others) w.AddRuntime(name, "C:\\Other");
            w.AddRuntime("1.8.0_402", "C:\\T8\\");
            w.registry.SetText(kRuntimesKey + "\\1.8.0_402", "RegisteredBy", "SmsServerCheck.exe /register");
            if (*parent) w.registry.SetText(kRuntimesKey, "RegisteredBy", parent);
        };
    };
    // clang-format off
    const RegisterCase undone[] = {
        {"nothing registered", [](Layout&) {}, L"C:\\Java\\jre6", 0,
         {L"No key that /register made names C:\\Java\\jre6: nothing was changed."}},
        {"another letter case, the key of all runtimes not made by /register", marked("", {}), L"c:\\t8", 0,
         {L"Removed " + key + L"1.8.0_402."}},
        {"the key of all runtimes made by /register, another runtime below", marked("SmsServerCheck.exe /register", {"1.6"}),
         L"C:\\T8", 0, {L"Removed " + key + L"1.8.0_402."}},
        {"a key it may not remove",
         [&](Layout& w) {
             marked("", {})(w);
             w.registry.refuseWrites = true;
         },
         L"C:\\T8", 11,
         {L"Not unregistered: removing " + key + L"1.8.0_402 was refused (Access is denied.): run it as administrator."}},
    };
    // clang-format on
    for (const auto& c : undone) {
        Layout layout(true);
        c.arrange(layout);
        const check::CheckPlatform platform{layout.registry, &layout.registry64, *layout.files, *layout.files};
        const check::Registration done = check::UnregisterRuntime(platform, layout.registry, c.folder);
        EXPECT_EQ(done.status, c.status) << c.name;
        EXPECT_EQ(done.lines, c.lines) << c.name;
    }
}

struct PackageCase {
    const char* name;
    std::function<void(Layout&)> arrange;
    bool installs;
    std::vector<std::wstring> log;
};

// The package's step holds its own folder and the support folder under the same rule as the
// repair, and writes only into a support folder that it locked or made.
TEST(Check, ThePackageStepFillsOnlyALockedSupportFolderFromAnInstalledFolderNoOneElseMayChange) {
    const std::wstring installed = L"C:\\Program Files\\SMS Server", made = L"SMS Server repair: C:\\sorvel",
                       support = L"C:\\sorvel\\GsmModemJar",
                       kPut = L"SMS Server repair: the package's support files are in " + support;
    const std::wstring kMade = L" was made and locked: only SYSTEM and Administrators may change it";
    const std::wstring kNot =
        L"SMS Server install: not installed, since only SYSTEM, the administrators and TrustedInstaller ";
    const std::wstring kHere = L" Install SMS Server under Program Files, which only the administrators may change.";
    // clang-format off
    const PackageCase cases[] = {
        {"nothing there yet", [](Layout&) {}, true, {made + kMade, made + L"\\GsmModemJar" + kMade, kPut}},
        {"a support folder others may change is set aside",
         [&](Layout& w) { w.AddSupportSources(); w.files->Grant(support, {L"S-1-1-0", L"Everyone"}, 0x2); },
         true,
         {made + L" is locked: only SYSTEM and Administrators may change it",
          L"SMS Server repair: others could change " + support + L", so it was renamed to " + support +
              L" (set aside: others could change it)",
          made + L"\\GsmModemJar" + kMade, kPut}},
        {"a link at the support folder",
         [&](Layout& w) { w.files->AddFolder(support); w.files->SetHeldFacts(support, {true, 1, support, true}); }, true,
         {made + L" is locked: only SYSTEM and Administrators may change it",
          L"SMS Server repair: " + support + L" is a link, which the package never follows: nothing was put there. "
          L"An administrator must remove it, then repair SMS Server."}},
        {"the check that others may change",
         [&](Layout& w) { w.files->Grant(installed + L"\\SmsServerCheck.exe", {L"S-1-1-0", L"Everyone"}, 0x100); }, false,
         {kNot + L"may own or change the folder whose files the package's step uses as LocalSystem: Everyone may change " +
          installed + L"\\SmsServerCheck.exe." + kHere}},
        {"a support file that others may change",
         [&](Layout& w) { w.files->Grant(installed + L"\\GsmModemJar\\jdc.jar", {L"S-1-1-0", L"Everyone"}, 0x40000); }, false,
         {kNot + L"may own or change the folder whose files the package's step uses as LocalSystem: Everyone may change " +
          installed + L"\\GsmModemJar\\jdc.jar." + kHere}},
        {"a folder above that others may rename",
         [&](Layout& w) { w.files->Grant(L"C:\\Program Files", {L"S-1-1-0", L"Everyone"}, 0x10000); }, false,
         {kNot + L"may own, rename or replace a folder above what the repair reads or writes: Everyone may rename or "
                 L"replace C:\\Program Files." + kHere}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Layout layout(true);
        layout.files->AddFile(installed + L"\\SmsServerCheck.exe", "check");
        for (const auto& name : kAllFour)
            layout.files->AddFile(installed + L"\\GsmModemJar\\" + name, "the package's " + Narrow(name));
        c.arrange(layout);
        const auto before = layout.files->Files();
        check::StepLog log;
        const check::CheckPlatform platform{layout.registry, nullptr, *layout.files, *layout.files};
        EXPECT_EQ(check::PlaceSupportFiles(platform, *layout.files, installed, true, log), c.installs) << c.name;
        EXPECT_EQ(log, c.log) << c.name;
        const bool filled = !c.log.empty() && c.log.back() == kPut;
        EXPECT_EQ(layout.files->ReadFileStart(support + L"\\jdc.jar", 99), filled ? "the package's jdc.jar" : "")
            << c.name;
        if (!filled) {
            EXPECT_EQ(layout.files->Files().size(), before.size()) << c.name;
        }
    }
}

// What the package's task runs, as whom and when: Wine keeps none of it (its name alone).
TEST(Check, TheBootTaskRepairsAsLocalSystemAtEachStartOfWindowsWithoutWaiting) {
    const std::wstring task = check::BootTaskDefinition(L"C:\\R&D <x>\\SMS Server\\");
    for (const wchar_t* part :
         {L"<Triggers><BootTrigger><Enabled>true</Enabled></BootTrigger></Triggers>", L"<UserId>S-1-5-18</UserId>",
          L"<Actions Context=\"System\">", L"<Command>C:\\R&amp;D &lt;x&gt;\\SMS Server\\SmsServerCheck.exe</Command>",
          L"<Arguments>/repair /nowait</Arguments>",
          L"<WorkingDirectory>C:\\R&amp;D &lt;x&gt;\\SMS Server</WorkingDirectory>",
          L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"}) {
        EXPECT_NE(task.find(part), std::wstring::npos) << Narrow(part);
    }
    EXPECT_EQ(std::wstring(check::kBootTaskName), L"SMS Server repair");
}

// A rollback takes back only the keys the install made, and what the package had registered
// before comes back; an upgrade to another JAVAHOME takes the old registration back.
TEST(Check, ThePackageStepsRollbackTakesBackOnlyWhatTheInstallMade) {
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment";
    const auto keys = [](Layout& w) {
        return std::pair{MRegistry::RegistryKeyExists(w.registry, platform::kHKeyLocalMachine, L"SOFTWARE\\JavaSoft"),
                         MRegistry::ListRegistrySubkeys(w.registry, platform::kHKeyLocalMachine,
                                                        L"SOFTWARE\\JavaSoft\\Java Runtime Environment")
                             .Names()};
    };
    for (const bool javaSoftBefore : {false, true}) {
        Layout layout(true);
        layout.registry = FakeRegistry();
        layout.AddJavaAt(L"C:\\T8", 0x14C, "1.8.0_402");
        layout.AddJavaAt(L"C:\\Z8", 0x14C, "1.8.0");
        const check::CheckPlatform platform{layout.registry, nullptr, *layout.files, *layout.files};
        if (javaSoftBefore) (void)check::RegisterRuntime(platform, layout.registry, L"C:\\Z8");  // by hand, or before
        const auto before = keys(layout);
        const check::RegistrationRecord record = check::DecodeRecord(
            check::EncodeRecord(check::RecordRegistration(layout.registry, javaSoftBefore ? L"C:\\Z8" : L"")));
        check::StepLog log;
        EXPECT_EQ(check::RepairForPackage(platform, layout.registry, L"D:\\Sms", L"C:\\T8\\", record.registered, log),
                  L"C:\\T8");
        EXPECT_EQ(keys(layout).second, std::vector<std::wstring>{L"1.8.0_402"}) << javaSoftBefore;
        log.clear();
        check::RollBackRegistration(platform, layout.registry, record, log);
        EXPECT_EQ(keys(layout), before) << javaSoftBefore;
        const std::wstring rolled = L"SMS Server rollback: ";
        EXPECT_EQ(log, (javaSoftBefore ? std::vector<std::wstring>{rolled + L"removed " + key + L"\\1.8.0_402",
                                                                   rolled + L"Registered C:\\Z8 as " + key + L"\\1.8.",
                                                                   rolled + L"A start now chooses it."}
                                       : std::vector<std::wstring>{
                                             rolled + L"removed " + key + L"\\1.8.0_402", rolled + L"removed " + key,
                                             rolled + L"removed HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft"}));
    }
}

// A long report reaches the console in pieces a Windows 7 console takes, whole.
TEST(Check, WritesTheConsoleInPieces) {
    struct Case {
        const char* name;
        std::wstring text;
        std::size_t takesAtMost;  // what one console write takes
        std::size_t failsAtCall;  // 0: never
        std::vector<std::size_t> pieces;
        bool whole;
    };
    std::wstring pairAtTheEdge(8191, L'a');
    pairAtTheEdge += std::wstring{0xD83D, 0xDCF1, L'b'};  // a surrogate pair across 8192
    // clang-format off
    const Case cases[] = {
        {"empty", L"", 8192, 0, {}, true},
        {"one piece", std::wstring(8192, L'x'), 8192, 0, {8192}, true},
        {"a report of a thousand runtimes", std::wstring(70000, L'x'), 8192, 0,
         {8192, 8192, 8192, 8192, 8192, 8192, 8192, 8192, 4464}, true},
        {"a pair stays whole", pairAtTheEdge, 8192, 0, {8191, 3}, true},
        {"partial writes go on", std::wstring(9000, L'x'), 3000, 0, {8192, 6000, 3000}, true},
        {"a failed write stops", std::wstring(20000, L'x'), 8192, 2, {8192, 8192}, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<std::size_t> pieces;
        std::wstring received;
        const bool whole = base::WriteInPieces(c.text, 8192, [&](std::wstring_view piece) -> std::size_t {
            pieces.push_back(piece.size());
            if (pieces.size() == c.failsAtCall) return 0;
            const std::size_t taken = std::min(piece.size(), c.takesAtMost);
            received.append(piece.substr(0, taken));
            return taken;
        });
        EXPECT_EQ(pieces, c.pieces) << c.name;
        EXPECT_EQ(whole, c.whole) << c.name;
        if (c.whole) {
            EXPECT_EQ(received, c.text) << c.name;
        }
    }
}

// It waits for Enter only where a user can see its window and answer.
TEST(Check, WaitsForEnterOnlyWhereAUserCanAnswer) {
    struct Case {
        const char* start;
        platform::ConsoleFacts console;
        bool noWait;
        bool waits;
    };
    const platform::ConsoleFacts doubleClicked{true, true, true, false, true};
    // clang-format off
    const Case cases[] = {
        {"double-clicked in Explorer", doubleClicked, false, true},
        // Windows 11's terminal hides its pseudo-console window, which still exists.
        {"double-clicked, Windows Terminal", doubleClicked, false, true},
        {"double-clicked, /nowait", doubleClicked, true, false},
        {"from cmd, sharing its console", {true, false, true, false, true}, false, false},
        {"output redirected", {false, true, true, false, true}, false, false},
        {"CREATE_NO_WINDOW", {true, true, false, false, true}, false, false},
        {"Start-Process -WindowStyle Hidden", {true, true, true, true, true}, false, false},
        {"a service or an installer as LocalSystem", {true, true, true, false, false}, false, false},
        {"a scheduled task, user not logged on", {true, true, false, false, false}, false, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        check::Arguments arguments;
        arguments.noWait = c.noWait;
        // An installer's repair sits alone on a console of its own, and must never wait.
        arguments.repair = true;
        EXPECT_FALSE(check::WaitsForEnter(c.console, arguments)) << c.start << ", /repair";
        arguments.repair = false;
        EXPECT_EQ(check::WaitsForEnter(c.console, arguments), c.waits) << c.start;
    }
}

}  // namespace
