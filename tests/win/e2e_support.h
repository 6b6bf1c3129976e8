// What the end-to-end tests share: the build's files, folders in the prefix, registry
// fixtures, Unix programs run from inside Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/system_error.h"
#include "tests/win/driver.h"

namespace e2e {

std::wstring LauncherExe();                            // the built SmsServer.exe, or SMS_LAUNCHER_UNDER_TEST
std::wstring CheckExe();                               // the built SmsServerCheck.exe
std::wstring RecorderExe();                            // the java.exe stand-in
std::wstring PlantedDll();                             // a version.dll that notes in C:\planted.txt who loaded it
std::wstring VersionProbeExe();                        // a program that imports VERSION.dll
std::wstring MsiPackage(const std::wstring& version);  // the MSI of that version, built here
std::wstring FixturePath(const std::wstring& name);    // a .reg file of the test tree
std::string SplashGifUnixPath();

// The folder on the Linux side that the test run may write to.
std::string OutUnixFolder();
// The Unix path of a Windows path in the prefix.
std::string UnixPathOf(const std::wstring& windowsPath);

// Runs a Unix shell command line through /bin/sh, waits for it and returns its output.
std::string Shell(const std::string& command);

// Imports a .reg fixture into the 32-bit registry view, which the launcher reads, or the 64-bit one.
void ImportRegistry(const std::wstring& fixture, bool view64 = false);

// The four support files in C:\sorvel\GsmModemJar, each with its own content.
void InstallSupportSources();
std::string SupportSourceContent(const std::wstring& name);

// A runtime folder with bin, lib and lib\ext, and the recorder as bin\java.exe when asked.
void InstallRuntime(const std::wstring& home, bool withJava = true);

// runtimes_in_order.reg with its five runtimes (1.4, 1.4.2_08, 1.5, 1.5.0_06, 1.6; a start
// takes 1.5, C:\Java\jre15), and the support files.
void InstallRuntimesInOrder();

// The launcher in folder, with the application beside it: its folder and its nine jars.
void InstallLauncher(const std::wstring& folder);
// The launcher in C:\e2e\Sms, one registered runtime C:\Java\jre6, the support files.
void InstallUsualLayout();

using win32::SystemMessage;

}  // namespace e2e
