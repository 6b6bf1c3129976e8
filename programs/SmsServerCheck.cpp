// Program entry of SmsServerCheck.exe: reads the arguments, wires the Win32 platform into the
// check, and prints or saves its report.
#include <windows.h>

#include <vector>

#include "base/failure.h"
#include "base/text.h"
#include "check/arguments.h"
#include "check/check.h"
#include "check/register.h"
#include "check/repair.h"
#include "check/report.h"
#include "platform/win32/console.h"
#include "platform/win32/win32_platform.h"
#include "product_facts.h"

namespace {

// A double-clicked check keeps its window open until the report has been read.
int Finish(int status, const check::Arguments& arguments) {
    if (check::WaitsForEnter(win32::ReadConsoleFacts(), arguments)) win32::WaitForEnter();
    return status;
}

int Report(const check::Report& report, const std::wstring& reportFile) {
    const std::wstring text = check::ReportText(report);
    if (reportFile.empty()) {
        win32::WriteOut(text);
        return report.status;
    }
    const std::wstring path = win32::FullPath(reportFile);
    // UTF-8, marked as such for the editors that would take it for the ANSI code page.
    if (const auto failure =
            win32::WriteWholeFile(path, "\xEF\xBB\xBF" + win32::ToCodePage(text, CP_UTF8))) {
        win32::WriteOut(base::Concat({L"The report could not be written to ", path, L": ",
                                      failure->description, L"\r\n"}),
                        true);
        return check::kCouldNotCheck;
    }
    win32::WriteOut(base::Concat({L"The report is in ", path, L"\r\n"}));
    return report.status;
}

// Every repair leaves its status in the Application event log: the package's task repairs at
// each start of Windows, where no one reads its report.
int LogRepair(int status) {
    if (HANDLE log = RegisterEventSourceW(nullptr, L"" SMS_PRODUCT_NAME)) {
        const std::wstring line = base::Concat(
            {L"" SMS_PRODUCT_NAME L" repair: exit status ", base::DecimalText(status)});
        const wchar_t* strings[] = {line.c_str()};
        ReportEventW(log, status == 0 ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_WARNING_TYPE, 0, 1,
                     nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(log);
    }
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    win32::RestrictDllSearchToSystemFolder();

    const check::Arguments arguments = check::ParseArguments({argv + 1, argv + argc});
    if (arguments.help) {
        win32::WriteOut(check::kUsage);
        return Finish(0, arguments);
    }
    if (arguments.error) {
        win32::WriteOut(arguments.error->description + L"\r\n\r\n" + check::kUsage, true);
        return Finish(check::kCouldNotCheck, arguments);
    }

    const auto folder = arguments.folder.empty()
                            ? win32::ProgramFolder()
                            : check::WithoutTrailingBackslash(win32::FullPath(arguments.folder));
    if (!folder) {
        win32::WriteOut(base::Concat({L"This program's folder cannot be told: ",
                                      folder.failure().description, L"\r\n"}),
                        true);
        return Finish(check::kCouldNotCheck, arguments);
    }
    win32::Win32Registry registry;
    win32::Win32Registry registry64(KEY_WOW64_64KEY);
    win32::Win32FileQueries files;
    win32::Win32HeldFiles held;
    const check::CheckPlatform platform{registry, win32::Is64BitWindows() ? &registry64 : nullptr,
                                        files, held};
    if (arguments.repair || !arguments.registerFolder.empty() ||
        !arguments.unregisterFolder.empty()) {
        win32::TrustOnlyAdministratorsRedirections();
    }
    if (!arguments.registerFolder.empty() || !arguments.unregisterFolder.empty()) {
        win32::Win32RegistryWriter writer;
        const check::Registration done =
            arguments.registerFolder.empty()
                ? check::UnregisterRuntime(platform, writer, arguments.unregisterFolder)
                : check::RegisterRuntime(platform, writer, arguments.registerFolder);
        for (const auto& line : done.lines) win32::WriteOut(line + L"\r\n", done.status != 0);
        return Finish(done.status, arguments);
    }
    const int status = Report(arguments.repair ? check::RepairStart(platform, *folder)
                                               : check::CheckStart(platform, *folder),
                              arguments.reportFile);
    return Finish(arguments.repair ? LogRepair(status) : status, arguments);
}
