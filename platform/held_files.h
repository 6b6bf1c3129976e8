// Files and folders held open by handle for a copy made with rights that other users trust.
// A path is held from its drive's root down, one name at a time, each opened relative to its
// held parent and never through a link, and held so that no one renames or removes it while
// the work runs. Writes are made only relative to a held folder.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/registry.h"

namespace platform {

// The errors of a name that nothing has (besides kErrorFileNotFound): a folder on the way
// is missing.
inline constexpr long kErrorPathNotFound = 3;
// The errors of a new name that something has already.
inline constexpr long kErrorFileExists = 80;
inline constexpr long kErrorAlreadyExists = 183;

enum class EntryKind { Allows, Denies, Unknown };

struct AccessEntry {
    std::wstring sid;      // "S-1-5-32-545"
    std::uint32_t rights;  // the access mask, generic rights as they stand
    EntryKind kind = EntryKind::Allows;
};

// Who owns a file or folder and what its access list says of it. Entries that apply only to
// what a folder holds (inherit-only) are left out: they say nothing of the folder itself.
struct AccessList {
    std::wstring owner;         // the owner's SID
    bool unrestricted = false;  // no access list at all: everyone may do anything
    std::vector<AccessEntry> entries;
};

// What a held handle reaches.
struct HeldFacts {
    bool reparsePoint = false;  // a link, a junction or a mount point itself
    std::uint32_t links = 1;    // the names the file has; another is a hard link
    std::wstring finalPath;     // the path Windows resolves the handle to, "C:\..."
    bool folder = false;
};

class HeldItem {
public:
    virtual ~HeldItem() = default;
    virtual const HeldFacts& Facts() const = 0;
    // The owner and entries, read on the handle itself.
    virtual base::Result<AccessList> Access() = 0;
};

// How a name is held: a folder against renaming and removal; a source file for reading and
// against writes too; a leftover file for its removal.
enum class HoldAs { Folder, Source, Leftover };

class HeldFiles {
public:
    virtual ~HeldFiles() = default;

    // The root folder of a drive, "C:\".
    virtual base::Result<std::unique_ptr<HeldItem>> HoldRoot(const std::wstring& root) = 0;
    // The one name inside the held folder parent, opened relative to it, the name itself and
    // not what a link there leads to. Fails with the system's words, error 2 or 3 when
    // nothing has that name.
    virtual base::Result<std::unique_ptr<HeldItem>> HoldChild(HeldItem& parent,
                                                              const std::wstring& name,
                                                              HoldAs as) = 0;
    // Makes temporaryName new in the held folder (failing when anything, a link too, has that
    // name), writes the held source's bytes into it through to the disk, and renames it to
    // name in the same folder, never over anything. A failure leaves no new file.
    [[nodiscard]] virtual std::optional<base::Failure> CopyInto(HeldItem& folder, HeldItem& source,
                                                                const std::wstring& temporaryName,
                                                                const std::wstring& name) = 0;
    // Removes a file held as a leftover, read-only or not.
    [[nodiscard]] virtual std::optional<base::Failure> Remove(HeldItem& leftover) = 0;
    // The account's name, "BUILTIN\Users", for telling why; the SID where it has none.
    virtual std::wstring AccountName(const std::wstring& sid) = 0;
};

// What the package's step does besides, to its own support folder: make a folder that only
// the system's accounts may change, and rename one that others may change aside.
class HeldFolders {
public:
    virtual ~HeldFolders() = default;

    // Makes name a new folder in the held folder parent, and holds it: SYSTEM's and the
    // administrators' to change, the users' to read. Fails when anything, a link too, has
    // that name.
    virtual base::Result<std::unique_ptr<HeldItem>> MakeFolder(HeldItem& parent,
                                                               const std::wstring& name) = 0;
    // Renames the folder name in the held folder parent to newName there, never over anything
    // and never what a link leads to. Nothing may hold it meanwhile.
    [[nodiscard]] virtual std::optional<base::Failure> Rename(HeldItem& parent,
                                                              const std::wstring& name,
                                                              const std::wstring& newName) = 0;
};

}  // namespace platform
