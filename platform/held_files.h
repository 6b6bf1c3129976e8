// Files and folders held open by handle for a copy made with rights that other users trust:
// never opened through a link, and held so that no one renames, replaces or writes them
// while the copy runs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/failure.h"
#include "platform/file_queries.h"

namespace platform {

// What a held handle reaches.
struct HeldFacts {
    bool reparsePoint = false;  // a link, a junction or a mount point itself
    std::uint32_t links = 1;    // the names the file has; another is a hard link
    std::wstring finalPath;     // the path Windows resolves the handle to, "C:\..."
};

class HeldItem {
public:
    virtual ~HeldItem() = default;
    virtual const HeldFacts& Facts() const = 0;
    // The owner and allowing entries, read on the handle itself.
    virtual base::Result<AccessList> Access() = 0;
};

class HeldFiles {
public:
    virtual ~HeldFiles() = default;

    // Opens path itself, not what a link there points to. A folder is held against renaming
    // and removal; a file is opened for reading and held against writes too.
    virtual base::Result<std::unique_ptr<HeldItem>> Hold(const std::wstring& path, bool folder) = 0;
    // Writes the bytes of a held file into a new file target, through to the disk. Fails when
    // anything, a link too, already has that name.
    [[nodiscard]] virtual std::optional<base::Failure> CopyHeld(HeldItem& source,
                                                                const std::wstring& target) = 0;
};

}  // namespace platform
