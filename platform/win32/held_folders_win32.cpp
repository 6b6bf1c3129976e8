// The package step's own folders on Win32: made locked relative to a held folder, and renamed
// aside relative to it. Apart from the held files, so that the check links none of it.
#include "platform/win32/held_handles.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"
// After windows.h, which it needs.
#include <sddl.h>

namespace win32 {

// Protected, so that nothing of the folder it is made in passes on to it: SYSTEM and the
// administrators may do anything, users read and run what it holds. Everything made in it
// later inherits the same.
base::Result<std::unique_ptr<platform::HeldItem>> Win32HeldFolders::MakeFolder(
    platform::HeldItem& parent, const std::wstring& name) {
    PSECURITY_DESCRIPTOR locked = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", SDDL_REVISION_1,
            &locked, nullptr)) {
        return LastErrorFailure();
    }
    const ScopedLocalMemory owner(locked);
    return Open(HandleOf(parent), name, FILE_LIST_DIRECTORY | DELETE,
                FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE, FILE_DIRECTORY_FILE, locked);
}

// The name is opened anew for deletion, which no held handle of it would share, itself and not
// what a link there leads to.
std::optional<base::Failure> Win32HeldFolders::Rename(platform::HeldItem& parent,
                                                      const std::wstring& name,
                                                      const std::wstring& newName) {
    auto item = Open(HandleOf(parent), name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                     FILE_DIRECTORY_FILE);
    if (!item) return item.failure();
    return RenameWithin(HandleOf(**item), HandleOf(parent), newName);
}

}  // namespace win32
