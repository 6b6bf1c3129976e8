// Files and folders held by handle on Win32, for the work done with rights every user's Java
// trusts: each name opened relative to its held parent (NtCreateFile with a root folder), the
// name itself and not what a reparse point there leads to, and shared with no one who would
// rename or remove it. New files are made and renamed only relative to a held folder.
#include <winternl.h>

#include <memory>
#include <vector>

#include "platform/win32/held_handles.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

// ntdll is in every process already; its functions are taken from it rather than imported,
// at each use (a static would bring in the runtime's guard for it, and the exception runtime).
struct NativeCalls {
    decltype(&::NtCreateFile) createFile = nullptr;
    decltype(&::NtSetInformationFile) setInformation = nullptr;
    decltype(&::RtlNtStatusToDosError) statusToError = nullptr;

    static NativeCalls Get() {
        NativeCalls found;
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            found.createFile = reinterpret_cast<decltype(&::NtCreateFile)>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
            found.setInformation = reinterpret_cast<decltype(&::NtSetInformationFile)>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
            found.statusToError = reinterpret_cast<decltype(&::RtlNtStatusToDosError)>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        }
        return found;
    }
    bool Found() const { return createFile && setInformation && statusToError; }
    base::Failure Failure(NTSTATUS status) const { return SystemFailure(statusToError(status)); }
};

class Win32HeldItem final : public platform::HeldItem {
public:
    Win32HeldItem(HANDLE handle, platform::HeldFacts facts)
        : file_(handle), facts_(std::move(facts)) {}
    const platform::HeldFacts& Facts() const override { return facts_; }
    base::Result<platform::AccessList> Access() override { return AccessListOfHandle(file_.get()); }
    HANDLE get() const { return file_.get(); }

private:
    ScopedHandle file_;
    platform::HeldFacts facts_;
};

// The path the handle reaches, as "C:\..." or "\\server\share\...".
base::Result<std::wstring> FinalPath(HANDLE file) {
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, kFlags);
    if (needed == 0) return LastErrorFailure();
    std::wstring path(needed, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), needed, kFlags);
    if (length == 0) return LastErrorFailure();
    if (length >= needed) return SystemFailure(ERROR_INSUFFICIENT_BUFFER);  // renamed meanwhile
    path.resize(length);
    if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.starts_with(L"\\\\?\\")) return path.substr(4);
    return path;
}

}  // namespace

HANDLE HandleOf(platform::HeldItem& item) { return static_cast<Win32HeldItem&>(item).get(); }

base::Result<std::unique_ptr<platform::HeldItem>> Open(HANDLE root, const std::wstring& name,
                                                       ACCESS_MASK access, ULONG share,
                                                       ULONG disposition, ULONG options,
                                                       PSECURITY_DESCRIPTOR security) {
    const NativeCalls calls = NativeCalls::Get();
    if (!calls.Found()) return SystemFailure(ERROR_PROC_NOT_FOUND);
    UNICODE_STRING text{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES attributes{sizeof(attributes),   root,     &text,
                                 OBJ_CASE_INSENSITIVE, security, nullptr};
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = calls.createFile(
        &handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES | READ_CONTROL, &attributes, &io,
        nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
        options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (status < 0) return calls.Failure(status);
    ScopedHandle held(handle);
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return LastErrorFailure();
    const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A path that cannot be told is none, which the hold takes for one that leads elsewhere.
    auto finalPath = FinalPath(handle);
    platform::HeldFacts facts{(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                              information.nNumberOfLinks,
                              finalPath ? std::move(*finalPath) : std::wstring(), folder};
    return std::unique_ptr<platform::HeldItem>(
        std::make_unique<Win32HeldItem>(held.release(), std::move(facts)));
}

namespace {

// Folders are held for listing: Windows enforces a handle's refusal to share deletion only when
// it has data access. A source file is shared for reading alone, so no one writes it either.
base::Result<std::unique_ptr<platform::HeldItem>> OpenAs(HANDLE root, const std::wstring& name,
                                                         platform::HoldAs as) {
    switch (as) {
        case platform::HoldAs::Folder:
            return Open(root, name, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        FILE_OPEN, FILE_DIRECTORY_FILE);
        case platform::HoldAs::Source:
            return Open(root, name, FILE_READ_DATA, FILE_SHARE_READ, FILE_OPEN,
                        FILE_NON_DIRECTORY_FILE);
        case platform::HoldAs::Leftover:
            return Open(root, name, DELETE | FILE_WRITE_ATTRIBUTES, 0, FILE_OPEN,
                        FILE_NON_DIRECTORY_FILE);
    }
    return SystemFailure(ERROR_INVALID_PARAMETER);
}

std::optional<base::Failure> MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)))
        return LastErrorFailure();
    return std::nullopt;
}

// Writes the source's bytes, from its start, into the new file and through to the disk.
std::optional<base::Failure> WriteThrough(HANDLE from, HANDLE to) {
    if (!SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastErrorFailure();
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return LastErrorFailure();
        if (read == 0) break;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr)) return LastErrorFailure();
        if (written != read) return SystemFailure(ERROR_WRITE_FAULT);
    }
    if (!FlushFileBuffers(to)) return LastErrorFailure();
    return std::nullopt;
}

}  // namespace

std::optional<base::Failure> RenameWithin(HANDLE file, HANDLE folder, const std::wstring& name) {
    const NativeCalls calls = NativeCalls::Get();
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFORMATION) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(bytes);
    std::copy(name.begin(), name.end(), rename->FileName);
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = calls.setInformation(
        file, &io, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (status < 0) return calls.Failure(status);
    return std::nullopt;
}

// "\??\C:\": the drive's root, named in the native form that needs no root folder.
base::Result<std::unique_ptr<platform::HeldItem>> Win32HeldFiles::HoldRoot(
    const std::wstring& root) {
    return OpenAs(nullptr, L"\\??\\" + root, platform::HoldAs::Folder);
}

base::Result<std::unique_ptr<platform::HeldItem>> Win32HeldFiles::HoldChild(
    platform::HeldItem& parent, const std::wstring& name, platform::HoldAs as) {
    return OpenAs(HandleOf(parent), name, as);
}

// FILE_CREATE fails on any name that is taken, a link's too, so nothing is written through one;
// a failure after it takes the new file back through its own handle.
std::optional<base::Failure> Win32HeldFiles::CopyInto(platform::HeldItem& folder,
                                                      platform::HeldItem& source,
                                                      const std::wstring& temporaryName,
                                                      const std::wstring& name) {
    auto made = Open(HandleOf(folder), temporaryName, FILE_WRITE_DATA | DELETE, 0, FILE_CREATE,
                     FILE_NON_DIRECTORY_FILE);
    if (!made) return made.failure();
    const HANDLE file = HandleOf(**made);
    auto failure = WriteThrough(HandleOf(source), file);
    if (!failure) failure = RenameWithin(file, HandleOf(folder), name);
    if (failure) (void)MarkForDeletion(file);
    return failure;
}

// A read-only file is removed only once that attribute is cleared, which its handle may do.
std::optional<base::Failure> Win32HeldFiles::Remove(platform::HeldItem& leftover) {
    const HANDLE file = HandleOf(leftover);
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic)))
        return LastErrorFailure();
    if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)))
            return LastErrorFailure();
    }
    return MarkForDeletion(file);
}

}  // namespace win32
