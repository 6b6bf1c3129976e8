// The installer's step as custom actions in the MSI: deferred, as LocalSystem, the check's own
// code wired to Win32, its lines written into the installer's log, where an administrator who
// installed with /l*v finds them. Only a folder others may change fails the install: no Java
// yet, or no source folder, is a report, not an error.
#include <windows.h>
// After windows.h, which they need.
#include <msi.h>
#include <msiquery.h>
#include <taskschd.h>

#include <string>

#include "base/text.h"
#include "check/package_step.h"
#include "platform/win32/console.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace {

// Where the package remembers the runtime folder that its JAVAHOME registered, so that the
// removal takes back that registration and no other.
constexpr wchar_t kPackageKey[] = L"SOFTWARE\\" SMS_MANUFACTURER L"\\" SMS_PRODUCT_NAME;
constexpr wchar_t kRegisteredValue[] = L"RegisteredJavaHome";

// The log formats what it is given, and does so again with whatever a field puts in, so a
// "[...]" in a key name or a path would be read as a property and vanish. Each bracket goes
// in as its escape, "[\[]" or "[\]]", which the formatting turns back into the bracket.
void Log(MSIHANDLE install, const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        if (c == L'[' || c == L']') {
            escaped += L"[\\";
            escaped += c;
            escaped += L']';
        } else {
            escaped += c;
        }
    }
    const MSIHANDLE record = MsiCreateRecord(0);
    if (!record) return;
    MsiRecordSetStringW(record, 0, escaped.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

void Log(MSIHANDLE install, const check::StepLog& lines) {
    for (const auto& line : lines) Log(install, line);
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD length = 0;
    wchar_t none[1] = L"";
    if (MsiGetPropertyW(install, name, none, &length) != ERROR_MORE_DATA) return {};
    std::wstring value(++length, L'\0');
    if (MsiGetPropertyW(install, name, value.data(), &length) != ERROR_SUCCESS) return {};
    value.resize(length);
    return value;
}

// CustomActionData as "<first>|<rest>": a "|" that no path holds.
std::pair<std::wstring, std::wstring> Split(const std::wstring& data) {
    const std::size_t bar = data.find(L'|');
    if (bar == std::wstring::npos) return {data, {}};
    return {data.substr(0, bar), data.substr(bar + 1)};
}

std::wstring ReadRegistered() {
    wchar_t folder[MAX_PATH] = L"";
    DWORD size = sizeof(folder) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kPackageKey, kRegisteredValue, RRF_RT_REG_SZ, nullptr,
                     folder, &size) != ERROR_SUCCESS) {
        return {};
    }
    return folder;
}

// Remembers folder as the one the package registered; empty text forgets it.
void WriteRegistered(const std::wstring& folder) {
    if (!folder.empty()) {
        (void)win32::Win32RegistryWriter().WriteText(kPackageKey, kRegisteredValue, folder);
        return;
    }
    win32::ScopedKey opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPackageKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      opened.Out()) == ERROR_SUCCESS) {
        RegDeleteValueW(opened.get(), kRegisteredValue);
    }
}

// The check's platform on Win32, as SmsServerCheck.exe wires it.
struct Platform {
    win32::Win32Registry registry;
    win32::Win32Registry registry64{KEY_WOW64_64KEY};
    win32::Win32FileQueries files;
    win32::Win32HeldFiles held;
    win32::Win32HeldFolders folders;
    win32::Win32RegistryWriter writer;

    Platform() { win32::TrustOnlyAdministratorsRedirections(); }
    check::CheckPlatform Check() {
        return {registry, win32::Is64BitWindows() ? &registry64 : nullptr, files, held};
    }
};

// Both rollbacks: what the install or removal changed among the runtime keys goes back to the
// record ReadRegistration took, and so does the package's memory of what it registered.
UINT RollBack(MSIHANDLE install) {
    const check::RegistrationRecord before =
        check::DecodeRecord(Property(install, L"CustomActionData"));
    Platform platform;
    check::StepLog log;
    check::RollBackRegistration(platform.Check(), platform.writer, before, log);
    Log(install, log);
    WriteRegistered(before.registered);
    return ERROR_SUCCESS;
}

// COM objects and texts, owned as every handle here is.
template <typename T>
void ReleaseObject(T* object) {
    object->Release();
}
template <typename T>
using ScopedCom = win32::Scoped<T*, ReleaseObject<T>>;
using ScopedBstr = win32::Scoped<BSTR, SysFreeString>;

// The Task Scheduler's root folder, and what was done with it; a failure as its HRESULT.
template <typename Work>
HRESULT WithTaskFolder(Work work) {
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT result = initialized == RPC_E_CHANGED_MODE ? S_OK : initialized;
    {
        ScopedCom<ITaskService> service;
        ScopedCom<ITaskFolder> root;
        VARIANT none;
        VariantInit(&none);
        const ScopedBstr rootName(SysAllocString(L"\\"));
        if (SUCCEEDED(result)) {
            result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ITaskService, reinterpret_cast<void**>(service.Out()));
        }
        if (SUCCEEDED(result)) result = service.get()->Connect(none, none, none, none);
        if (SUCCEEDED(result)) result = service.get()->GetFolder(rootName.get(), root.Out());
        if (SUCCEEDED(result)) result = work(*root.get(), none);
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
    return result;
}

// "SMS Server task: "SMS Server repair" <done>", or <failed> with the system's words.
std::wstring TaskLine(const wchar_t* done, const wchar_t* failed, HRESULT result) {
    const std::wstring head =
        base::Concat({L"" SMS_PRODUCT_NAME L" task: \"", check::kBootTaskName, L"\" "});
    if (SUCCEEDED(result)) return head + done;
    wchar_t code[16];
    wsprintfW(code, L"0x%08lX", static_cast<unsigned long>(result));
    return base::Concat(
        {head, failed, L": ", win32::SystemFailure(result).description, L" (error ", code, L")"});
}

}  // namespace

extern "C" {

// CustomActionData: the installed folder, a "|", and "create" when the package brings the
// support files, which it installs below its own folder and copies from there: InstallFiles,
// as LocalSystem, would write through a link on the way.
__declspec(dllexport) UINT __stdcall PlaceSupportFiles(MSIHANDLE install) {
    const auto [installed, mode] = Split(Property(install, L"CustomActionData"));
    Platform platform;
    check::StepLog log;
    const bool placed = check::PlaceSupportFiles(platform.Check(), platform.folders, installed,
                                                 mode == L"create", log);
    Log(install, log);
    return placed ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// CustomActionData: the installed folder, a "|", and JAVAHOME, registered first; a refusal is
// logged and does not stop the repair.
__declspec(dllexport) UINT __stdcall RunRepair(MSIHANDLE install) {
    const auto [installed, javaHome] = Split(Property(install, L"CustomActionData"));
    if (installed.empty()) {
        Log(install, std::wstring(check::kRepairLine) +
                         L"the installed folder is not known; nothing was repaired");
        return ERROR_SUCCESS;
    }
    Platform platform;
    check::StepLog log;
    const std::wstring registered = ReadRegistered();
    const std::wstring now = check::RepairForPackage(platform.Check(), platform.writer, installed,
                                                     javaHome, registered, log);
    if (now != registered) WriteRegistered(now);
    Log(install, log);
    return ERROR_SUCCESS;
}

// Immediate, before the script is written: hands the removal the folder the package
// registered, and both rollbacks the record of the keys as they are now. Refuses JAVAHOME
// where no rollback could take its registration back.
__declspec(dllexport) UINT __stdcall ReadRegistration(MSIHANDLE install) {
    if (Property(install, L"REMOVE").empty() && !Property(install, L"JAVAHOME").empty() &&
        !Property(install, L"RollbackDisabled").empty()) {
        Log(install, check::kNoRollbackLine);
        return ERROR_INSTALL_FAILURE;
    }
    const std::wstring registered = ReadRegistered();
    win32::Win32Registry registry;
    const std::wstring record =
        check::EncodeRecord(check::RecordRegistration(registry, registered));
    MsiSetPropertyW(install, L"RunUnregister", registered.c_str());
    MsiSetPropertyW(install, L"RollbackUnregister", record.c_str());
    MsiSetPropertyW(install, L"RollbackRegister", record.c_str());
    return ERROR_SUCCESS;
}

// At the removal (not an upgrade's): /unregister of the folder that the install registered.
__declspec(dllexport) UINT __stdcall RunUnregister(MSIHANDLE install) {
    const std::wstring registered = Property(install, L"CustomActionData");
    if (registered.empty()) return ERROR_SUCCESS;
    Platform platform;
    check::StepLog log;
    if (check::UnregisterForPackage(platform.Check(), platform.writer, registered, log))
        WriteRegistered(L"");
    Log(install, log);
    return ERROR_SUCCESS;
}

// CustomActionData: the installed folder. A task that cannot be registered is logged and does
// not fail the install: the desktop works, and /repair as administrator does what it would.
__declspec(dllexport) UINT __stdcall RegisterBootTask(MSIHANDLE install) {
    const std::wstring definition =
        check::BootTaskDefinition(Property(install, L"CustomActionData"));
    const HRESULT result = WithTaskFolder([&](ITaskFolder& root, VARIANT none) {
        ScopedCom<IRegisteredTask> task;
        const ScopedBstr name(SysAllocString(check::kBootTaskName));
        const ScopedBstr xml(SysAllocString(definition.c_str()));
        return root.RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, none, none,
                                 TASK_LOGON_SERVICE_ACCOUNT, none, task.Out());
    });
    Log(install, TaskLine(L"is registered: at each start of Windows it repairs as LocalSystem",
                          L"could not be registered", result));
    return ERROR_SUCCESS;
}

__declspec(dllexport) UINT __stdcall RemoveBootTask(MSIHANDLE install) {
    const HRESULT result = WithTaskFolder([](ITaskFolder& root, VARIANT) {
        const ScopedBstr name(SysAllocString(check::kBootTaskName));
        const HRESULT removed = root.DeleteTask(name.get(), 0);
        return removed == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : removed;
    });
    Log(install, TaskLine(L"is removed", L"could not be removed", result));
    return ERROR_SUCCESS;
}

__declspec(dllexport) UINT __stdcall RollbackRegister(MSIHANDLE install) {
    return RollBack(install);
}

__declspec(dllexport) UINT __stdcall RollbackUnregister(MSIHANDLE install) {
    return RollBack(install);
}

}  // extern "C"
