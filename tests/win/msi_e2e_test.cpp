// The MSI under Wine's msiexec, as an administrator pushes it: a silent, logged, per-machine
// install that puts the programs, the shortcut, the Add/Remove Programs entry and the support
// files in place; a start after it that copies nothing; an upgrade, a refused downgrade, the
// removal; and an install on a desktop without Java.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kInstalled = L"C:\\Program Files (x86)\\SMS Server";  // a 32-bit package on 64-bit Windows
const std::wstring kHome = L"C:\\Java\\jre6";
const std::wstring kLog = L"C:\\e2e\\install.log";
const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::pair<const wchar_t*, const wchar_t*> kSupportFiles[] = {{L"\\lib\\ext\\", L"Comm.jar"},
                                                                   {L"\\lib\\", L"javax.comm.properties"},
                                                                   {L"\\bin\\", L"Win32com.dll"},
                                                                   {L"\\lib\\ext\\", L"jdc.jar"}};

DWORD Msiexec(const std::wstring& arguments) {
    MakeFolders(L"C:\\e2e");
    return RunAndWait(L"C:\\windows\\system32\\msiexec.exe " + arguments, 180000);
}

DWORD Install(const std::wstring& version, const std::wstring& properties = L"") {
    return Msiexec(L"/i \"" + MsiPackage(version) + L"\" /qn /l*v " + kLog + properties);
}

std::wstring Text(HKEY key, const wchar_t* name) {
    wchar_t value[1024] = L"";
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
        return L"(none)";
    }
    return value;
}

// The Add/Remove Programs entries named "SMS Server": each one's version, publisher, help link
// and install location.
std::vector<std::vector<std::wstring>> Entries() {
    std::vector<std::vector<std::wstring>> entries;
    HKEY all = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_READ, &all) != ERROR_SUCCESS) return entries;
    wchar_t name[256];
    for (DWORD index = 0; RegEnumKeyW(all, index, name, 256) == ERROR_SUCCESS; ++index) {
        HKEY entry = nullptr;
        if (RegOpenKeyExW(all, name, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
        if (Text(entry, L"DisplayName") == L"SMS Server") {
            entries.push_back({Text(entry, L"DisplayVersion"), Text(entry, L"Publisher"), Text(entry, L"HelpLink"),
                               Text(entry, L"InstallLocation")});
        }
        RegCloseKey(entry);
    }
    RegCloseKey(all);
    return entries;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether HKEY_LOCAL_MACHINE holds the key in the 32-bit view.
bool KeyExists32(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A runtime at home whose release file tells its version.
void InstallJava(const std::wstring& home, const std::string& version) {
    InstallRuntime(home);
    WriteBytes(home + L"\\release", "JAVA_VERSION=\"" + version + "\"\n");
}

// The install log, as Windows Installer writes it: UTF-16 or ANSI.
std::string Log() {
    std::string bytes = ReadBytes(kLog);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return Utf8(wide);
    }
    return bytes;
}

// The shortcut in ProgramMenuFolder as the last logged install resolved it. Windows gives a
// per-machine package the all-users Programs folder; Wine's msi still gives the user's own.
std::wstring Shortcut() {
    const std::string log = Log(), name = "Property(S): ProgramMenuFolder = ";
    const auto at = log.find(name), start = at + name.size();
    if (at == std::string::npos) return L"(no ProgramMenuFolder in the install log)";
    return Wide(log.substr(start, log.find_first_of("\r\n", start) - start)) + L"SMS Server.lnk";
}

std::string Runtime() {
    std::string files;
    for (const auto& [folder, name] : kSupportFiles) {
        files += Utf8(name) + "=" + ReadBytes(kHome + folder + name) + ";";
    }
    return files;
}

TEST(Msi, ASilentInstallPutsEverythingInPlaceAndAStartCopiesNothing) {
    ImportRegistry(L"runtime_jre6.reg");
    ImportRegistry(L"runtime_bracketed.reg");  // passed over for its version, named in the log
    InstallRuntime(kHome);
    InstallSupportSources();
    ASSERT_EQ(Install(L"1.0.0"), 0u) << Log();

    for (const wchar_t* file : {L"SmsServer.exe", L"SmsServerCheck.exe", L"DEPLOYING.txt"}) {
        EXPECT_TRUE(Exists(kInstalled + L"\\" + file)) << Utf8(file);
    }
    EXPECT_EQ(ReadBytes(kInstalled + L"\\SmsServer.exe"), ReadBytes(LauncherExe()));
    EXPECT_TRUE(Exists(Shortcut())) << Utf8(Shortcut());
    const auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0],
              (std::vector<std::wstring>{L"1.0.0", L"Pelmora", kInstalled + L"\\DEPLOYING.txt", kInstalled + L"\\"}));
    for (const auto& [folder, name] : kSupportFiles) {
        EXPECT_EQ(ReadBytes(kHome + folder + name), SupportSourceContent(name)) << Utf8(name);
    }
    EXPECT_NE(Log().find("SMS Server repair: exit status 0"), std::string::npos) << Log();
    EXPECT_NE(Log().find("C:\\sorvel\\GsmModemJar is locked: only SYSTEM and Administrators may"), std::string::npos);
    EXPECT_NE(Log().find("\"1.4.2[x]\": version 1.4"), std::string::npos) << Log();

    // A user's start finds the support files in place.
    const std::string runtime = Runtime();
    LaunchOptions options;
    options.program = kInstalled + L"\\SmsServer.exe";
    options.workingFolder = L"C:\\e2e";
    options.environment = {{L"SMS_RECORD", L"C:\\e2e\\record.txt"}};
    const LaunchReport started = RunLauncher(options);
    EXPECT_FALSE(started.timedOut);
    EXPECT_TRUE(started.boxes.empty());
    EXPECT_EQ(started.exitCode, 0u);
    EXPECT_EQ(Runtime(), runtime);
    ASSERT_EQ(ReadRecords(L"C:\\e2e\\record.txt").size(), 1u);

    // A Java update moves the runtime: the check says so (14), and the task's command, as the
    // task runs it at the next start of Windows, puts the files in the new folder (0).
    EXPECT_TRUE(Exists(L"C:\\windows\\sysnative\\tasks\\SMS Server repair"));
    const std::wstring updated = L"C:\\Java\\jre6u2", check = L"\"" + kInstalled + L"\\SmsServerCheck.exe\" /nowait";
    InstallRuntime(updated);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(updated.c_str()),
                   static_cast<DWORD>((updated.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_EQ(RunAndWait(check, 60000), 14u);
    EXPECT_EQ(RunAndWait(check + L" /repair", 60000), 0u);
    EXPECT_EQ(ReadBytes(updated + L"\\bin\\Win32com.dll"), SupportSourceContent(L"Win32com.dll"));
    EXPECT_EQ(RunAndWait(check, 60000), 0u);
}

TEST(Msi, AnUpgradeLeavesOneEntryAndADowngradeIsRefused) {
    ASSERT_EQ(Install(L"0.9.0"), 0u) << Log();
    ASSERT_EQ(Entries().size(), 1u);
    ASSERT_EQ(Install(L"1.0.0"), 0u) << Log();
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0][0], L"1.0.0");

    // Wine logs no refusing launch condition, so it is read where a user sees it, in basic UI.
    LaunchOptions downgrade;
    downgrade.program = L"C:\\windows\\system32\\msiexec.exe";
    downgrade.arguments = L"/i \"" + MsiPackage(L"0.9.0") + L"\" /qb";
    downgrade.workingFolder = L"C:\\e2e";
    const LaunchReport refused = RunLauncher(downgrade);
    EXPECT_NE(refused.exitCode, 0u);
    ASSERT_EQ(refused.boxes.size(), 1u);
    EXPECT_EQ(refused.boxes[0].text,
              L"A newer version of SMS Server is already installed. Remove it first to install this older one.");
    entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0][0], L"1.0.0");
    EXPECT_TRUE(Exists(kInstalled + L"\\SmsServer.exe"));

    // The same version with other files is another product, which replaces this one.
    ASSERT_EQ(Install(L"1.0.0-support"), 0u) << Log();
    EXPECT_EQ(Entries().size(), 1u);
}

TEST(Msi, RemovingTakesWhatItInstalledAndLeavesTheSupportFiles) {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(kHome);
    InstallSupportSources();
    MakeFolders(kInstalled);
    WriteBytes(kInstalled + L"\\notes.txt", "the administrator's own");
    ASSERT_EQ(Install(L"1.0.0"), 0u) << Log();
    const std::string runtime = Runtime();
    ASSERT_EQ(Msiexec(L"/x \"" + MsiPackage(L"1.0.0") + L"\" /qn"), 0u);

    for (const wchar_t* file : {L"SmsServer.exe", L"SmsServerCheck.exe", L"DEPLOYING.txt"}) {
        EXPECT_FALSE(Exists(kInstalled + L"\\" + file)) << Utf8(file);
    }
    EXPECT_EQ(ReadBytes(kInstalled + L"\\notes.txt"), "the administrator's own");
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Runtime(), runtime);
    EXPECT_EQ(ReadBytes(L"C:\\sorvel\\GsmModemJar\\jdc.jar"), SupportSourceContent(L"jdc.jar"));
    EXPECT_FALSE(Exists(L"C:\\windows\\sysnative\\tasks\\SMS Server repair"));
}

TEST(Msi, WithNoJavaTheInstallSucceedsAndTheLogSaysWhy) {
    InstallSupportSources();
    ASSERT_EQ(Install(L"1.0.0", L" JAVAHOME=C:\\Nothing"), 0u) << Log();
    EXPECT_TRUE(Exists(kInstalled + L"\\SmsServer.exe"));
    const std::string log = Log();
    EXPECT_NE(log.find("SMS Server register: Not registered: C:\\Nothing holds no bin\\java.exe."), std::string::npos);
    EXPECT_NE(log.find("SMS Server repair: exit status 2"), std::string::npos) << log;
    EXPECT_NE(log.find("You have not Installed Java Runtime Environment"), std::string::npos) << log;
}

// A Temurin whose installer wrote no JavaSoft key, made usable by the package in one line and
// taken back by its removal.
TEST(Msi, JavaHomeRegistersARuntimeThatTheRemovalTakesBack) {
    const std::wstring home = L"C:\\Temurin\\jre-8.0.402.6-hotspot";
    InstallJava(home, "1.8.0_402");
    InstallSupportSources();
    ASSERT_EQ(Install(L"1.0.0", L" JAVAHOME=\"" + home + L"\""), 0u) << Log();
    const std::string log = Log();
    EXPECT_NE(log.find("SMS Server register: A start now chooses it."), std::string::npos) << log;
    EXPECT_NE(log.find("SMS Server repair: exit status 0"), std::string::npos) << log;
    EXPECT_EQ(ReadBytes(home + L"\\bin\\Win32com.dll"), SupportSourceContent(L"Win32com.dll"));
    ASSERT_EQ(Msiexec(L"/x \"" + MsiPackage(L"1.0.0") + L"\" /qn /l*v " + kLog), 0u);
    EXPECT_FALSE(KeyExists32(L"SOFTWARE\\JavaSoft\\Java Runtime Environment")) << Log();
}

// The package never writes through a link at the support folder: it logs it, and the folder
// the link leads to stays as it was. A support folder that others may change is renamed aside
// and made afresh, holding the package's own files.
TEST(Msi, TheSupportFilesGoThroughNoLinkAndIntoNoFolderThatOthersMayChange) {
    const std::wstring folder = L"C:\\sorvel\\GsmModemJar";
    MakeFolders(L"C:\\e2e\\bob");
    MakeFolders(L"C:\\sorvel");
    WriteBytes(L"C:\\e2e\\bob\\Comm.jar", "bob's own");
    Shell("ln -s " + UnixPathOf(L"C:\\e2e\\bob") + " " + UnixPathOf(L"C:\\sorvel") + "/GsmModemJar");
    ASSERT_EQ(Install(L"1.0.0-support"), 0u) << Log();
    EXPECT_NE(Log().find("SMS Server repair: C:\\sorvel\\GsmModemJar is a link, which the package never follows: "
                         "nothing was put there."),
              std::string::npos)
        << Log();
    EXPECT_EQ(ReadBytes(L"C:\\e2e\\bob\\Comm.jar"), "bob's own");
    EXPECT_FALSE(Exists(L"C:\\e2e\\bob\\jdc.jar"));

    ASSERT_EQ(Msiexec(L"/x \"" + MsiPackage(L"1.0.0-support") + L"\" /qn"), 0u);
    Shell("rm " + UnixPathOf(L"C:\\sorvel") + "/GsmModemJar");
    InstallSupportSources();
    Shell("chmod o+w " + UnixPathOf(folder));
    ASSERT_EQ(Install(L"1.0.0-support"), 0u) << Log();
    EXPECT_NE(Log().find("SMS Server repair: others could change C:\\sorvel\\GsmModemJar, so it was renamed to "
                         "C:\\sorvel\\GsmModemJar (set aside: others could change it)"),
              std::string::npos)
        << Log();
    EXPECT_EQ(ReadBytes(folder + L"\\jdc.jar"), "the package's jdc.jar\r\n");
    EXPECT_EQ(ReadBytes(folder + L" (set aside: others could change it)\\jdc.jar"), SupportSourceContent(L"jdc.jar"));
}

// An install that fails at the very end of its script is taken back whole, its registration of
// JAVAHOME too.
TEST(Msi, AnInstallThatFailsLeavesNoRegistration) {
    const std::wstring home = L"C:\\Temurin\\jre-8.0.432";
    InstallJava(home, "1.8.0_432");
    EXPECT_NE(Install(L"1.0.0-fails", L" JAVAHOME=\"" + home + L"\""), 0u);
    EXPECT_NE(Log().find("SMS Server register: Registered"), std::string::npos) << Log();
    EXPECT_FALSE(KeyExists32(L"SOFTWARE\\JavaSoft\\Java Runtime Environment")) << Log();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Pelmora\\SMS Server", 0, KEY_READ | KEY_WOW64_32KEY, &key) ==
        ERROR_SUCCESS) {
        EXPECT_EQ(Text(key, L"RegisteredJavaHome"), L"(none)");
        RegCloseKey(key);
    }
}

// The step runs as LocalSystem from the installed folder: one that others may change fails the
// install, which registers nothing.
TEST(Msi, AnInstalledFolderThatOthersMayChangeFailsTheInstall) {
    const std::wstring home = L"C:\\Temurin\\jre-8.0.402";
    InstallJava(home, "1.8.0_402");
    MakeFolders(L"C:\\Apps");
    Shell("chmod o+w " + UnixPathOf(L"C:\\Apps"));
    EXPECT_NE(Install(L"1.0.0", L" INSTALLDIR=\"C:\\Apps\\SMS Server\" JAVAHOME=\"" + home + L"\""), 0u);
    EXPECT_NE(
        Log().find("SMS Server install: not installed, since only SYSTEM, the administrators and TrustedInstaller "
                   "may own, rename or replace a folder above what the repair reads or writes: "),
        std::string::npos)
        << Log();
    EXPECT_NE(Log().find("Install SMS Server under Program Files"), std::string::npos);
    EXPECT_FALSE(Exists(L"C:\\Apps\\SMS Server\\SmsServerCheck.exe"));
    EXPECT_FALSE(KeyExists32(L"SOFTWARE\\JavaSoft"));
}

// An upgrade that brings another JAVAHOME leaves only the new one registered. (Wine's upgrade
// removes the old product as a plain removal would, which takes it back too.)
TEST(Msi, AnUpgradeWithAnotherJavaHomeTakesTheOldRegistrationBack) {
    InstallJava(L"C:\\Temurin\\jre-8.0.402", "1.8.0_402");
    InstallJava(L"C:\\Zulu\\zulu-8", "1.8.0_432");
    ASSERT_EQ(Install(L"0.9.0", L" JAVAHOME=C:\\Temurin\\jre-8.0.402"), 0u) << Log();
    ASSERT_EQ(Install(L"1.0.0", L" JAVAHOME=C:\\Zulu\\zulu-8"), 0u) << Log();
    EXPECT_FALSE(KeyExists32(L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_402"));
    EXPECT_TRUE(KeyExists32(L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_432"));
}

// The guide's command blocks for a command prompt, run as printed from a .bat in the folder
// of the MSI: the install with JAVAHOME in a folder with blanks, the status a script reads, and
// the /register it describes, from the installed folder. (PowerShell's blocks Wine cannot run.)
TEST(Msi, TheGuidesCommandBlocksRunAsPrinted) {
    const std::string guide = ReadBytes(FixturePath(L"..\\..\\..\\docs\\deploying.md"));
    std::vector<std::string> blocks;
    for (std::size_t at = guide.find("\n```\n"); at != std::string::npos; at = guide.find("\n```\n", at + 1)) {
        const std::size_t end = guide.find("\n```\n", at + 5);
        const std::string block = guide.substr(at + 5, end - at - 4);
        if (block.starts_with("start ")) blocks.insert(blocks.begin(), block);  // installs first
        if (block.starts_with("SmsServerCheck.exe ")) blocks.push_back(block);
        at = end;
    }
    ASSERT_EQ(blocks.size(), 3u);
    const std::wstring home = L"C:\\Program Files (x86)\\Zulu\\zulu-8";
    InstallJava(home, "1.8.0_402");
    InstallSupportSources();
    MakeFolders(L"C:\\e2e\\guide");
    WriteBytes(L"C:\\e2e\\guide\\SmsServer-1.0.0-x86.msi", ReadBytes(MsiPackage(L"1.0.0")));
    const auto run = [](const std::string& block, const std::wstring& folder) {
        std::string script;
        for (const char c : block) script += c == '\n' ? std::string("\r\n") : std::string(1, c);
        WriteBytes(L"C:\\e2e\\guide\\block.bat", script);
        const DWORD status = RunAndWait(L"C:\\windows\\syswow64\\cmd.exe /c \"cd /d \"" + folder +
                                            L"\" && C:\\e2e\\guide\\block.bat > C:\\e2e\\guide\\out.txt 2>&1\"",
                                        180000);
        return std::pair{status, ReadBytes(L"C:\\e2e\\guide\\out.txt")};
    };
    for (std::string block : blocks) {
        const bool check = block.starts_with("SmsServerCheck.exe");
        // Wine's start hands a quoted value with blanks on quoted whole, which its msiexec
        // refuses (1639): the nearest form it takes goes without start, and its cmd waits.
        if (block.find("JAVAHOME=\"C:\\Program Files") != std::string::npos) block.erase(0, 15);
        const auto [status, out] = run(block, check ? kInstalled : L"C:\\e2e\\guide");
        EXPECT_EQ(status, 0u) << block << out << ReadBytes(L"C:\\Windows\\Temp\\SmsServer-install.log");
        const bool echoes = block.find("%ERRORLEVEL%") != std::string::npos;
        EXPECT_TRUE(!echoes || out.find("\r\n0\r\n") != std::string::npos) << out;
        EXPECT_TRUE(!check || out.find(" already names C:\\Program Files (x86)\\Zulu\\zulu-8") != std::string::npos)
            << out;
    }
    EXPECT_EQ(ReadBytes(home + L"\\bin\\Win32com.dll"), SupportSourceContent(L"Win32com.dll"));
}

}  // namespace
}  // namespace e2e
