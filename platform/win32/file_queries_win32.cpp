// The check's questions about files and programs on Win32, none of which changes anything.
#include <cstring>
#include <vector>

#include <aclapi.h>
#include <sddl.h>

#include "base/text.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring EnvironmentVariable(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return L"(an unreadable SID)";
    ScopedLocalMemory owner(text);
    return text;
}

}  // namespace

// Looked up only to tell why: on a domain desktop each name may cost a question to the domain.
std::wstring AccountName(const std::wstring& sidText) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(sidText.c_str(), &sid)) return sidText;
    ScopedLocalMemory owner(sid);
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        return sidText;
    return domainLength > 0 ? base::Concat({domain, L"\\", name}) : std::wstring(name);
}

// Each entry of the list as it stands: one that applies only to what a folder holds says nothing
// of the folder itself and is left out; one of a kind not known here is kept as unknown.
base::Result<platform::AccessList> AccessListOfHandle(HANDLE handle) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return SystemFailure(error);
    ScopedLocalMemory heldDescriptor(descriptor);
    platform::AccessList list{SidText(owner), dacl == nullptr, {}};
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return LastErrorFailure();
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        // A callback entry allows or denies as a plain one does when its condition holds.
        platform::EntryKind kind = platform::EntryKind::Unknown;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
            header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            kind = platform::EntryKind::Allows;
        } else if (header->AceType == ACCESS_DENIED_ACE_TYPE ||
                   header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE) {
            kind = platform::EntryKind::Denies;
        }
        // The plain, callback, allowing and denying entries share one layout.
        const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        list.entries.push_back(
            {kind == platform::EntryKind::Unknown ? std::wstring()
                                                  : SidText(const_cast<DWORD*>(&entry->SidStart)),
             kind == platform::EntryKind::Unknown ? 0xFFFFFFFFu : entry->Mask, kind});
    }
    return list;
}

std::string Win32FileQueries::ReadFileStart(const std::wstring& path, std::size_t maxBytes) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes(maxBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(maxBytes), &read, nullptr))
        return {};
    bytes.resize(read);
    return bytes;
}

std::wstring Win32FileQueries::OwnAccount() {
    HANDLE processToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &processToken)) return {};
    ScopedHandle token(processToken);
    DWORD needed = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> user(needed > 0 ? needed : 1);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), needed, &needed)) return {};
    return SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

// CreateProcess looks for a program named without a folder in the starting program's folder,
// its current folder, the 32-bit and the 16-bit system folders, the Windows folder and the
// folders of PATH, in that order, and adds ".exe" to a name without an extension.
std::wstring Win32FileQueries::FindProgram(const std::wstring& name,
                                           const std::wstring& programFolder) {
    const std::wstring file = name.find(L'.') == std::wstring::npos ? name + L".exe" : name;
    const std::wstring windows = WindowsFolder();
    const std::wstring folders =
        base::Concat({programFolder, L";", SystemFolder(), L";", windows, L"\\system;", windows,
                      L";", EnvironmentVariable(L"PATH")});
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(L';', start);
        if (end == std::wstring::npos) end = folders.size();
        std::wstring folder = folders.substr(start, end - start);
        start = end + 1;
        std::erase(folder, L'"');
        if (folder.empty()) continue;
        if (folder.back() != L'\\') folder += L'\\';
        if (IsFile(folder + file)) return folder + file;
    }
    return {};
}

bool Win32FileQueries::FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Asks the folder's permissions whether this process's token may add a file to it, as the
// copies need, without writing anything. An administrator without elevation is refused
// under Program Files here, as the copies would be.
platform::WriteAccess Win32FileQueries::WriteAccessTo(const std::wstring& folder) {
    constexpr SECURITY_INFORMATION kParts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetFileSecurityW(folder.c_str(), kParts, nullptr, 0, &needed);
    if (needed == 0) return platform::WriteAccess::Unknown;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityW(folder.c_str(), kParts, descriptor.data(), needed, &needed)) {
        return platform::WriteAccess::Unknown;
    }
    HANDLE processToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &processToken)) {
        return platform::WriteAccess::Unknown;
    }
    ScopedHandle ownToken(processToken);
    HANDLE impersonationToken = nullptr;
    if (!DuplicateToken(ownToken.get(), SecurityImpersonation, &impersonationToken)) {
        return platform::WriteAccess::Unknown;
    }
    ScopedHandle token(impersonationToken);
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                            FILE_ALL_ACCESS};
    DWORD desired = FILE_ADD_FILE;
    MapGenericMask(&desired, &mapping);
    PRIVILEGE_SET privileges{};
    DWORD privilegesLength = sizeof(privileges);
    DWORD granted = 0;
    BOOL allowed = FALSE;
    if (!AccessCheck(descriptor.data(), token.get(), desired, &mapping, &privileges,
                     &privilegesLength, &granted, &allowed)) {
        return platform::WriteAccess::Unknown;
    }
    return allowed ? platform::WriteAccess::Allowed : platform::WriteAccess::Denied;
}

// The version resource is read from the program mapped as an image resource, not through
// VERSION.dll: that DLL is no KnownDLL, so importing it would let a version.dll planted beside
// this program run before wmain. The resource holds VS_VERSIONINFO: three words, the key
// "VS_VERSION_INFO" with its NUL, padding to four bytes, then VS_FIXEDFILEINFO.
std::wstring Win32FileQueries::FileVersion(const std::wstring& path) {
    ScopedModule module(LoadLibraryExW(path.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return {};
    HRSRC resource = FindResourceW(module.get(), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    if (!resource) return {};
    const auto* bytes =
        static_cast<const BYTE*>(LockResource(LoadResource(module.get(), resource)));
    constexpr std::size_t kFixedAt = 40;
    if (!bytes || SizeofResource(module.get(), resource) < kFixedAt + sizeof(VS_FIXEDFILEINFO))
        return {};
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes + kFixedAt, sizeof(fixed));
    if (fixed.dwSignature != 0xFEEF04BD) return {};
    return base::Concat({base::DecimalText(HIWORD(fixed.dwFileVersionMS)), L".",
                         base::DecimalText(LOWORD(fixed.dwFileVersionMS)), L".",
                         base::DecimalText(HIWORD(fixed.dwFileVersionLS)), L".",
                         base::DecimalText(LOWORD(fixed.dwFileVersionLS))});
}

}  // namespace win32
