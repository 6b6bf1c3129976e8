// Whether a repair may copy. It copies as LocalSystem from the support source folder into a
// runtime that every user's Java loads, so each folder and file on the way is opened by handle,
// never through a link, held until the copy ends, and must be owned and changeable by the
// system's own accounts alone.
#include "base/text.h"
#include "check/check.h"
#include "check/trust_rule.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// The folder the support source folder lies in, which must be as closed as it is: whoever may
// rename it may put a folder of their own in its place.
constexpr wchar_t kSourceParent[] = L"" SMS_SUPPORT_PARENT;

// The system's own accounts, and the account that copies, which could as well write into the
// runtime itself.
bool IsTrusted(const std::wstring& sid, const std::wstring& ownAccount) {
    for (const wchar_t* trusted : {SMS_TRUSTED_SIDS}) {
        if (sid == trusted) return true;
    }
    return !ownAccount.empty() && sid == ownAccount;
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
        if ((entry.rights & SMS_CHANGE_RIGHTS) != 0 && !IsTrusted(entry.account.sid, ownAccount)) {
            return base::Concat({entry.account.name, L" may change ", path});
        }
    }
    return {};
}

// Holds what is there, one path after the other, until the first that the repair must not go
// through; what is not there is not held: a copy from a missing source fails with the
// system's words, and one into a missing folder too.
class Holder {
public:
    Holder(const CheckPlatform& platform, RepairHold& hold)
        : platform_(platform), ownAccount_(platform.files.OwnAccount()), hold_(hold) {}

    void Hold(const std::wstring& path, bool folder, const wchar_t* rule) {
        const bool there =
            folder ? platform_.files.FolderExists(path) : platform_.files.FileExists(path);
        if (why_.empty() && there) why_ = WhyNot(path, folder, rule);
    }
    const std::wstring& Why() const { return why_; }

private:
    // Holds path and tells why the repair must not go through it; empty when it may.
    std::wstring WhyNot(const std::wstring& path, bool folder, const wchar_t* rule) {
        auto item = platform_.held.Hold(path, folder);
        if (!item) {
            return base::Concat(
                {L": ", path, L" cannot be held open: ", item.failure().description});
        }
        const platform::HeldFacts& facts = (*item)->Facts();
        if (facts.reparsePoint) {
            return base::Concat({L": ", path,
                                 L" is a link, which the repair never follows; an administrator "
                                 L"must remove it"});
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
        hold_.held.emplace_back(FolderKey(path), std::move(*item));
        return {};
    }

    const CheckPlatform& platform_;
    std::wstring ownAccount_;
    RepairHold& hold_;
    std::wstring why_;
};

void HoldRuntimeWith(Holder& holder, const std::wstring& home) {
    const std::wstring folder = WithoutTrailingBackslash(home);
    for (const wchar_t* below : {L"", L"\\bin", L"\\lib", L"\\lib\\ext"}) {
        holder.Hold(folder + below, true, kTargetRule);
    }
    holder.Hold(folder + L"\\bin\\java.exe", false, kTargetRule);
}

}  // namespace

std::wstring HoldForRepair(const CheckPlatform& platform, const std::wstring& home,
                           RepairHold& hold) {
    Holder holder(platform, hold);
    holder.Hold(kSourceParent, true, kSourceRule);
    holder.Hold(mod_main::kSupportSourceFolder, true, kSourceRule);
    for (const auto& file : mod_main::kSupportFiles) {
        holder.Hold(mod_main::SupportSource(file), false, kSourceRule);
    }
    if (!home.empty()) HoldRuntimeWith(holder, home);
    return holder.Why();
}

std::wstring HoldRuntime(const CheckPlatform& platform, const std::wstring& home,
                         RepairHold& hold) {
    Holder holder(platform, hold);
    HoldRuntimeWith(holder, home);
    return holder.Why();
}

}  // namespace check
