// Where DLLs are loaded from, set once at start-up, and which links the privileged steps follow.
#include "platform/win32/win32_platform.h"

namespace win32 {

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) setDefaultDllDirectories(kLoadLibrarySearchSystem32);
    SetDllDirectoryW(L"");
}

// Windows 11 22H2 and later then follow no junction that a user who is not an administrator
// made; elsewhere the policy is missing, and the holds guard alone.
void TrustOnlyAdministratorsRedirections() {
    using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    const auto setPolicy = reinterpret_cast<SetProcessMitigationPolicyFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy")));
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy{};
    policy.EnforceRedirectionTrust = 1;
    if (setPolicy) setPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof(policy));
}

}  // namespace win32
