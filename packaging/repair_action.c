/* The installer's repair step: deferred custom actions, run elevated as LocalSystem. The first
 * locks the support folder down before the files go in; the second starts
 * SmsServerCheck.exe /repair from the installed folder (its CustomActionData) and writes the
 * report, line by line, into the installer's log, where an administrator who installed with
 * /l*v finds it. Neither fails the install: no Java yet, or no source folder, is a report, not
 * an error. */
#include <windows.h>
#include <aclapi.h>
#include <msi.h>
#include <msiquery.h>
#include <sddl.h>

#include <stdarg.h>
#include <string.h>
#include <wchar.h>

#define LINE_MAX_CHARS 1024

/* The log formats what it is given, and does so again with whatever a field puts in, so a
 * "[...]" in a key name or a path would be read as a property and vanish. Each bracket goes
 * in as its escape, "[\[]" or "[\]]", which the formatting turns back into the bracket. */
static void Log(MSIHANDLE install, const wchar_t* text) {
    size_t brackets = 0;
    for (const wchar_t* c = text; *c; ++c) brackets += (*c == L'[' || *c == L']');
    wchar_t* escaped = (wchar_t*)HeapAlloc(GetProcessHeap(), 0,
                                           (wcslen(text) + 4 * brackets + 1) * sizeof(wchar_t));
    MSIHANDLE record = escaped ? MsiCreateRecord(0) : 0;
    if (record) {
        wchar_t* out = escaped;
        for (const wchar_t* c = text; *c; ++c) {
            if (*c == L'[' || *c == L']') {
                *out++ = L'['; *out++ = L'\\'; *out++ = *c; *out++ = L']';
            } else {
                *out++ = *c;
            }
        }
        *out = L'\0';
        MsiRecordSetStringW(record, 0, escaped);
        MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
        MsiCloseHandle(record);
    }
    if (escaped) HeapFree(GetProcessHeap(), 0, escaped);
}

/* Logs the text that format makes, cut to a line's length. */
static void LogFormatted(MSIHANDLE install, const wchar_t* format, ...) {
    wchar_t line[LINE_MAX_CHARS];
    va_list values;
    va_start(values, format);
    _vsnwprintf(line, LINE_MAX_CHARS - 1, format, values);
    va_end(values);
    line[LINE_MAX_CHARS - 1] = L'\0';
    Log(install, line);
}

/* Logs text, a colon, the system's words for error and its number. */
static void LogFailure(MSIHANDLE install, const wchar_t* text, DWORD error) {
    wchar_t words[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   words, 512, NULL);
    for (size_t end = wcslen(words); end > 0 && (words[end - 1] == L'\r' || words[end - 1] == L'\n'); --end) {
        words[end - 1] = L'\0';
    }
    LogFormatted(install, L"%ls: %ls (error %lu)", text, words, (unsigned long)error);
}

/* Enables a privilege that LocalSystem holds but leaves off, for this custom action's process. */
static void EnablePrivilege(const wchar_t* name) {
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(NULL, name, &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    }
    CloseHandle(token);
}

#define SUPPORT_FOLDER L"C:\\sorvel\\GsmModemJar"

/* The support folder is the launcher's fixed one below the root of the system drive, where
 * every signed-in user may create folders and what they create inherits Modify. The repair
 * copies from it, as LocalSystem, into a runtime that every user's Java loads, so the folder
 * gets an access list of its own that it does not inherit: SYSTEM and Administrators full
 * control, Users read and execute, Administrators as owner. A folder that someone made
 * beforehand is taken over: first its owner, which the take-ownership privilege allows
 * whatever its list says, then its list, which the new owner may always write. Its files
 * inherit the new list; one with entries of its own, or a user as owner, is still refused by
 * the repair. CustomActionData "create" makes the folder, locked from the start, when the
 * package is about to put the support files into it. */
UINT __stdcall LockSupportFolder(MSIHANDLE install) {
    wchar_t mode[16] = L"";
    DWORD modeLength = 16;
    MsiGetPropertyW(install, L"CustomActionData", mode, &modeLength);
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", SDDL_REVISION_1,
            &descriptor, NULL)) {
        LogFailure(install, L"SMS Server repair: " SUPPORT_FOLDER L" could not be locked", GetLastError());
        return ERROR_SUCCESS;
    }
    if (GetFileAttributesW(SUPPORT_FOLDER) == INVALID_FILE_ATTRIBUTES) {
        SECURITY_ATTRIBUTES locked = {sizeof locked, descriptor, FALSE};
        if (wcscmp(mode, L"create") != 0) {
            Log(install, L"SMS Server repair: " SUPPORT_FOLDER L" does not exist; nothing to lock");
        } else if ((CreateDirectoryW(L"C:\\sorvel", NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
                   CreateDirectoryW(SUPPORT_FOLDER, &locked)) {
            Log(install, L"SMS Server repair: " SUPPORT_FOLDER L" was made and locked: only SYSTEM and "
                         L"Administrators may change it");
        } else {
            LogFailure(install, L"SMS Server repair: " SUPPORT_FOLDER L" could not be made", GetLastError());
        }
        LocalFree(descriptor);
        return ERROR_SUCCESS;
    }
    PSID owner = NULL;
    PACL dacl = NULL;
    BOOL defaulted = FALSE, present = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    EnablePrivilege(L"SeTakeOwnershipPrivilege");
    EnablePrivilege(L"SeRestorePrivilege");
    DWORD error = SetNamedSecurityInfoW(SUPPORT_FOLDER, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                        owner, NULL, NULL, NULL);
    if (error == ERROR_SUCCESS) {
        error = SetNamedSecurityInfoW(SUPPORT_FOLDER, SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                      NULL, NULL, dacl, NULL);
    }
    if (error == ERROR_SUCCESS) {
        Log(install, L"SMS Server repair: " SUPPORT_FOLDER L" is locked: only SYSTEM and Administrators "
                     L"may change it");
    } else {
        LogFailure(install, L"SMS Server repair: " SUPPORT_FOLDER L" could not be locked", error);
    }
    LocalFree(descriptor);
    return ERROR_SUCCESS;
}

/* Logs the report's lines after prefix; it arrives as UTF-8, since the check has no console
 * here. */
static void LogLines(MSIHANDLE install, const wchar_t* prefix, const char* bytes, DWORD size) {
    wchar_t line[LINE_MAX_CHARS + 32];
    wcscpy(line, prefix);
    const size_t head = wcslen(line);
    DWORD start = 0;
    for (DWORD at = 0; at <= size; ++at) {
        if (at < size && bytes[at] != '\n') continue;
        DWORD length = at - start;
        if (length > 0 && bytes[start + length - 1] == '\r') --length;
        if (length > LINE_MAX_CHARS / 2) length = LINE_MAX_CHARS / 2;
        int chars = MultiByteToWideChar(CP_UTF8, 0, bytes + start, (int)length, line + head,
                                        LINE_MAX_CHARS);
        line[head + (chars > 0 ? chars : 0)] = L'\0';
        if (at < size || length > 0) Log(install, line);
        start = at + 1;
    }
}

/* Starts the check with its output into the pipe's write end, the one handle it inherits. */
static BOOL StartCheck(wchar_t* commandLine, const wchar_t* folder, HANDLE writeEnd,
                       PROCESS_INFORMATION* started) {
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(NULL, 1, 0, &listSize);
    LPPROC_THREAD_ATTRIBUTE_LIST list =
        (LPPROC_THREAD_ATTRIBUTE_LIST)HeapAlloc(GetProcessHeap(), 0, listSize);
    if (!list) return FALSE;
    BOOL created = FALSE;
    if (InitializeProcThreadAttributeList(list, 1, 0, &listSize)) {
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &writeEnd,
                                      sizeof writeEnd, NULL, NULL)) {
            STARTUPINFOEXW startup;
            ZeroMemory(&startup, sizeof startup);
            startup.StartupInfo.cb = sizeof startup;
            startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
            startup.StartupInfo.hStdOutput = writeEnd;
            startup.StartupInfo.hStdError = writeEnd;
            startup.lpAttributeList = list;
            created = CreateProcessW(NULL, commandLine, NULL, NULL, TRUE,
                                     DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT, NULL, folder,
                                     &startup.StartupInfo, started);
        }
        DeleteProcThreadAttributeList(list);
    }
    HeapFree(GetProcessHeap(), 0, list);
    return created;
}

/* Reads the check's output until it has ended and the pipe is empty, keeping what fits; FALSE
 * when it is still running after the one deadline for the whole check. Polls rather than
 * blocks in ReadFile, which a check that hangs with the pipe open would never let return. */
static BOOL ReadUntilEnded(HANDLE readEnd, HANDLE process, char* output, DWORD capacity,
                           DWORD* size) {
    const ULONGLONG deadline = GetTickCount64() + 60000;
    char spill[4096];
    for (;;) {
        DWORD waiting = 0, read = 0;
        if (!PeekNamedPipe(readEnd, NULL, 0, NULL, &waiting, NULL)) return TRUE; /* all closed */
        if (waiting > 0) {
            const BOOL keep = output && *size < capacity;
            char* into = keep ? output + *size : spill;
            DWORD room = keep ? capacity - *size : sizeof spill;
            if (!ReadFile(readEnd, into, waiting < room ? waiting : room, &read, NULL)) return TRUE;
            if (keep) *size += read;
            continue;
        }
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            if (PeekNamedPipe(readEnd, NULL, 0, NULL, &waiting, NULL) && waiting > 0) continue;
            return TRUE;
        }
        if (GetTickCount64() >= deadline) return FALSE;
    }
}

/* Runs SmsServerCheck.exe from the installed folder with option, and the runtime folder in
 * quotes when one is given, and logs its output and exit status after prefix. Gives the
 * status, 99 when it could not run or was stopped, and whether its output began with
 * expected. */
static DWORD RunCheck(MSIHANDLE install, const wchar_t* folder, const wchar_t* option,
                      const wchar_t* runtime, const wchar_t* prefix, const char* expected, BOOL* began) {
    wchar_t commandLine[3 * MAX_PATH];
    _snwprintf(commandLine, 3 * MAX_PATH - 1, runtime ? L"\"%lsSmsServerCheck.exe\" %ls \"%ls\""
                                                      : L"\"%lsSmsServerCheck.exe\" %ls",
               folder, option, runtime);
    commandLine[3 * MAX_PATH - 1] = L'\0';
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        LogFormatted(install, L"%lscould not be started (no pipe)", prefix);
        return 99;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION started;
    const BOOL created = StartCheck(commandLine, folder, writeEnd, &started);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        LogFormatted(install, L"%lsSmsServerCheck.exe could not be started", prefix);
        return 99;
    }
    CloseHandle(started.hThread);

    /* The report of a thousand runtimes is some 100 KB; what does not fit is read and dropped. */
    const DWORD capacity = 1024 * 1024;
    char* output = (char*)HeapAlloc(GetProcessHeap(), 0, capacity);
    DWORD size = 0;
    const BOOL ended = ReadUntilEnded(readEnd, started.hProcess, output, capacity, &size);
    CloseHandle(readEnd);
    if (!ended) TerminateProcess(started.hProcess, 99);
    DWORD status = 99;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);

    if (began) *began = output && size >= strlen(expected) && memcmp(output, expected, strlen(expected)) == 0;
    if (output) {
        LogLines(install, prefix, output, size);
        HeapFree(GetProcessHeap(), 0, output);
    }
    if (!ended) {
        LogFormatted(install, L"%lsSmsServerCheck.exe did not end within 60 seconds and was stopped", prefix);
    }
    LogFormatted(install, L"%lsexit status %lu", prefix, (unsigned long)status);
    return status;
}

/* Where the package remembers the runtime folder that its JAVAHOME registered, so that the
 * removal takes back that registration and no other. */
#define PACKAGE_KEY L"SOFTWARE\\Pelmora\\SMS Server"
#define REGISTERED_VALUE L"RegisteredJavaHome"

/* CustomActionData is the installed folder, a "|" (which no path holds), and JAVAHOME. The
 * folder named by JAVAHOME is registered first, as SmsServerCheck.exe /register does; a refusal
 * is logged and does not stop the repair. */
UINT __stdcall RunRepair(MSIHANDLE install) {
    wchar_t data[2 * MAX_PATH + 2] = L"";
    DWORD dataLength = 2 * MAX_PATH + 2;
    const UINT read = MsiGetPropertyW(install, L"CustomActionData", data, &dataLength);
    wchar_t* javaHome = wcschr(data, L'|');
    if (javaHome) *javaHome++ = L'\0';
    if (read != ERROR_SUCCESS || data[0] == L'\0' || wcslen(data) + 40 >= MAX_PATH) {
        Log(install, L"SMS Server repair: the installed folder is not known; nothing was repaired");
        return ERROR_SUCCESS;
    }
    if (javaHome && *javaHome) {
        BOOL registered = FALSE;
        if (RunCheck(install, data, L"/register", javaHome, L"SMS Server register: ", "Registered ", &registered) == 0 &&
            registered) {
            HKEY key = NULL;
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, PACKAGE_KEY, 0, NULL, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                NULL, &key, NULL) == ERROR_SUCCESS) {
                RegSetValueExW(key, REGISTERED_VALUE, 0, REG_SZ, (const BYTE*)javaHome,
                               (DWORD)((wcslen(javaHome) + 1) * sizeof(wchar_t)));
                RegCloseKey(key);
            }
        }
    }
    RunCheck(install, data, L"/repair", NULL, L"SMS Server repair: ", "", NULL);
    return ERROR_SUCCESS;
}

/* At the removal (not an upgrade's): /unregister of the folder that the install registered. */
UINT __stdcall RunUnregister(MSIHANDLE install) {
    wchar_t folder[MAX_PATH] = L"";
    DWORD folderLength = MAX_PATH;
    if (MsiGetPropertyW(install, L"CustomActionData", folder, &folderLength) != ERROR_SUCCESS ||
        folder[0] == L'\0' || wcslen(folder) + 40 >= MAX_PATH) {
        return ERROR_SUCCESS;
    }
    HKEY key = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PACKAGE_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS) {
        return ERROR_SUCCESS;
    }
    wchar_t javaHome[MAX_PATH] = L"";
    DWORD size = sizeof javaHome - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, REGISTERED_VALUE, NULL, &type, (BYTE*)javaHome, &size) == ERROR_SUCCESS &&
        type == REG_SZ && javaHome[0]) {
        if (RunCheck(install, folder, L"/unregister", javaHome, L"SMS Server unregister: ", "", NULL) == 0) {
            RegDeleteValueW(key, REGISTERED_VALUE);
        }
    }
    RegCloseKey(key);
    return ERROR_SUCCESS;
}
