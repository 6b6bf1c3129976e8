// Whether a repair may copy. It copies as LocalSystem from the support source folder into a
// runtime that every user's Java loads, so each folder and file on the way is opened by handle,
// never through a link, held until the copy ends, and must be owned and changeable by the
// system's own accounts alone.
#include "base/text.h"
#include "check/check.h"
#include "check/installed_runtimes.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// FILE_WRITE_DATA (add a file), FILE_APPEND_DATA (add a folder), FILE_WRITE_EA,
// FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES, DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL and
// GENERIC_WRITE: each lets its holder change, replace or take over the file or folder.
constexpr std::uint32_t kChangeRights =
    0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

// The folder the support source folder lies in, which must be as closed as it is: whoever may
// rename it may put a folder of their own in its place.
constexpr wchar_t kSourceParent[] = L"" SMS_SUPPORT_PARENT;

// SYSTEM, Administrators and TrustedInstaller, and the account that copies, which could as well
// write into the runtime itself.
bool IsTrusted(const std::wstring& sid, const std::wstring& ownAccount) {
    return sid == L"S-1-5-18" || sid == L"S-1-5-32-544" ||
           sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464" ||
           (!ownAccount.empty() && sid == ownAccount);
}

std::wstring OthersMayChange(const base::Result<platform::AccessList>& access,
                             const std::wstring& path, const std::wstring& ownAccount) {
    if (!access)
        return base::Concat(
            {L"who may change ", path, L" cannot be told: ", access.failure().description});
    if (!IsTrusted(access->owner.sid, ownAccount))
        return base::Concat({access->owner.name, L" owns ", path});
    if (access->unrestricted)
        return base::Concat({L"everyone may change ", path, L", which has no access list"});
    for (const auto& entry : access->allowed) {
        if ((entry.rights & kChangeRights) != 0 && !IsTrusted(entry.account.sid, ownAccount)) {
            return base::Concat({entry.account.name, L" may change ", path});
        }
    }
    return {};
}

class Holder {
public:
    Holder(const CheckPlatform& platform, RepairHold& hold)
        : held_(platform.held), ownAccount_(platform.files.OwnAccount()), hold_(hold) {}

    // Holds path and tells why the repair must not go through it; empty when it may.
    std::wstring Hold(const std::wstring& path, bool folder, const wchar_t* rule) {
        auto item = held_.Hold(path, folder);
        if (!item)
            return base::Concat(
                {L": ", path, L" cannot be held open: ", item.failure().description});
        const platform::HeldFacts& facts = (*item)->Facts();
        if (facts.reparsePoint) {
            return base::Concat(
                {L": ", path,
                 L" is a link, which the repair never follows; an administrator must "
                 L"remove it"});
        }
        if (FolderKey(facts.finalPath) != FolderKey(path)) {
            return base::Concat({L": ", path, L" leads to ", facts.finalPath,
                                 L", and the repair never follows a link"});
        }
        // A hard link is one file under two names, and the other may lie where anyone writes.
        if (!folder && facts.links != 1) {
            return base::Concat(
                {L": ", path, L" has ", base::DecimalText(static_cast<long>(facts.links)),
                 L" names, and the repair never copies a file that another name may change"});
        }
        const std::wstring who = OthersMayChange((*item)->Access(), path, ownAccount_);
        if (!who.empty()) return base::Concat({rule, who});
        if (!folder) hold_.sources.emplace_back(FolderKey(path), item->get());
        hold_.items.push_back(std::move(*item));
        return {};
    }

private:
    platform::HeldFiles& held_;
    std::wstring ownAccount_;
    RepairHold& hold_;
};

}  // namespace

// What is not there is not held: a copy from a missing source fails with the system's words,
// and one into a missing folder too.
std::wstring HoldForRepair(const CheckPlatform& platform, const std::wstring& home,
                           RepairHold& hold) {
    Holder holder(platform, hold);
    std::wstring why;
    for (const wchar_t* folder : {kSourceParent, mod_main::kSupportSourceFolder}) {
        if (why.empty() && platform.files.FolderExists(folder))
            why = holder.Hold(folder, true, kSourceRule);
    }
    for (const auto& file : mod_main::kSupportFiles) {
        const std::wstring source = mod_main::SupportSource(file);
        if (why.empty() && platform.files.FileExists(source))
            why = holder.Hold(source, false, kSourceRule);
    }
    return why.empty() && !home.empty() ? HoldRuntime(platform, home, hold) : why;
}

std::wstring HoldRuntime(const CheckPlatform& platform, const std::wstring& home,
                         RepairHold& hold) {
    Holder holder(platform, hold);
    std::wstring why;
    const std::wstring folder = WithoutTrailingBackslash(home);
    for (const wchar_t* below : {L"", L"\\bin", L"\\lib", L"\\lib\\ext"}) {
        if (why.empty() && platform.files.FolderExists(folder + below))
            why = holder.Hold(folder + below, true, kTargetRule);
    }
    const std::wstring java = folder + L"\\bin\\java.exe";
    if (why.empty() && platform.files.FileExists(java)) why = holder.Hold(java, false, kTargetRule);
    return why;
}

}  // namespace check
