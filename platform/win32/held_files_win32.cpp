// Files and folders held by handle on Win32, for the repair that copies with rights every
// user's Java trusts: opened without following a reparse point, and shared with no one who
// would rename or remove them.
#include <memory>
#include <vector>

#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

class Win32HeldItem final : public platform::HeldItem {
public:
    Win32HeldItem(HANDLE handle, platform::HeldFacts facts)
        : file_(handle), facts_(std::move(facts)) {}
    const platform::HeldFacts& Facts() const override { return facts_; }
    base::Result<platform::AccessList> Access() override { return AccessListOfHandle(file_.get()); }
    HANDLE get() const { return file_.get(); }

private:
    ScopedFile file_;
    platform::HeldFacts facts_;
};

// The path the handle reaches, as "C:\..." or "\\server\share\...".
std::wstring FinalPath(HANDLE file) {
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, kFlags);
    if (needed == 0) return {};
    std::wstring path(needed, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), needed, kFlags);
    if (length == 0 || length >= needed) return {};
    path.resize(length);
    if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.starts_with(L"\\\\?\\")) return path.substr(4);
    return path;
}

}  // namespace

// Not shared for deletion, so no one renames or removes what is held, and Windows renames no
// folder above an open one. A file is shared for reading alone: no one writes it either. The
// sharing binds others only when the handle reads data, so a folder is opened for listing.
base::Result<std::unique_ptr<platform::HeldItem>> Win32HeldFiles::Hold(const std::wstring& path,
                                                                       bool folder) {
    const DWORD access =
        folder ? FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE
               : GENERIC_READ | READ_CONTROL;
    const DWORD share = folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT |
                        (folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL);
    ScopedFile file(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file) return LastErrorFailure();
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file.get(), &information)) return LastErrorFailure();
    if (folder && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return SystemFailure(ERROR_DIRECTORY);
    platform::HeldFacts facts{(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                              information.nNumberOfLinks, FinalPath(file.get())};
    return std::unique_ptr<platform::HeldItem>(
        std::make_unique<Win32HeldItem>(file.release(), std::move(facts)));
}

// CREATE_NEW fails on any name that is taken, a link's too, so nothing is written through one.
std::optional<base::Failure> Win32HeldFiles::CopyHeld(platform::HeldItem& source,
                                                      const std::wstring& target) {
    const HANDLE from = static_cast<Win32HeldItem&>(source).get();
    if (!SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastErrorFailure();
    ScopedFile to(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to) return LastErrorFailure();
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return LastErrorFailure();
        if (read == 0) return std::nullopt;
        if (!WriteFile(to.get(), buffer.data(), read, &written, nullptr)) return LastErrorFailure();
        if (written != read) return SystemFailure(ERROR_WRITE_FAULT);
    }
}

}  // namespace win32
