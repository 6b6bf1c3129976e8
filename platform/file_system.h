// The file operations that installing the serial-port support files needs.
#pragma once

#include <optional>
#include <string>

#include "base/failure.h"

namespace platform {

// The errors a step on a file meets while another program, such as a virus scanner, holds it
// (besides access denied, kErrorAccessDenied).
inline constexpr long kErrorSharingViolation = 32;
inline constexpr long kErrorLockViolation = 33;

// An operation that fails gives the failure, whose description is the system's own message.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True only for a file, not a folder; names match without regard to case.
    virtual bool FileExists(const std::wstring& path) = 0;
    // True for a junction, a symbolic link or a mount point itself, not what it leads to.
    virtual bool IsLink(const std::wstring& path) = 0;
    // Copies source to target, replacing target; fails when target's folder is missing.
    [[nodiscard]] virtual std::optional<base::Failure> Copy(const std::wstring& source,
                                                            const std::wstring& target) = 0;
    // Writes a file's data through to the disk, so that it survives a power cut; a read-only
    // file stays read-only.
    [[nodiscard]] virtual std::optional<base::Failure> Flush(const std::wstring& path) = 0;
    // Renames from over to, replacing to, and returns only once the rename is on disk.
    [[nodiscard]] virtual std::optional<base::Failure> MoveOver(const std::wstring& from,
                                                                const std::wstring& to) = 0;
    // Clears a file's read-only attribute, without which Windows neither removes nor
    // replaces it; does nothing when there is no such file.
    [[nodiscard]] virtual std::optional<base::Failure> MakeWritable(const std::wstring& path) = 0;
    // Removes a file; does nothing when there is no such file. A read-only file is refused.
    [[nodiscard]] virtual std::optional<base::Failure> Remove(const std::wstring& path) = 0;
};

}  // namespace platform
