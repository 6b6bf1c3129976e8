// Whether a repair may copy, and /register may name a runtime. The repair copies as LocalSystem
// from the support source folder into a runtime that every user's Java loads, so each folder
// and file on the way is opened by handle from the drive's root down, a name at a time relative
// to its held parent, never through a link, held until the work ends, and judged by who may
// change it: the system's own accounts alone.
#include "check/hold.h"

#include "base/text.h"
#include "check/trust_rule.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// The system's own accounts, and the account that copies, which could as well write into the
// runtime itself.
bool IsTrusted(const std::wstring& sid, const std::wstring& ownAccount) {
    for (const wchar_t* trusted : {SMS_TRUSTED_SIDS}) {
        if (sid == trusted) return true;
    }
    return !ownAccount.empty() && sid == ownAccount;
}

// A reason of the program's own not to use what it holds, told as it follows "Nothing was
// copied".
base::Failure Refusal(std::wstring reason) { return base::Failure::Own(0, std::move(reason)); }

// What the folders and files are held under: a folder above what is read or written must not
// be renamed or replaced by others; what is read or written must not be changed at all. The
// reason for the source, for the runtime copied into, for every folder above either of them
// (the drive's root included), and for the package's installed folder.
struct Rule {
    const wchar_t* what;  // what only the trusted accounts may do, and to what
    bool closed;
};
constexpr Rule kSource{L"own or change what the repair copies", true};
constexpr Rule kTarget{L"own or change a runtime that every user's start runs", true};
constexpr Rule kAbove{L"own, rename or replace a folder above what the repair reads or writes",
                      false};
constexpr Rule kInstalled{
    L"own or change the folder whose files the package's step uses as LocalSystem", true};

// The rule as a reason begins with it.
std::wstring Under(const Rule& rule) {
    return base::Concat(
        {L", since only SYSTEM, the administrators and TrustedInstaller may ", rule.what, L": "});
}

class Holder {
public:
    // Inline at each hold: the check is built to a size.
    [[gnu::always_inline]] Holder(const CheckPlatform& platform, RepairHold& hold)
        : held_(platform.held), ownAccount_(platform.queries.OwnAccount()), hold_(hold) {}

    // Holds the folder at path and each folder above it, the drive's root first, those above
    // under kAbove and path itself under rule. Nothing once a reason has been found, or a
    // folder on the way is not there.
    platform::HeldItem* HoldFolder(const std::wstring& given, const Rule& rule) {
        if (why_) return nullptr;
        const std::wstring path = WithoutTrailingBackslash(given);
        if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') {
            why_ = Refusal(base::Concat({L": ", path, L" is not on a drive of this computer"}));
            return nullptr;
        }
        platform::HeldItem* folder = Root(path.substr(0, 3), path.size() == 3 ? rule : kAbove);
        std::wstring reached = path.substr(0, 3);
        for (std::size_t start = 3; folder && start < path.size();) {
            std::size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos) end = path.size();
            folder = Child(*folder, reached, path.substr(start, end - start),
                           platform::HoldAs::Folder, end == path.size() ? rule : kAbove);
            reached = path.substr(0, end);
            start = end + 1;
        }
        return folder;
    }

    // Holds name inside the held folder at parentPath.
    platform::HeldItem* HoldName(const std::wstring& parentPath, const std::wstring& name,
                                 platform::HoldAs as, const Rule& rule) {
        platform::HeldItem* parent = why_ ? nullptr : hold_.Find(parentPath);
        return parent ? Child(*parent, parentPath, name, as, rule) : nullptr;
    }

    const std::optional<base::Failure>& Why() const { return why_; }

private:
    platform::HeldItem* Root(const std::wstring& root, const Rule& rule) {
        if (platform::HeldItem* held = hold_.Find(root))
            return Judged(*held, nullptr, {}, root, rule);
        return Judged(held_.HoldRoot(root), nullptr, {}, root, rule);
    }

    platform::HeldItem* Child(platform::HeldItem& parent, const std::wstring& parentPath,
                              const std::wstring& name, platform::HoldAs as, const Rule& rule) {
        const std::wstring path = PathIn(parentPath, name);
        if (name.empty() || name == L"." || name == L".." ||
            name.find_first_of(L"/:*?\"<>|") != std::wstring::npos) {
            why_ = Refusal(base::Concat({L": ", path, L" is not a plain path"}));
            return nullptr;
        }
        if (platform::HeldItem* held = hold_.Find(path))
            return Judged(*held, &parent, parentPath, path, rule);
        return Judged(held_.HoldChild(parent, name, as), &parent, parentPath, path, rule);
    }

    platform::HeldItem* Judged(base::Result<std::unique_ptr<platform::HeldItem>> opened,
                               platform::HeldItem* parent, const std::wstring& parentPath,
                               const std::wstring& path, const Rule& rule) {
        if (!opened) {
            // What is not there is no refusal: the copy that needs it fails with these words.
            if (NotThere(opened.failure())) {
                hold_.missing.emplace_back(FolderForComparison(path), opened.failure());
            } else {
                why_ = Refusal(base::Concat(
                    {L": ", path, L" cannot be held open: ", opened.failure().description}));
            }
            return nullptr;
        }
        platform::HeldItem* item = opened->get();
        hold_.held.emplace_back(FolderForComparison(path), std::move(*opened));
        return Judged(*item, parent, parentPath, path, rule);
    }

    platform::HeldItem* Judged(platform::HeldItem& item, platform::HeldItem* parent,
                               const std::wstring& parentPath, const std::wstring& path,
                               const Rule& rule) {
        why_ = WhyNotUsable(item, parent ? Within(*parent, path) : path);
        if (!why_) why_ = WhoMayChange(item, path, rule);
        if (!why_ && parent) why_ = WhoMayRemove(*parent, parentPath, path, rule);
        return why_ ? nullptr : &item;
    }

    // Where the item must lead: its held parent's final path and its own name.
    static std::wstring Within(const platform::HeldItem& parent, const std::wstring& path) {
        return PathIn(parent.Facts().finalPath,
                      std::wstring_view(path).substr(path.rfind(L'\\') + 1));
    }

public:
    // Whoever but the trusted accounts owns the item, or holds a right on it that lets them
    // change it (under kAbove: rename or replace it).
    std::optional<base::Failure> WhoMayChange(platform::HeldItem& item, const std::wstring& path,
                                              const Rule& rule) {
        const auto access = item.Access();
        if (!access) {
            return Refusal(base::Concat({Under(rule), L"who may change ", path,
                                         L" cannot be told: ", access.failure().description}));
        }
        if (!IsTrusted(access->owner, ownAccount_)) {
            return Refusal(
                base::Concat({Under(rule), held_.AccountName(access->owner), L" owns ", path}));
        }
        if (access->unrestricted) {
            return Refusal(base::Concat(
                {Under(rule), L"everyone may change ", path, L", which has no access list"}));
        }
        const std::uint32_t rights = rule.closed ? SMS_CHANGE_RIGHTS : SMS_REPLACE_RIGHTS;
        const wchar_t* may = rule.closed ? L" may change " : L" may rename or replace ";
        if (auto who = Holding(*access, rights, may, path, L"")) return Refusal(Under(rule) + *who);
        return std::nullopt;
    }

    // Whoever but the trusted accounts may remove or rename the item at path from its parent.
    std::optional<base::Failure> WhoMayRemove(platform::HeldItem& parent,
                                              const std::wstring& parentPath,
                                              const std::wstring& path, const Rule& rule) {
        const auto above = parent.Access();
        if (!above) {
            return Refusal(base::Concat({Under(rule), L"who may change ", parentPath,
                                         L" cannot be told: ", above.failure().description}));
        }
        const std::wstring in = base::Concat({L" in ", parentPath});
        if (auto who =
                Holding(*above, SMS_DELETE_CHILD_RIGHTS, L" may remove or rename ", path, in))
            return Refusal(Under(rule) + *who);
        return std::nullopt;
    }

private:
    // The first account but the trusted ones that an entry gives any of rights, told as who
    // may do what; an entry of a kind this program does not know counts as one that gives all.
    std::optional<std::wstring> Holding(const platform::AccessList& access, std::uint32_t rights,
                                        const wchar_t* may, const std::wstring& path,
                                        const std::wstring& where) {
        for (const auto& entry : access.entries) {
            const bool unknown = entry.kind == platform::EntryKind::Unknown;
            if (unknown || (entry.kind == platform::EntryKind::Allows &&
                            (entry.rights & rights) != 0 && !IsTrusted(entry.sid, ownAccount_))) {
                return base::Concat({held_.AccountName(entry.sid), may, path, where});
            }
        }
        return std::nullopt;
    }

    platform::HeldFiles& held_;
    std::wstring ownAccount_;
    RepairHold& hold_;
    std::optional<base::Failure> why_;
};

void HoldRuntimeWith(Holder& holder, const std::wstring& home) {
    const std::wstring folder = WithoutTrailingBackslash(home);
    holder.HoldFolder(folder, kTarget);
    holder.HoldName(folder, L"bin", platform::HoldAs::Folder, kTarget);
    holder.HoldName(folder, L"lib", platform::HoldAs::Folder, kTarget);
    holder.HoldName(folder + L"\\lib", L"ext", platform::HoldAs::Folder, kTarget);
    holder.HoldName(folder + L"\\bin", L"java.exe", platform::HoldAs::Source, kTarget);
}

}  // namespace

platform::HeldItem* RepairHold::Find(const std::wstring& path) const {
    const std::wstring key = FolderForComparison(path);
    for (const auto& [heldKey, item] : held) {
        if (heldKey == key) return item.get();
    }
    return nullptr;
}

const base::Failure* RepairHold::Missing(const std::wstring& path) const {
    const std::wstring key = FolderForComparison(path);
    for (const auto& [missingKey, failure] : missing) {
        if (missingKey == key) return &failure;
    }
    return nullptr;
}

std::optional<base::Failure> WhyNotUsable(const platform::HeldItem& item,
                                          const std::wstring& path) {
    const platform::HeldFacts& facts = item.Facts();
    if (facts.reparsePoint) {
        return Refusal(base::Concat({L": ", path,
                                     L" is a link, which the repair never follows; an "
                                     L"administrator must remove it"}));
    }
    if (!SameFolder(facts.finalPath, path)) {
        return Refusal(base::Concat({L": ", path, L" leads to ", facts.finalPath,
                                     L", and the repair never follows a link"}));
    }
    // A hard link is one file under two names, and the other may lie where anyone writes.
    if (!facts.folder && facts.links != 1) {
        return Refusal(base::Concat(
            {L": ", path, L" has ", base::DecimalText(static_cast<long>(facts.links)),
             L" names, and the repair never copies a file that another name may change"}));
    }
    return std::nullopt;
}

std::optional<base::Failure> HoldForRepair(const CheckPlatform& platform, const std::wstring& home,
                                           RepairHold& hold) {
    Holder holder(platform, hold);
    // Whoever may change the folder above the source may put a folder of their own in its place.
    holder.HoldFolder(mod_main::kSupportSourceParent, kSource);
    holder.HoldFolder(mod_main::kSupportSourceFolder, kSource);
    for (const auto& file : mod_main::kSupportFiles) {
        holder.HoldName(mod_main::kSupportSourceFolder, file.fileName, platform::HoldAs::Source,
                        kSource);
    }
    if (!home.empty()) HoldRuntimeWith(holder, home);
    return holder.Why();
}

std::optional<base::Failure> HoldInstalled(const CheckPlatform& platform,
                                           const std::wstring& installed,
                                           const std::vector<std::wstring>& names,
                                           RepairHold& hold) {
    Holder holder(platform, hold);
    const std::wstring folder = WithoutTrailingBackslash(installed);
    holder.HoldFolder(folder, kInstalled);
    for (const auto& name : names) {
        const std::size_t slash = name.rfind(L'\\');
        std::wstring parent = folder;
        if (slash != std::wstring::npos) {
            holder.HoldName(folder, name.substr(0, slash), platform::HoldAs::Folder, kInstalled);
            parent = PathIn(folder, name.substr(0, slash));
        }
        holder.HoldName(parent, name.substr(slash + 1), platform::HoldAs::Source, kInstalled);
    }
    return holder.Why();
}

std::optional<base::Failure> HoldAbove(const CheckPlatform& platform, const std::wstring& folder,
                                       RepairHold& hold) {
    Holder holder(platform, hold);
    holder.HoldFolder(folder, kAbove);
    return holder.Why();
}

std::optional<base::Failure> WhoMayChange(const CheckPlatform& platform, platform::HeldItem& item,
                                          const std::wstring& path) {
    RepairHold unused;
    return Holder(platform, unused).WhoMayChange(item, path, kSource);
}

std::optional<base::Failure> WhoMayRemove(const CheckPlatform& platform, platform::HeldItem& parent,
                                          const std::wstring& parentPath,
                                          const std::wstring& path) {
    RepairHold unused;
    return Holder(platform, unused).WhoMayRemove(parent, parentPath, path, kSource);
}

std::optional<base::Failure> HoldRuntime(const CheckPlatform& platform, const std::wstring& home,
                                         RepairHold& hold) {
    Holder holder(platform, hold);
    HoldRuntimeWith(holder, home);
    return holder.Why();
}

}  // namespace check
