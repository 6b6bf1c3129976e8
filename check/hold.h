// What a repair and /register hold open while they work with rights every user's Java trusts:
// each path from its drive's root down, a name at a time, never through a link, and each
// folder and file under the trust rule.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "check/check.h"
#include "platform/held_files.h"

namespace check {

// Whether the failure is Windows' word that nothing has the name, or that a folder on the way
// is missing: what is not there is no refusal.
inline bool NotThere(const base::Failure& failure) {
    return failure.Is(platform::kErrorFileNotFound) || failure.Is(platform::kErrorPathNotFound);
}

// What is held, by FolderForComparison, until the work ends; and what was not there, with the
// system's words, for the copy that needs it to tell.
struct RepairHold {
    std::vector<std::pair<std::wstring, std::unique_ptr<platform::HeldItem>>> held;
    std::vector<std::pair<std::wstring, base::Failure>> missing;

    platform::HeldItem* Find(const std::wstring& path) const;
    const base::Failure* Missing(const std::wstring& path) const;
};

// Holds what a repair into home reads and writes (only the source when home is empty), and
// refuses when it must not copy: a path it cannot hold, a link on the way, a file with another
// name, or someone other than SYSTEM, the administrators, TrustedInstaller and this account
// who owns one of them or may change it (may rename or replace it, for a folder above). A
// refusal is the program's own failure, number 0, whose description is the reason as it
// follows "Nothing was copied".
std::optional<base::Failure> HoldForRepair(const CheckPlatform& platform, const std::wstring& home,
                                           RepairHold& hold);
// The runtime's folder, the folders above it, bin, lib, lib\ext and bin\java.exe alone, by
// the same rules.
std::optional<base::Failure> HoldRuntime(const CheckPlatform& platform, const std::wstring& home,
                                         RepairHold& hold);

// The folder the package was installed to and the folders above it, and the files its step
// uses there (a name, or a folder and a name: "GsmModemJar\\jdc.jar"), by the same rules. What
// is not there is left out.
std::optional<base::Failure> HoldInstalled(const CheckPlatform& platform,
                                           const std::wstring& installed,
                                           const std::vector<std::wstring>& names,
                                           RepairHold& hold);

// The folder and every folder above it, each by the rule for a folder above.
std::optional<base::Failure> HoldAbove(const CheckPlatform& platform, const std::wstring& folder,
                                       RepairHold& hold);

// Refuses when someone but the trusted accounts owns the held item at path, or may change it;
// and, given its held parent, when someone may remove or rename it from there.
std::optional<base::Failure> WhoMayChange(const CheckPlatform& platform, platform::HeldItem& item,
                                          const std::wstring& path);
std::optional<base::Failure> WhoMayRemove(const CheckPlatform& platform, platform::HeldItem& parent,
                                          const std::wstring& parentPath, const std::wstring& path);

// Refuses what was just held for path when it must not be used: a link, a path that leads
// elsewhere, a file with another name.
std::optional<base::Failure> WhyNotUsable(const platform::HeldItem& item, const std::wstring& path);

}  // namespace check
