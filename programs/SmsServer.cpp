// Program entry of SmsServer.exe: guards the DLL search, wires the Win32 platform into the
// launcher and shows the splash form.
#include <windows.h>

#include <optional>

#include "launcher/frmSplash.h"
#include "launcher/version.h"
#include "platform/win32/win32_platform.h"
#include "programs/resource.h"
#include "runtime/mod_main.h"

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
    launcher::frmSplash form({window, processes, messageBoxes, programControl}, modMain);
    return static_cast<int>(form.Show());
}
