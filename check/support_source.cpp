// Whether anyone but the system's own accounts could have put what the repair copies from the
// support source folder: it copies as LocalSystem into a runtime that every user's Java loads.
#include "base/text.h"
#include "check/check.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// FILE_WRITE_DATA (add a file), FILE_APPEND_DATA (add a folder), FILE_WRITE_EA,
// FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES, DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL and
// GENERIC_WRITE: each lets its holder change, replace or take over the file or folder.
constexpr std::uint32_t kChangeRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 |
                                        0x80000 | 0x10000000 | 0x40000000;

// SYSTEM, Administrators and TrustedInstaller, and the account that copies, which could as well
// write into the runtime itself.
bool IsTrusted(const std::wstring& sid, const std::wstring& ownAccount) {
    return sid == L"S-1-5-18" || sid == L"S-1-5-32-544" ||
           sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464" ||
           (!ownAccount.empty() && sid == ownAccount);
}

std::wstring OthersMayChange(platform::FileQueries& files, const std::wstring& path,
                             const std::wstring& ownAccount) {
    const auto access = files.AccessListOf(path);
    if (!access) return base::Concat({L"who may change ", path, L" cannot be told: ", access.failure().description});
    if (!IsTrusted(access->owner.sid, ownAccount)) return base::Concat({access->owner.name, L" owns ", path});
    if (access->unrestricted) return base::Concat({L"everyone may change ", path, L", which has no access list"});
    for (const auto& entry : access->allowed) {
        if ((entry.rights & kChangeRights) != 0 && !IsTrusted(entry.account.sid, ownAccount)) {
            return base::Concat({entry.account.name, L" may change ", path});
        }
    }
    return {};
}

}  // namespace

std::wstring OthersMayChangeSupportSource(platform::FileQueries& files) {
    const std::wstring ownAccount = files.OwnAccount();
    std::wstring found = OthersMayChange(files, mod_main::kSupportSourceFolder, ownAccount);
    for (std::size_t i = 0; found.empty() && i < mod_main::kSupportFiles.size(); ++i) {
        const std::wstring source = mod_main::SupportSource(mod_main::kSupportFiles[i]);
        if (files.FileExists(source)) found = OthersMayChange(files, source, ownAccount);
    }
    return found;
}

}  // namespace check
