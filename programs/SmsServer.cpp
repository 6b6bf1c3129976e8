// Program entry of SmsServer.exe: guards the DLL search, wires the Win32 platform into the
// launcher and shows the splash form.
#include <windows.h>

#include <optional>

#include "launcher/frmSplash.h"
#include "platform/win32/win32_platform.h"
#include "product_facts.h"
#include "programs/resource.h"
#include "runtime/mod_main.h"

namespace {

// Whether this start runs with an administrator's rights (TokenElevation): only then may it
// write where other users' Java reads.
bool Elevated() {
    win32::ScopedHandle token;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()) &&
           GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated;
}

// An elevated start copies through SmsServerCheck.exe /repair beside it, which holds every
// folder from the drive's root and copies only where no one else may change what it reads
// and writes; its refusal, or any other end but 0, is this copy's failure.
class RepairBeside final : public mod_main::ElevatedCopy {
public:
    explicit RepairBeside(platform::Processes& processes) : processes_(processes) {}

    std::optional<base::Failure> CopyInto(const std::wstring&) override {
        const auto folder = processes_.ProgramFolder();
        if (!folder) return folder.failure();
        auto started = processes_.StartProcess(
            L"\"" + *folder + L"\\" SMS_CHECK_FILE L"\" /repair /nowait", platform::kShowHidden);
        if (!started) return started.failure();
        const auto end = (*started)->Wait(60000);
        if (end && end->status == 0) return std::nullopt;
        return base::Failure::Own(end ? static_cast<long>(end->status) : 0,
                                  L"An elevated start copies only through " SMS_CHECK_FILE
                                  L" /repair, which did not put every support file in place: "
                                  L"run it as administrator to see why.");
    }

private:
    platform::Processes& processes_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win32::RestrictDllSearchToSystemFolder();

    win32::Win32Registry registry;
    win32::Win32Processes processes;
    win32::Win32MessageBoxes messageBoxes(L"" SMS_PRODUCT_NAME);
    win32::Win32ProgramControl programControl;
    win32::Win32SplashWindow window(instance, IDI_APP, IDR_SPLASH);
    std::optional<win32::Win32FileSystem> fileSystem;
    mod_main::ModMain modMain(
        registry, [&]() -> platform::FileSystem& { return fileSystem.emplace(); }, messageBoxes,
        programControl);
    RepairBeside repair(processes);
    if (Elevated()) modMain.CopyElevatedThrough(repair);
    launcher::frmSplash form({window, processes, messageBoxes, programControl}, modMain);
    return static_cast<int>(form.Show());
}
