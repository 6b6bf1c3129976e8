// Building and starting the Java application's command line.
#include "launcher/command_line.h"

#include "base/text.h"

namespace launcher {
namespace {

// Windows splits a command line at blanks and tabs outside quotes, both when it looks for
// the program and when the Java launcher reads its arguments, so a runtime folder such as
// "C:\Program Files\Java\jre6" must be quoted to stay one piece.
std::wstring JavaLauncher(const std::wstring& javaHomePath) {
    const std::wstring path = JavaLauncherProgram(javaHomePath);
    if (path.find_first_of(L" \t") == std::wstring::npos) return path + L" ";
    return L"\"" + path + L"\" ";
}

}  // namespace

std::wstring BuildJavaCommandLine(const std::wstring& javaHomePath,
                                  const std::wstring& programFolder) {
    std::wstring line = JavaLauncher(javaHomePath) + L"-classpath ";
    for (std::size_t row = 0; row < kClassPath.size(); ++row) {
        const bool last = row + 1 == kClassPath.size();
        line += base::Concat({L"\"", programFolder, kClassPath[row], last ? L"\" " : L"\";"});
    }
    return line + kMainClass;
}

base::Result<std::unique_ptr<platform::StartedProgram>> StartJavaApplication(
    platform::Processes& processes, const std::wstring& commandLine) {
    const auto saved = processes.CurrentFolder();
    if (!saved) return saved.failure();
    const auto programFolder = processes.ProgramFolder();
    if (!programFolder) return programFolder.failure();
    if (auto failure = processes.SetCurrentFolder(*programFolder)) return *failure;
    auto started = processes.StartProcess(commandLine, platform::kShowHidden);
    if (!started) return started.failure();
    if (auto failure = processes.SetCurrentFolder(*saved)) return *failure;
    return started;
}

}  // namespace launcher
