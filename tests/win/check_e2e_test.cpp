// The real SmsServerCheck.exe under Wine: its report and status on real layouts, that it
// changes nothing, and that SmsServer.exe then does what the check said it would.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kProgram = L"C:\\e2e\\Sms";
const std::wstring kRecord = L"C:\\e2e\\record.txt";
const std::wstring kOnPath = L"C:\\e2e\\onpath";

// Every file below a folder with its attributes, size, date and content, one per line.
void AppendSnapshot(const std::wstring& folder, std::string& out) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        out += Utf8(path) + " " + std::to_string(found.dwFileAttributes) + " " + std::to_string(found.nFileSizeLow) +
               " " + std::to_string(found.ftLastWriteTime.dwLowDateTime) + "\n";
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(path);
        } else {
            out += ReadBytes(path) + "\n";
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const auto& below : folders) AppendSnapshot(below, out);
}

// What a start reads or writes: the runtimes' keys, the runtimes, the support files and the
// program's folder.
std::string Everything() {
    const std::wstring exported = L"C:\\e2e\\javasoft.reg";
    RunAndWait(L"C:\\windows\\syswow64\\reg.exe export HKLM\\SOFTWARE\\JavaSoft " + exported + L" /y");
    std::string out = ReadBytes(exported);
    DeleteFileW(exported.c_str());
    for (const wchar_t* folder : {L"C:\\Java", L"C:\\sorvel", L"C:\\e2e\\Sms"}) AppendSnapshot(folder, out);
    return out;
}

// Lines joined into one text, as a reader takes them in.
std::string Collapsed(const std::string& text) {
    std::string joined;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') c = ' ';
        if (c == ' ' && (joined.empty() || joined.back() == ' ')) continue;
        joined += c;
    }
    return joined;
}

// The verdict's lines joined into one text.
std::string Verdict(const std::string& report) {
    const auto at = report.find("\r\nVerdict\r\n");
    return at == std::string::npos ? std::string() : Collapsed(report.substr(at + 11));
}

class CheckThenStart : public ::testing::Test {
protected:
    void SetUp() override {
        InstallLauncher(kProgram);
        CopyFileW(CheckExe().c_str(), (kProgram + L"\\SmsServerCheck.exe").c_str(), FALSE);
        MakeFolders(kOnPath);
    }

    std::map<std::wstring, std::wstring> Environment() {
        return {{L"SMS_RECORD", kRecord}, {L"PATH", kOnPath + L";C:\\windows\\system32;C:\\windows"}};
    }

    // Runs the check with arguments; the files and keys a start uses stay as they were.
    Captured Check(const std::wstring& arguments = L"") {
        const std::string before = Everything();
        Captured checked = RunCapturingOutput(L"\"" + kProgram + L"\\SmsServerCheck.exe\" " + arguments, Environment());
        EXPECT_EQ(Everything(), before) << "the check changed something";
        return checked;
    }

    LaunchReport Start() {
        LaunchOptions options;
        options.program = kProgram + L"\\SmsServer.exe";
        options.workingFolder = L"C:\\e2e";
        options.environment = Environment();
        const LaunchReport report = RunLauncher(options);
        EXPECT_FALSE(report.timedOut);
        return report;
    }

    // The file the start ran as its Java launcher.
    std::string StartedJava() {
        const auto records = ReadRecords(kRecord);
        return records.size() == 1 ? First(records[0], "module")
                                   : "(started " + std::to_string(records.size()) + " times)";
    }

    void ExpectShown(const Captured& checked, const std::vector<std::string>& lines) {
        for (const auto& line : lines) {
            EXPECT_NE(checked.output.find("\r\n" + line + "\r\n"), std::string::npos)
                << "no line \"" << line << "\" in\n"
                << checked.output;
        }
    }
};

TEST_F(CheckThenStart, NoRuntime) {
    InstallSupportSources();
    const Captured checked = Check();
    EXPECT_EQ(checked.exitCode, 2u);
    ExpectShown(checked, {"  PROBLEM  HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment is",
                          "  NOTE     No other Java is registered"});
    EXPECT_EQ(Start().exitCode, 2u);

    // A 64-bit Java, registered where only 64-bit programs look: a hint, and still no start.
    ImportRegistry(L"runtime_64bit_view.reg", true);
    const Captured hinted = Check();
    EXPECT_EQ(hinted.exitCode, 2u);
    ExpectShown(hinted, {"  HINT     Java Runtime Environment \"1.8.0_202\" (64-bit view) at"});
    EXPECT_EQ(Start().exitCode, 2u);
}

TEST_F(CheckThenStart, TheFirstSuitableRuntimeOfSeveral) {
    InstallRuntimesInOrder();
    const Captured checked = Check();
    EXPECT_EQ(checked.exitCode, 14u);
    ExpectShown(checked, {"  NOTE     \"1.4.2_08\": version 1.4, below 1.5: passed",
                          "  OK       \"1.5\": version 1.5: chosen, the first of 1.5 or higher",
                          "  OK       C:\\Java\\jre15\\bin\\java.exe"});
    EXPECT_EQ(Verdict(checked.output),
              "A start would copy Comm.jar, javax.comm.properties, Win32com.dll and jdc.jar into "
              "C:\\Java\\jre15, then start C:\\Java\\jre15\\bin\\java.exe. "
              "Not ready: the support files are not all in place. A start by an account that may write to the runtime "
              "copies them; /repair as administrator does now, and the package's task at the next start of Windows. ");
    const LaunchReport started = Start();
    EXPECT_TRUE(started.boxes.empty());
    EXPECT_EQ(StartedJava(), "C:\\Java\\jre15\\bin\\java.exe");
}

TEST_F(CheckThenStart, AMissingSupportFileAndAMissingJar) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallSupportSources();
    DeleteFileW(L"C:\\sorvel\\GsmModemJar\\Win32com.dll");
    DeleteFileW((kProgram + L"\\PelmoraHuaweiEC325\\lib\\jxl.jar").c_str());
    const Captured checked = Check();
    EXPECT_EQ(checked.exitCode, 14u);
    ExpectShown(checked, {"  MISSING  PelmoraHuaweiEC325\\lib\\jxl.jar",
                          "  MISSING  lib\\ext\\jdc.jar: not tried after that failure"});
    EXPECT_EQ(Verdict(checked.output),
              "A start would copy Comm.jar and javax.comm.properties into C:\\Java\\jre6, then fail "
              "to copy Win32com.dll (\"Error While Copying JAR File\"), then start "
              "C:\\Java\\jre6\\bin\\java.exe. "
              "Not ready: the support files are not all in place. A start by an account that may write to the runtime "
              "copies them; /repair as administrator does now, and the package's task at the next start of Windows. "
              "The application would then fail: 1 of its 10 class-path entries are missing or wrong. ");
    const LaunchReport started = Start();
    ASSERT_EQ(started.boxes.size(), 2u);
    EXPECT_EQ(started.boxes[1].text, L"Error While Copying JAR File");
    EXPECT_EQ(StartedJava(), "C:\\Java\\jre6\\bin\\java.exe");
    EXPECT_EQ(ReadBytes(L"C:\\Java\\jre6\\lib\\javax.comm.properties"), SupportSourceContent(L"javax.comm.properties"));
}

TEST_F(CheckThenStart, JavaFromTheSearchPathAfterAFailedSearch) {
    ImportRegistry(L"runtime_name_not_a_number.reg");
    CopyFileW(RecorderExe().c_str(), (kOnPath + L"\\java.exe").c_str(), FALSE);
    const Captured checked = Check();
    EXPECT_EQ(checked.exitCode, 0u);
    EXPECT_EQ(Verdict(checked.output),
              "A start would show \"Type mismatch\" and \"Error While Searching JVM on Your Machine\", "
              "then start C:\\e2e\\onpath\\java.exe. ");
    const LaunchReport started = Start();
    EXPECT_EQ(started.boxes.size(), 2u);
    EXPECT_EQ(StartedJava(), "C:\\e2e\\onpath\\java.exe");
}

TEST_F(CheckThenStart, ARepairCopiesWhatAStartWouldThenAStartCopiesNothing) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallSupportSources();
    const std::wstring repair = L"\"" + kProgram + L"\\SmsServerCheck.exe\" /repair";
    // The source folder, then lib\ext, each made a link to where it was. Wine opens a link's
    // target even when asked not to, so the handle's final path gives it away. Refused, and
    // nothing lands where the link leads.
    for (const wchar_t* link : {L"C:\\sorvel\\GsmModemJar", L"C:\\Java\\jre6\\lib\\ext"}) {
        const std::string path = UnixPathOf(link);
        Shell("mv '" + path + "' '" + path + ".real' && ln -s '" + path + ".real' '" + path + "'");
        const Captured linked = RunCapturingOutput(repair, Environment());
        EXPECT_EQ(linked.exitCode, 5u) << linked.output;
        EXPECT_NE(Collapsed(linked.output)
                      .find("Nothing was copied: " + Utf8(link) + " leads to " + Utf8(link) +
                            ".real, and the repair never follows a link"),
                  std::string::npos)
            << linked.output;
        Shell("rm '" + path + "' && mv '" + path + ".real' '" + path + "'");
    }
    EXPECT_EQ(GetFileAttributesW(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar"), INVALID_FILE_ATTRIBUTES);
    // A source that anyone may write, read through Wine's access lists: refused, nothing copied.
    const std::string source = UnixPathOf(L"C:\\sorvel\\GsmModemJar\\jdc.jar");
    Shell("chmod o+w '" + source + "'");
    const Captured refused = RunCapturingOutput(repair, Environment());
    EXPECT_EQ(refused.exitCode, 5u) << refused.output;
    ExpectShown(refused, {"           may change C:\\sorvel\\GsmModemJar\\jdc.jar"});
    EXPECT_EQ(GetFileAttributesW(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar"), INVALID_FILE_ATTRIBUTES);
    Shell("chmod o-w '" + source + "'");
    // C:\Java above the runtime, which anyone may rename and put a folder of their own in place
    // of: refused, by the repair and by /register alike.
    Shell("chmod o+w '" + UnixPathOf(L"C:\\Java") + "'");
    const Captured above = RunCapturingOutput(repair, Environment());
    EXPECT_EQ(above.exitCode, 5u) << above.output;
    ExpectShown(above, {"           repair reads or writes: Everyone may rename or replace C:\\Java"});
    const Captured notRegistered =
        RunCapturingOutput(L"\"" + kProgram + L"\\SmsServerCheck.exe\" /register C:\\Java\\jre6", Environment());
    EXPECT_EQ(notRegistered.exitCode, 12u) << notRegistered.output;
    EXPECT_EQ(GetFileAttributesW(L"C:\\Java\\jre6\\lib\\ext\\Comm.jar"), INVALID_FILE_ATTRIBUTES);
    Shell("chmod o-w '" + UnixPathOf(L"C:\\Java") + "'");
    const Captured repaired = RunCapturingOutput(repair, Environment());
    EXPECT_EQ(repaired.exitCode, 0u) << repaired.output;
    ExpectShown(repaired, {"  OK       Copied lib\\ext\\Comm.jar into C:\\Java\\jre6"});
    for (const auto& [folder, name] : {std::pair{L"\\lib\\ext\\", L"Comm.jar"},
                                       {L"\\lib\\", L"javax.comm.properties"},
                                       {L"\\bin\\", L"Win32com.dll"},
                                       {L"\\lib\\ext\\", L"jdc.jar"}}) {
        EXPECT_EQ(ReadBytes(std::wstring(L"C:\\Java\\jre6") + folder + name), SupportSourceContent(name));
    }
    const std::string before = Everything();
    const LaunchReport started = Start();
    EXPECT_TRUE(started.boxes.empty());
    EXPECT_EQ(StartedJava(), "C:\\Java\\jre6\\bin\\java.exe");
    EXPECT_EQ(Everything(), before) << "the start copied something";
}

// A Temurin 8 x86 installed without its JavaSoft feature: the check names it, /register makes
// a start run it, /unregister takes that back.
TEST_F(CheckThenStart, ARuntimeWithoutAJavaSoftKeyIsRegisteredThenStarted) {
    const std::wstring home = L"C:\\Program Files (x86)\\Eclipse Adoptium\\jre-8.0.402.6-hotspot";
    ImportRegistry(L"runtime_temurin_own_keys.reg");
    InstallRuntime(home);
    WriteBytes(home + L"\\release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"1.8.0_402\"\n");
    InstallSupportSources();
    const Captured checked = Check();
    EXPECT_EQ(checked.exitCode, 2u);
    EXPECT_NE(Collapsed(checked.output)
                  .find("HINT Eclipse Temurin JRE with Hotspot 8u402-b06 (x86), version "
                        "1.8.0_402, 32-bit, with lib\\ext, at " +
                        Utf8(home) +
                        ": a start does not see it; run "
                        "SmsServerCheck.exe /register \"" +
                        Utf8(home) + "\""),
              std::string::npos)
        << checked.output;
    const std::wstring check = L"\"" + kProgram + L"\\SmsServerCheck.exe\" ";
    // A lib\ext that anyone may change, as Wine reads `chmod o+w`: every user's start would run it.
    const std::string ext = UnixPathOf(home + L"\\lib\\ext");
    Shell("chmod o+w '" + ext + "'");
    const Captured open = RunCapturingOutput(check + L"/register \"" + home + L"\"", Environment());
    EXPECT_EQ(open.exitCode, 12u) << open.output;
    EXPECT_NE(open.output.find("may change " + Utf8(home) +
                               "\\lib\\ext. Install that Java under Program Files, or let "
                               "only the administrators change its folder and every folder above it.\r\n"),
              std::string::npos)
        << open.output;
    Shell("chmod o-w '" + ext + "'");
    const Captured registered = RunCapturingOutput(check + L"/register \"" + home + L"\\\"", Environment());
    EXPECT_EQ(registered.exitCode, 0u) << registered.output;
    EXPECT_EQ(registered.output, "Registered " + Utf8(home) +
                                     " as HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java "
                                     "Runtime Environment\\1.8.0_402.\r\nA start now chooses it.\r\n");
    EXPECT_TRUE(Start().boxes.empty());
    EXPECT_EQ(StartedJava(), Utf8(home) + "\\bin\\java.exe");
    const Captured unregistered = RunCapturingOutput(check + L"/unregister \"" + home + L"\"", Environment());
    EXPECT_EQ(unregistered.exitCode, 0u) << unregistered.output;
    EXPECT_EQ(Check().exitCode, 2u);
}

TEST_F(CheckThenStart, AReportFileAndBadArguments) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    const Captured printed = Check();
    const Captured saved = Check(L"/report:C:\\e2e\\report.txt");
    EXPECT_EQ(saved.exitCode, printed.exitCode);
    EXPECT_EQ(saved.output, "The report is in C:\\e2e\\report.txt\r\n");
    EXPECT_EQ(ReadBytes(L"C:\\e2e\\report.txt"), "\xEF\xBB\xBF" + printed.output);

    struct BadCase {
        const wchar_t* arguments;
        const char* firstLine;
    };
    // clang-format off
    const BadCase cases[] = {
        {L"C:\\e2e\\absent", "SMS Server check 1.0.0"},
        {L"one two", "Give one folder at most."},
        {L"/report:C:\\e2e\\absent\\report.txt",
         "The report could not be written to C:\\e2e\\absent\\report.txt: "},
    };
    // clang-format on
    for (const auto& c : cases) {
        const Captured bad = Check(c.arguments);
        EXPECT_EQ(bad.exitCode, 4u) << Utf8(c.arguments);
        EXPECT_EQ(bad.output.rfind(c.firstLine, 0), 0u) << bad.output;
    }
    EXPECT_EQ(GetFileAttributesW(L"C:\\e2e\\absent"), INVALID_FILE_ATTRIBUTES);
}

// Started where nobody can press Enter, the check ends by itself, with the status of what it
// found (no Java is registered here: 2).
TEST(HiddenStart, TheCheckNeverWaitsWhereNobodyCanAnswer) {
    struct Case {
        const char* start;
        StartWay way;
    };
    // clang-format off
    const Case cases[] = {
        {"CREATE_NO_WINDOW", {CREATE_NO_WINDOW, -1, {}}},
        {"a new console, hidden (Start-Process -WindowStyle Hidden)", {CREATE_NEW_CONSOLE, SW_HIDE, {}}},
        {"no console at all (a service's child)", {DETACHED_PROCESS, -1, {}}},
        {"CREATE_NO_WINDOW, hidden (a scheduled task)", {CREATE_NO_WINDOW, SW_HIDE, {}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        const DWORD status = RunAndWait(L"\"" + CheckExe() + L"\"", c.way, 10000);
        EXPECT_EQ(status, 2u) << c.start << (status == 98 ? ": still waiting after 10 s" : "");
    }
}

// A version.dll left beside a program, as in a Downloads folder. Told to prefer a native one,
// Wine loads it from the program's folder, as Windows does for any DLL that is no KnownDLL.
// Wine takes that from its registry: WINEDLLOVERRIDES in a child's environment is not read.
TEST(Planting, ADllBesideAProgramIsNotLoaded) {
    const std::wstring folder = L"C:\\e2e\\Downloads";
    const std::wstring marker = L"C:\\planted.txt";
    MakeFolders(folder);
    CopyFileW(PlantedDll().c_str(), (folder + L"\\version.dll").c_str(), FALSE);
    CopyFileW(CheckExe().c_str(), (folder + L"\\SmsServerCheck.exe").c_str(), FALSE);
    CopyFileW(LauncherExe().c_str(), (folder + L"\\SmsServer.exe").c_str(), FALSE);
    CopyFileW(VersionProbeExe().c_str(), (folder + L"\\version_probe.exe").c_str(), FALSE);
    const wchar_t nativeFirst[] = L"native,builtin";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"version", REG_SZ, nativeFirst,
                              sizeof(nativeFirst)),
              ERROR_SUCCESS);

    // The test sees a planted DLL run in a program that imports it.
    RunCapturingOutput(L"\"" + folder + L"\\version_probe.exe\"");
    EXPECT_NE(ReadBytes(marker).find("version_probe.exe"), std::string::npos)
        << "the planted DLL did not run in a program that imports it";
    DeleteFileW(marker.c_str());

    const Captured checked = RunCapturingOutput(L"\"" + folder + L"\\SmsServerCheck.exe\"");
    EXPECT_EQ(checked.exitCode, 2u) << checked.output;
    LaunchOptions options;
    options.program = folder + L"\\SmsServer.exe";
    options.workingFolder = folder;
    const LaunchReport started = RunLauncher(options);
    EXPECT_EQ(started.exitCode, 2u);
    EXPECT_EQ(started.boxes.size(), 1u);
    EXPECT_EQ(ReadBytes(marker), "") << "a planted DLL ran";
}

}  // namespace
}  // namespace e2e
