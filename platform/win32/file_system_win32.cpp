// File operations on Win32.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

bool Win32FileSystem::FileExists(const std::wstring& path) { return IsFile(path); }

// The attributes of the name itself: Windows does not follow the last name of a path here.
bool Win32FileSystem::IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<base::Failure> Win32FileSystem::Copy(const std::wstring& source,
                                                   const std::wstring& target) {
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return LastErrorFailure();
    return std::nullopt;
}

// FlushFileBuffers needs a handle opened for writing, which Windows refuses for a read-only
// file, as the copy of a read-only source is: the attribute is cleared for the flush and put
// back afterwards.
std::optional<base::Failure> Win32FileSystem::Flush(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrorFailure();
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return LastErrorFailure();
    }
    std::optional<base::Failure> failure;
    {
        const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.get())) failure = LastErrorFailure();
    }
    if (readOnly && !SetFileAttributesW(path.c_str(), attributes) && !failure) {
        failure = LastErrorFailure();
    }
    return failure;
}

std::optional<base::Failure> Win32FileSystem::MoveOver(const std::wstring& from,
                                                       const std::wstring& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return LastErrorFailure();
    }
    return std::nullopt;
}

namespace {

// No file to act on: the file or its folder is not there.
bool NothingThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::optional<base::Failure> Win32FileSystem::MakeWritable(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (NothingThere(error)) return std::nullopt;
        return SystemFailure(error);
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return std::nullopt;
    if (!SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return LastErrorFailure();
    }
    return std::nullopt;
}

std::optional<base::Failure> Win32FileSystem::Remove(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return std::nullopt;
    const DWORD error = GetLastError();
    if (NothingThere(error)) return std::nullopt;
    return SystemFailure(error);
}

}  // namespace win32
