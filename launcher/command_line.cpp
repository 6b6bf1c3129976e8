// Building and starting the Java application's command line.
#include "launcher/command_line.h"

#include <array>

namespace launcher {
namespace {

constexpr std::array<const wchar_t*, 10> kClassPath{
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

// Windows splits a command line at blanks and tabs outside quotes, both when it looks for
// the program and when the Java launcher reads its arguments, so a runtime folder such as
// "C:\Program Files\Java\jre6" must be quoted to stay one piece.
std::wstring JavaLauncher(const std::wstring& javaHomePath) {
    if (javaHomePath.empty()) return L"java ";
    const std::wstring path = javaHomePath + L"\\bin\\java.exe";
    if (path.find_first_of(L" \t") == std::wstring::npos) return path + L" ";
    return L"\"" + path + L"\" ";
}

}  // namespace

std::wstring BuildJavaCommandLine(const std::wstring& javaHomePath,
                                  const std::wstring& programFolder) {
    std::wstring line = JavaLauncher(javaHomePath) + L"-classpath ";
    for (std::size_t row = 0; row < kClassPath.size(); ++row) {
        const bool last = row + 1 == kClassPath.size();
        line += L"\"" + programFolder + kClassPath[row] + (last ? L"\" " : L"\";");
    }
    return line + kMainClass;
}

void StartJavaApplication(platform::Processes& processes, const std::wstring& commandLine) {
    const std::wstring saved = processes.CurrentFolder();
    processes.SetCurrentFolder(processes.ProgramFolder());
    processes.StartProcess(commandLine, platform::kShowHidden);
    processes.SetCurrentFolder(saved);
}

}  // namespace launcher
