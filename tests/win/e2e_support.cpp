// Shared set-up of the end-to-end tests.
#include "tests/win/e2e_support.h"

#include <cstdlib>

namespace e2e {

// SMS_LAUNCHER_UNDER_TEST names another SmsServer.exe to test, such as a signed release's.
std::wstring LauncherExe() {
    const char* other = std::getenv("SMS_LAUNCHER_UNDER_TEST");
    return WindowsPath(other && *other ? other : SMS_LAUNCHER_EXE);
}
std::wstring CheckExe() { return WindowsPath(SMS_CHECK_EXE); }
std::wstring RecorderExe() { return WindowsPath(SMS_RECORDER_EXE); }
std::wstring PlantedDll() { return WindowsPath(SMS_PLANTED_DLL); }
std::wstring VersionProbeExe() { return WindowsPath(SMS_VERSION_PROBE_EXE); }
std::wstring MsiPackage(const std::wstring& version) {
    return WindowsPath(SMS_MSI_DIR) + L"\\SmsServer-" + version + L"-x86.msi";
}
std::wstring FixturePath(const std::wstring& name) { return WindowsPath(SMS_FIXTURES_DIR) + L"\\" + name; }
std::string SplashGifUnixPath() { return SMS_SPLASH_GIF; }

std::string OutUnixFolder() {
    const char* out = std::getenv("SMS_E2E_OUT");
    return out ? out : "/tmp";
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using GetUnixName = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<GetUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return {};
    char* unixPath = convert(windowsPath.c_str());
    if (!unixPath) return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

std::string Shell(const std::string& command) {
    static int count = 0;
    const std::string output = OutUnixFolder() + "/shell-" + std::to_string(++count) + ".txt";
    const std::string done = output + ".done";
    const std::string script = "(" + command + ") > " + output + " 2>&1; touch " + done;
    // Wine does not wait for a Unix program, so its end is told by a file it leaves.
    RunAndWait(L"Z:\\bin\\sh -c \"" + Wide(script) + L"\"");
    for (int waited = 0; waited < 600; ++waited) {
        if (GetFileAttributesW(WindowsPath(done).c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    return ReadBytes(WindowsPath(output));
}

void ImportRegistry(const std::wstring& fixture, bool view64) {
    RunAndWait(L"C:\\windows\\syswow64\\reg.exe import \"" + FixturePath(fixture) + L"\"" +
               (view64 ? L" /reg:64" : L" /reg:32"));
}

std::string SupportSourceContent(const std::wstring& name) {
    return "support file " + Utf8(name) + " from the source folder\r\n";
}

void InstallSupportSources() {
    const std::wstring folder = L"C:\\sorvel\\GsmModemJar";
    MakeFolders(folder);
    for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
        WriteBytes(folder + L"\\" + name, SupportSourceContent(name));
    }
}

void InstallRuntime(const std::wstring& home, bool withJava) {
    MakeFolders(home + L"\\bin");
    MakeFolders(home + L"\\lib\\ext");
    if (withJava) CopyFileW(RecorderExe().c_str(), (home + L"\\bin\\java.exe").c_str(), FALSE);
}

void InstallRuntimesInOrder() {
    ImportRegistry(L"runtimes_in_order.reg");
    for (const wchar_t* home : {L"C:\\Java\\jre14", L"C:\\Java\\jre1.4.2_08", L"C:\\Java\\jre15",
                                L"C:\\Java\\jre1.5.0_06", L"C:\\Java\\jre6"}) {
        InstallRuntime(home);
    }
    InstallSupportSources();
}

void InstallLauncher(const std::wstring& folder) {
    const std::wstring lib = folder + L"\\PelmoraHuaweiEC325\\lib\\";
    MakeFolders(lib);
    for (const wchar_t* jar : {L"comm", L"jdc", L"jxl", L"log4j-1.2.8", L"slf4j-api-1.1.0", L"slf4j-log4j12-1.1.0",
                               L"slf4j-simple-1.1.0", L"swing-layout-1.0", L"win32com.dll"}) {
        WriteBytes(lib + jar + L".jar", "jar");
    }
    CopyFileW(LauncherExe().c_str(), (folder + L"\\SmsServer.exe").c_str(), FALSE);
}

void InstallUsualLayout() {
    ImportRegistry(L"runtime_jre6.reg");
    InstallRuntime(L"C:\\Java\\jre6");
    InstallSupportSources();
    InstallLauncher(L"C:\\e2e\\Sms");
}

}  // namespace e2e
