// File operations on Win32.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

bool Win32FileSystem::FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32FileSystem::Copy(const std::wstring& source, const std::wstring& target) {
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) throw LastErrorFailure();
}

void Win32FileSystem::MoveOver(const std::wstring& from, const std::wstring& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw LastErrorFailure();
    }
}

void Win32FileSystem::Remove(const std::wstring& path) noexcept { DeleteFileW(path.c_str()); }

}  // namespace win32
