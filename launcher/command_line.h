// The Java application's command line, and starting it hidden from the program folder.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "base/failure.h"
#include "platform/processes.h"

namespace launcher {

inline constexpr wchar_t kMainClass[] = L"JavaSwingClasses.MainFrame";

// The application's class path, below the program folder: nine jar files and, last, the
// application folder itself.
inline constexpr std::array<const wchar_t*, 10> kClassPath{
    L"\\PelmoraHuaweiEC325\\lib\\comm.jar",
    L"\\PelmoraHuaweiEC325\\lib\\jdc.jar",
    L"\\PelmoraHuaweiEC325\\lib\\jxl.jar",
    L"\\PelmoraHuaweiEC325\\lib\\log4j-1.2.8.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-api-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-log4j12-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-simple-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\swing-layout-1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\win32com.dll.jar",
    L"\\PelmoraHuaweiEC325",
};

// The program a start runs: the runtime's bin\java.exe, or java from the search path when
// javaHomePath is empty.
inline std::wstring JavaLauncherProgram(const std::wstring& javaHomePath) {
    return javaHomePath.empty() ? L"java" : javaHomePath + L"\\bin\\java.exe";
}

// The Java launcher (the runtime's bin\java.exe, or java from the search path when
// javaHomePath is empty), -classpath with the application's ten entries below
// programFolder, then the main class.
std::wstring BuildJavaCommandLine(const std::wstring& javaHomePath,
                                  const std::wstring& programFolder);

// Starts the line hidden with the program folder as the current folder, then makes the
// previous current folder current again, and gives the started program. A failed start gives
// its failure and leaves the folder set.
[[nodiscard]] base::Result<std::unique_ptr<platform::StartedProgram>> StartJavaApplication(
    platform::Processes& processes, const std::wstring& commandLine);

}  // namespace launcher
