// The file operations that installing the serial-port support files needs.
#pragma once

#include <string>

namespace platform {

// Operations that fail raise a Failure whose description is the system's own message.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True only for a file, not a folder; names match without regard to case.
    virtual bool FileExists(const std::wstring& path) = 0;
    // Copies source to target, replacing target; fails when target's folder is missing.
    virtual void Copy(const std::wstring& source, const std::wstring& target) = 0;
    // Renames from over to, replacing to, and returns only once the rename is on disk.
    virtual void MoveOver(const std::wstring& from, const std::wstring& to) = 0;
    // Removes a file if it is there; never fails.
    virtual void Remove(const std::wstring& path) noexcept = 0;
};

}  // namespace platform
