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
    // Clears a file's read-only attribute, without which Windows neither removes nor
    // replaces it; does nothing when there is no such file.
    virtual void MakeWritable(const std::wstring& path) = 0;
    // Removes a file; does nothing when there is no such file. A read-only file is refused.
    virtual void Remove(const std::wstring& path) = 0;
};

}  // namespace platform
