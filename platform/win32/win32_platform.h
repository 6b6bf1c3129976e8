// The platform operations on the Win32 API.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/file_queries.h"
#include "platform/file_system.h"
#include "platform/held_files.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/program_control.h"
#include "platform/registry.h"
#include "platform/registry_writer.h"
#include "platform/splash_window.h"
#include "platform/win32/scoped.h"

namespace win32 {

// Any DLL loaded after start-up comes from the system folder alone, never from the program's
// folder or the current folder, where a planted DLL could be waiting.
void RestrictDllSearchToSystemFolder();

// The steps that write with rights others trust follow only junctions and links that an
// administrator made, where Windows offers that (ProcessRedirectionTrustPolicy).
void TrustOnlyAdministratorsRedirections();

// The folder of the program file, no trailing backslash except at the root of a drive.
base::Result<std::wstring> ProgramFolder();

// True only for a file, not a folder.
bool IsFile(const std::wstring& path);

// Text between UTF-16 and a code page: the system's ANSI one (CP_ACP), which the ANSI
// registry functions take and give, or UTF-8.
std::wstring FromCodePage(std::string_view bytes, UINT codePage);
std::string ToCodePage(std::wstring_view text, UINT codePage);

// The registry as a 32-bit program sees it, or, given KEY_WOW64_64KEY, its 64-bit view.
class Win32Registry final : public platform::Registry {
public:
    explicit Win32Registry(REGSAM view = 0) : view_(view) {}
    long OpenKeyEx(platform::RegistryKey root, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, platform::RegistryKey& key) override;
    long EnumKey(platform::RegistryKey key, std::uint32_t index, char* name,
                 std::uint32_t nameLength) override;
    long QueryValueEx(platform::RegistryKey key, const std::string& valueName, std::uint32_t& type,
                      std::uint8_t* data, std::uint32_t& size) override;
    void CloseKey(platform::RegistryKey key) override;
    // Text in the system's ANSI code page, as the ANSI registry functions take and give it.
    std::wstring AnsiToWide(std::string_view ansi) const override;
    std::string WideToAnsi(std::wstring_view text) const override;

private:
    REGSAM view_;
};

class Win32FileSystem final : public platform::FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool IsLink(const std::wstring& path) override;
    std::optional<base::Failure> Copy(const std::wstring& source,
                                      const std::wstring& target) override;
    std::optional<base::Failure> Flush(const std::wstring& path) override;
    std::optional<base::Failure> MoveOver(const std::wstring& from,
                                          const std::wstring& to) override;
    std::optional<base::Failure> MakeWritable(const std::wstring& path) override;
    std::optional<base::Failure> Remove(const std::wstring& path) override;
};

// Writes HKEY_LOCAL_MACHINE in the 32-bit view, whatever the program's own bits.
class Win32RegistryWriter final : public platform::RegistryWriter {
public:
    std::optional<base::Failure> WriteText(const std::wstring& key, const std::wstring& name,
                                           const std::wstring& text) override;
    std::optional<base::Failure> RemoveKey(const std::wstring& key) override;
};

class Win32FileQueries final : public platform::FileQueries {
public:
    bool FileExists(const std::wstring& path) override { return IsFile(path); }
    bool FolderExists(const std::wstring& path) override;
    platform::WriteAccess WriteAccessTo(const std::wstring& folder) override;
    std::wstring OwnAccount() override;
    std::string ReadFileStart(const std::wstring& path, std::size_t maxBytes) override;
    std::wstring FileVersion(const std::wstring& path) override;
    std::wstring FindProgram(const std::wstring& name, const std::wstring& programFolder) override;
};

// The owner and entries of what an open handle holds (READ_CONTROL).
base::Result<platform::AccessList> AccessListOfHandle(HANDLE handle);
// An account's "DOMAIN\name", or its SID where it has no name here.
std::wstring AccountName(const std::wstring& sid);

class Win32HeldFiles final : public platform::HeldFiles {
public:
    base::Result<std::unique_ptr<platform::HeldItem>> HoldRoot(const std::wstring& root) override;
    base::Result<std::unique_ptr<platform::HeldItem>> HoldChild(platform::HeldItem& parent,
                                                                const std::wstring& name,
                                                                platform::HoldAs as) override;
    std::optional<base::Failure> CopyInto(platform::HeldItem& folder, platform::HeldItem& source,
                                          const std::wstring& temporaryName,
                                          const std::wstring& name) override;
    std::optional<base::Failure> Remove(platform::HeldItem& leftover) override;
    std::wstring AccountName(const std::wstring& sid) override { return win32::AccountName(sid); }
};

class Win32HeldFolders final : public platform::HeldFolders {
public:
    base::Result<std::unique_ptr<platform::HeldItem>> MakeFolder(platform::HeldItem& parent,
                                                                 const std::wstring& name) override;
    std::optional<base::Failure> Rename(platform::HeldItem& parent, const std::wstring& name,
                                        const std::wstring& newName) override;
};

class Win32Processes final : public platform::Processes {
public:
    base::Result<std::wstring> ProgramFolder() override;
    base::Result<std::wstring> CurrentFolder() override;
    std::optional<base::Failure> SetCurrentFolder(const std::wstring& folder) override;
    base::Result<std::unique_ptr<platform::StartedProgram>> StartProcess(
        const std::wstring& commandLine, int showState) override;
};

class Win32MessageBoxes final : public platform::MessageBoxes {
public:
    explicit Win32MessageBoxes(std::wstring title) : title_(std::move(title)) {}
    void Show(const std::wstring& text, unsigned style) override;

private:
    std::wstring title_;
};

class Win32ProgramControl final : public platform::ProgramControl {
public:
    void Sleep(unsigned milliseconds) override;
};

// The splash window. Its state is reached from the window procedure through
// GWLP_USERDATA; the picture is a GIF resource drawn once, stretched, into a bitmap.
class Win32SplashWindow final : public platform::SplashWindow {
public:
    Win32SplashWindow(HINSTANCE instance, int iconId, int pictureId);
    Win32SplashWindow(const Win32SplashWindow&) = delete;
    Win32SplashWindow& operator=(const Win32SplashWindow&) = delete;
    ~Win32SplashWindow() override;

    std::optional<base::Failure> Load(const platform::SplashDesign& design,
                                      std::function<void()> onTick) override;
    void Unload() override;
    void RunUntilClosed() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HINSTANCE instance_;
    int iconId_;
    int pictureId_;
    HWND window_ = nullptr;
    bool unloading_ = false;
    ScopedBitmap picture_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::function<void()> onTick_;
};

}  // namespace win32
