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

/* Logs text, a colon, the system's words for error and its number. */
static void LogFailure(MSIHANDLE install, const wchar_t* text, DWORD error) {
    wchar_t words[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   words, 512, NULL);
    for (size_t end = wcslen(words); end > 0 && (words[end - 1] == L'\r' || words[end - 1] == L'\n'); --end) {
        words[end - 1] = L'\0';
    }
    wchar_t line[LINE_MAX_CHARS];
    _snwprintf(line, LINE_MAX_CHARS - 1, L"%ls: %ls (error %lu)", text, words, (unsigned long)error);
    line[LINE_MAX_CHARS - 1] = L'\0';
    Log(install, line);
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

/* Logs the report's lines; it arrives as UTF-8, since the check has no console here. */
static void LogLines(MSIHANDLE install, const char* bytes, DWORD size) {
    wchar_t line[LINE_MAX_CHARS + 32] = L"SMS Server repair: ";
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

UINT __stdcall RunRepair(MSIHANDLE install) {
    wchar_t folder[MAX_PATH] = L"";
    DWORD folderLength = MAX_PATH;
    if (MsiGetPropertyW(install, L"CustomActionData", folder, &folderLength) != ERROR_SUCCESS ||
        folderLength == 0 || folderLength + 40 >= MAX_PATH) {
        Log(install, L"SMS Server repair: the installed folder is not known; nothing was repaired");
        return ERROR_SUCCESS;
    }
    wchar_t commandLine[MAX_PATH + 64];
    _snwprintf(commandLine, MAX_PATH + 63, L"\"%lsSmsServerCheck.exe\" /repair", folder);
    commandLine[MAX_PATH + 63] = L'\0';

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        Log(install, L"SMS Server repair: could not be started (no pipe)");
        return ERROR_SUCCESS;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION started;
    const BOOL created = StartCheck(commandLine, folder, writeEnd, &started);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        Log(install, L"SMS Server repair: SmsServerCheck.exe could not be started");
        return ERROR_SUCCESS;
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

    if (output) {
        LogLines(install, output, size);
        HeapFree(GetProcessHeap(), 0, output);
    }
    if (!ended) {
        Log(install, L"SMS Server repair: SmsServerCheck.exe did not end within 60 seconds and was stopped");
    }
    wchar_t last[96];
    _snwprintf(last, 95, L"SMS Server repair: exit status %lu", (unsigned long)status);
    last[95] = L'\0';
    Log(install, last);
    return ERROR_SUCCESS;
}
