/* The installer's repair step: deferred custom actions, run elevated as LocalSystem. The first
 * makes the support folder one that only the system's accounts may change and puts the
 * package's support files into it; the second starts SmsServerCheck.exe /repair from the
 * installed folder (its CustomActionData) and writes the report, line by line, into the
 * installer's log, where an administrator who installed with /l*v finds it. Neither fails the
 * install: no Java yet, or no source folder, is a report, not an error. */
#include <aclapi.h>
#include <msi.h>
#include <msiquery.h>
#include <sddl.h>
#include <windows.h>

#include <stdarg.h>
#include <string.h>
#include <wchar.h>

#include "check/trust_rule.h"
#include "sms_facts.h"

#define LINE_MAX_CHARS 1024

/* How each line this step logs begins: the product, then the step. */
#define REPAIR_LINE L"" SMS_PRODUCT_NAME L" repair: "
#define REGISTER_LINE L"" SMS_PRODUCT_NAME L" register: "
#define UNREGISTER_LINE L"" SMS_PRODUCT_NAME L" unregister: "
#define ROLLBACK_LINE L"" SMS_PRODUCT_NAME L" rollback: "

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
                *out++ = L'[';
                *out++ = L'\\';
                *out++ = *c;
                *out++ = L']';
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
    for (size_t end = wcslen(words);
         end > 0 && (words[end - 1] == L'\r' || words[end - 1] == L'\n'); --end) {
        words[end - 1] = L'\0';
    }
    LogFormatted(install, L"%ls: %ls (error %lu)", text, words, (unsigned long)error);
}

#define SOURCE_PARENT L"" SMS_SUPPORT_PARENT
#define SUPPORT_FOLDER L"" SMS_SUPPORT_FOLDER

static const wchar_t* const kSupportNames[] = {SMS_SUPPORT_FILES};

/* The system's own accounts, and the account this step runs as (LocalSystem on Windows;
 * under Wine the signed-in user, who owns every file there). */
static BOOL IsTrusted(PSID sid, PSID own) {
    static const wchar_t* const kTrusted[] = {SMS_TRUSTED_SIDS};
    BOOL trusted = own && EqualSid(sid, own);
    for (size_t i = 0; !trusted && i < sizeof kTrusted / sizeof kTrusted[0]; ++i) {
        PSID known = NULL;
        if (!ConvertStringSidToSidW(kTrusted[i], &known)) continue;
        trusted = EqualSid(sid, known);
        LocalFree(known);
    }
    return trusted;
}

/* Whether anyone but the trusted accounts owns the held folder or may change it. */
static BOOL OthersMayChange(HANDLE folder) {
    BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    PSID own = NULL;
    HANDLE token = NULL;
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        if (GetTokenInformation(token, TokenUser, user, sizeof user, &size))
            own = ((TOKEN_USER*)user)->User.Sid;
        CloseHandle(token);
    }
    PSID owner = NULL;
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, NULL, &dacl,
                        NULL, &descriptor) != ERROR_SUCCESS) {
        return TRUE;
    }
    BOOL others = !IsTrusted(owner, own) || dacl == NULL;
    for (DWORD i = 0; !others && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = NULL;
        if (!GetAce(dacl, i, (void**)&ace)) {
            others = TRUE;
            break;
        }
        if (ace->Header.AceFlags & INHERIT_ONLY_ACE) continue;
        const BYTE type = ace->Header.AceType;
        if (type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_ACE_TYPE) continue;
        /* An entry of a kind not known here counts as one that lets others change it. */
        others = (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) ||
                 ((ace->Mask & SMS_CHANGE_RIGHTS) && !IsTrusted((PSID)&ace->SidStart, own));
    }
    LocalFree(descriptor);
    return others;
}

/* Whether the handle reaches path itself, rather than what a link there leads to. Wine opens
 * a link's target even when asked not to, and then only the final path tells. */
static BOOL IsLink(HANDLE folder, const wchar_t* path) {
    BY_HANDLE_FILE_INFORMATION information;
    wchar_t final[MAX_PATH + 8];
    if (!GetFileInformationByHandle(folder, &information)) return TRUE;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return TRUE;
    const DWORD length = GetFinalPathNameByHandleW(folder, final, MAX_PATH + 8,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= MAX_PATH + 8) return TRUE;
    const wchar_t* plain = wcsncmp(final, L"\\\\?\\", 4) == 0 ? final + 4 : final;
    return _wcsicmp(plain, path) != 0;
}

/* Renames the held folder aside, beside itself, under a name that says why. */
static BOOL SetAside(HANDLE folder, const wchar_t* path, wchar_t* aside) {
    BYTE buffer[sizeof(FILE_RENAME_INFO) + 2 * MAX_PATH * sizeof(wchar_t)];
    for (int attempt = 1; attempt <= 9; ++attempt) {
        _snwprintf(aside, MAX_PATH,
                   attempt == 1 ? L"%ls (set aside: others could change it)"
                                : L"%ls (set aside: others could change it) %d",
                   path, attempt);
        aside[MAX_PATH - 1] = L'\0';
        FILE_RENAME_INFO* rename = (FILE_RENAME_INFO*)buffer;
        ZeroMemory(buffer, sizeof buffer);
        rename->FileNameLength = (DWORD)(wcslen(aside) * sizeof(wchar_t));
        memcpy(rename->FileName, aside, rename->FileNameLength);
        if (SetFileInformationByHandle(folder, FileRenameInfo, rename, sizeof buffer)) return TRUE;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return FALSE;
    }
    return FALSE;
}

/* Makes path a folder that only SYSTEM and Administrators may change, and gives it held open:
 * nobody may rename or remove it meanwhile. A folder that others may change is never taken
 * over (setting its list would follow a junction there, and push the list down into whatever
 * it holds): it is renamed aside and made afresh. A link is never renamed, removed or written
 * through: INVALID_HANDLE_VALUE, and it is logged for an administrator to remove. */
static HANDLE SecureFolder(MSIHANDLE install, const wchar_t* path, SECURITY_ATTRIBUTES* locked) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const BOOL made = CreateDirectoryW(path, locked);
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS) {
            LogFailure(install, REPAIR_LINE L"the support folder could not be made",
                       GetLastError());
            return INVALID_HANDLE_VALUE;
        }
        HANDLE folder = CreateFileW(
            path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE | SYNCHRONIZE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
        if (folder == INVALID_HANDLE_VALUE) {
            LogFailure(install, REPAIR_LINE L"the support folder could not be opened",
                       GetLastError());
            return folder;
        }
        wchar_t aside[MAX_PATH];
        if (IsLink(folder, path)) {
            LogFormatted(install,
                         REPAIR_LINE L"%ls is a link, which the package never follows: "
                         L"nothing was put "
                         L"there. An administrator must remove it, then repair " SMS_PRODUCT_NAME L".",
                         path);
        } else if (!OthersMayChange(folder)) {
            LogFormatted(install,
                         made ? REPAIR_LINE L"%ls was made and locked: only SYSTEM and "
                                L"Administrators may change it"
                              : REPAIR_LINE L"%ls is locked: only SYSTEM and Administrators "
                                L"may change it",
                         path);
            return folder;
        } else if (SetAside(folder, path, aside)) {
            LogFormatted(install, REPAIR_LINE L"others could change %ls, so it was renamed to %ls",
                         path, aside);
            CloseHandle(folder);
            continue;
        } else {
            LogFailure(install,
                       REPAIR_LINE L"others could change the support folder, which could "
                       L"not be renamed aside",
                       GetLastError());
        }
        CloseHandle(folder);
        return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

/* Copies one support file that the package installed below its own folder into the held,
 * locked support folder: into a new file (which no link can stand in for), written through,
 * then renamed over the name. */
static BOOL PlaceFile(MSIHANDLE install, const wchar_t* installed, const wchar_t* name) {
    wchar_t source[MAX_PATH], temporary[MAX_PATH], target[MAX_PATH], failed[MAX_PATH];
    _snwprintf(source, MAX_PATH, L"%ls" SMS_SUPPORT_NAME L"\\%ls", installed, name);
    _snwprintf(temporary, MAX_PATH, SUPPORT_FOLDER L"\\~%ls.tmp", name);
    _snwprintf(target, MAX_PATH, SUPPORT_FOLDER L"\\%ls", name);
    source[MAX_PATH - 1] = temporary[MAX_PATH - 1] = target[MAX_PATH - 1] = L'\0';
    DeleteFileW(temporary);
    DWORD error = ERROR_SUCCESS, read = 0, written = 0;
    HANDLE to = INVALID_HANDLE_VALUE;
    HANDLE from = CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (from == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else if ((to = CreateFileW(temporary, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, NULL)) == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    }
    char bytes[16384];
    while (error == ERROR_SUCCESS) {
        if (!ReadFile(from, bytes, sizeof bytes, &read, NULL)) {
            error = GetLastError();
        } else if (read == 0) {
            break;
        } else if (!WriteFile(to, bytes, read, &written, NULL) || written != read) {
            error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        }
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(to)) error = GetLastError();
    if (to != INVALID_HANDLE_VALUE) CloseHandle(to);
    if (from != INVALID_HANDLE_VALUE) CloseHandle(from);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error == ERROR_SUCCESS) return TRUE;
    DeleteFileW(temporary);
    _snwprintf(failed, MAX_PATH, REPAIR_LINE L"%ls could not be put in place", target);
    failed[MAX_PATH - 1] = L'\0';
    LogFailure(install, failed, error);
    return FALSE;
}

/* Runs once the files are installed. CustomActionData is the installed folder, a "|", and
 * "create" when the package brings the support files, which it installs below its own folder
 * and copies from there: InstallFiles, as LocalSystem, would write through a link on the
 * way. The support folder and the folder it lies in are held, so that no one renames them,
 * until the files are in. */
UINT __stdcall PlaceSupportFiles(MSIHANDLE install) {
    wchar_t data[MAX_PATH + 16] = L"";
    DWORD dataLength = MAX_PATH + 16;
    MsiGetPropertyW(install, L"CustomActionData", data, &dataLength);
    wchar_t* mode = wcschr(data, L'|');
    if (mode) *mode++ = L'\0';
    const BOOL bringsFiles = mode && wcscmp(mode, L"create") == 0;
    if (!bringsFiles && GetFileAttributesW(SUPPORT_FOLDER) == INVALID_FILE_ATTRIBUTES) {
        Log(install, REPAIR_LINE SUPPORT_FOLDER L" does not exist; nothing to lock");
        return ERROR_SUCCESS;
    }
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", SDDL_REVISION_1,
            &descriptor, NULL)) {
        LogFailure(install, REPAIR_LINE SUPPORT_FOLDER L" could not be locked", GetLastError());
        return ERROR_SUCCESS;
    }
    SECURITY_ATTRIBUTES locked = {sizeof locked, descriptor, FALSE};
    HANDLE parent = SecureFolder(install, SOURCE_PARENT, &locked);
    HANDLE folder = parent == INVALID_HANDLE_VALUE ? INVALID_HANDLE_VALUE
                                                   : SecureFolder(install, SUPPORT_FOLDER, &locked);
    if (folder != INVALID_HANDLE_VALUE && bringsFiles) {
        BOOL all = TRUE;
        for (size_t i = 0; i < sizeof kSupportNames / sizeof kSupportNames[0]; ++i)
            all &= PlaceFile(install, data, kSupportNames[i]);
        if (all) Log(install, REPAIR_LINE L"the package's support files are in " SUPPORT_FOLDER);
    }
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    if (parent != INVALID_HANDLE_VALUE) CloseHandle(parent);
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
        if (!PeekNamedPipe(readEnd, NULL, 0, NULL, &waiting, NULL)) {
            /* Every write end is closed, which a check that closed its output does before it
             * ends: its end is still waited for, until the deadline. */
            const ULONGLONG now = GetTickCount64();
            return WaitForSingleObject(process, now < deadline ? (DWORD)(deadline - now) : 0) ==
                   WAIT_OBJECT_0;
        }
        if (waiting > 0) {
            const BOOL keep = output && *size < capacity;
            char* into = keep ? output + *size : spill;
            DWORD room = keep ? capacity - *size : sizeof spill;
            if (!ReadFile(readEnd, into, waiting < room ? waiting : room, &read, NULL)) continue;
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
                      const wchar_t* runtime, const wchar_t* prefix, const char* expected,
                      BOOL* began) {
    wchar_t commandLine[3 * MAX_PATH];
    _snwprintf(commandLine, 3 * MAX_PATH - 1,
               runtime ? L"\"%ls" SMS_CHECK_EXE_NAME L"\" %ls \"%ls\""
                       : L"\"%ls" SMS_CHECK_EXE_NAME L"\" %ls",
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
        LogFormatted(install, L"%ls" SMS_CHECK_EXE_NAME L" could not be started", prefix);
        return 99;
    }
    CloseHandle(started.hThread);

    /* The report of a thousand runtimes is some 100 KB; what does not fit is read and dropped. */
    const DWORD capacity = 1024 * 1024;
    char* output = (char*)HeapAlloc(GetProcessHeap(), 0, capacity);
    DWORD size = 0;
    const BOOL ended = ReadUntilEnded(readEnd, started.hProcess, output, capacity, &size);
    CloseHandle(readEnd);
    /* TerminateProcess only starts the end: its status is there once the process has ended. */
    if (!ended && TerminateProcess(started.hProcess, 99))
        WaitForSingleObject(started.hProcess, 10000);
    DWORD status = 99;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);

    if (began)
        *began =
            output && size >= strlen(expected) && memcmp(output, expected, strlen(expected)) == 0;
    if (output) {
        LogLines(install, prefix, output, size);
        HeapFree(GetProcessHeap(), 0, output);
    }
    if (!ended) {
        LogFormatted(install,
                     L"%ls" SMS_CHECK_EXE_NAME L" did not end within 60 seconds and was stopped",
                     prefix);
    }
    LogFormatted(install, L"%lsexit status %lu", prefix, (unsigned long)status);
    return status;
}

/* Where the package remembers the runtime folder that its JAVAHOME registered, so that the
 * removal takes back that registration and no other. */
#define PACKAGE_KEY L"SOFTWARE\\" SMS_MANUFACTURER L"\\" SMS_PRODUCT_NAME
#define REGISTERED_VALUE L"RegisteredJavaHome"

/* The folder the package registered, or empty text. */
static void ReadRegistered(wchar_t folder[MAX_PATH]) {
    HKEY key = NULL;
    DWORD size = (MAX_PATH - 1) * sizeof(wchar_t), type = 0;
    folder[0] = L'\0';
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PACKAGE_KEY, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExW(key, REGISTERED_VALUE, NULL, &type, (BYTE*)folder, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        size = 0;
    }
    folder[size / sizeof(wchar_t)] = L'\0';
    RegCloseKey(key);
}

/* Remembers folder as the one the package registered; empty text forgets it. */
static void WriteRegistered(const wchar_t* folder) {
    HKEY key = NULL;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, PACKAGE_KEY, 0, NULL, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, NULL, &key, NULL) != ERROR_SUCCESS) {
        return;
    }
    if (folder[0]) {
        RegSetValueExW(key, REGISTERED_VALUE, 0, REG_SZ, (const BYTE*)folder,
                       (DWORD)((wcslen(folder) + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, REGISTERED_VALUE);
    }
    RegCloseKey(key);
}

/* Reads CustomActionData, "<installed folder>|<rest>", into data; gives the rest, or NULL
 * when the installed folder is not known. */
static wchar_t* ReadData(MSIHANDLE install, wchar_t data[2 * MAX_PATH + 2]) {
    DWORD length = 2 * MAX_PATH + 2;
    data[0] = L'\0';
    if (MsiGetPropertyW(install, L"CustomActionData", data, &length) != ERROR_SUCCESS) return NULL;
    wchar_t* rest = wcschr(data, L'|');
    if (!rest) return NULL;
    *rest++ = L'\0';
    return data[0] != L'\0' && wcslen(data) + 40 < MAX_PATH && wcslen(rest) < MAX_PATH ? rest
                                                                                       : NULL;
}

/* CustomActionData is the installed folder, a "|" (which no path holds), and JAVAHOME. The
 * folder named by JAVAHOME is registered first, as SmsServerCheck.exe /register does; a refusal
 * is logged and does not stop the repair. Only a registration it made anew is remembered,
 * which is how a rollback tells what this install registered. */
UINT __stdcall RunRepair(MSIHANDLE install) {
    wchar_t data[2 * MAX_PATH + 2];
    const wchar_t* javaHome = ReadData(install, data);
    if (!javaHome) {
        Log(install, REPAIR_LINE L"the installed folder is not known; nothing was repaired");
        return ERROR_SUCCESS;
    }
    BOOL registered = FALSE;
    if (*javaHome &&
        RunCheck(install, data, L"/register", javaHome, REGISTER_LINE, "Registered ",
                 &registered) == 0 &&
        registered) {
        WriteRegistered(javaHome);
    }
    RunCheck(install, data, L"/repair", NULL, REPAIR_LINE, "", NULL);
    return ERROR_SUCCESS;
}

/* Immediate, before the script is written: gives the steps that take back or restore a
 * registration the installed folder and the folder registered before this install or removal
 * began, as their CustomActionData. */
UINT __stdcall ReadRegistration(MSIHANDLE install) {
    wchar_t installed[MAX_PATH] = L"", registered[MAX_PATH], data[2 * MAX_PATH + 2];
    DWORD length = MAX_PATH;
    MsiGetPropertyW(install, L"INSTALLDIR", installed, &length);
    ReadRegistered(registered);
    _snwprintf(data, 2 * MAX_PATH + 1, L"%ls|%ls", installed, registered);
    data[2 * MAX_PATH + 1] = L'\0';
    MsiSetPropertyW(install, L"RunUnregister", data);
    MsiSetPropertyW(install, L"RollbackUnregister", data);
    MsiSetPropertyW(install, L"RollbackRegister", data);
    return ERROR_SUCCESS;
}

/* At the removal (not an upgrade's): /unregister of the folder that the install registered. */
UINT __stdcall RunUnregister(MSIHANDLE install) {
    wchar_t data[2 * MAX_PATH + 2];
    const wchar_t* registered = ReadData(install, data);
    if (registered && *registered &&
        RunCheck(install, data, L"/unregister", registered, UNREGISTER_LINE, "", NULL) == 0) {
        WriteRegistered(L"");
    }
    return ERROR_SUCCESS;
}

/* Rollback of the removal's unregistration: what the removal took back is registered again. */
UINT __stdcall RollbackUnregister(MSIHANDLE install) {
    wchar_t data[2 * MAX_PATH + 2], now[MAX_PATH];
    const wchar_t* before = ReadData(install, data);
    ReadRegistered(now);
    if (before && *before && _wcsicmp(now, before) != 0 &&
        RunCheck(install, data, L"/register", before, ROLLBACK_LINE, "", NULL) == 0) {
        WriteRegistered(before);
    }
    return ERROR_SUCCESS;
}

/* The key of the runtimes a start reads, and the mark that SmsServerCheck.exe /register puts
 * on each key it makes. */
#define RUNTIMES_KEY L"SOFTWARE\\JavaSoft\\Java Runtime Environment"
#define MARK_VALUE L"RegisteredBy"
#define MARK L"" SMS_CHECK_EXE_NAME L" /register"

static BOOL IsMarked(HKEY key, const wchar_t* subkey) {
    wchar_t mark[64];
    DWORD size = sizeof mark;
    return RegGetValueW(key, subkey, MARK_VALUE, RRF_RT_REG_SZ, NULL, mark, &size) ==
               ERROR_SUCCESS &&
           wcscmp(mark, MARK) == 0;
}

/* Takes back what /register wrote for folder, as /unregister does: the marked runtime keys
 * whose JavaHome is folder, then the marked key of all runtimes once nothing is below it. A
 * rollback may run after the installed programs are gone, so it does not start the check. */
static void Unregister(MSIHANDLE install, const wchar_t* folder) {
    HKEY all = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, RUNTIMES_KEY, 0, KEY_READ | KEY_WOW64_32KEY | DELETE,
                      &all) != ERROR_SUCCESS) {
        return;
    }
    wchar_t name[256], home[MAX_PATH];
    DWORD index = 0, subkeys = 0;
    while (RegEnumKeyW(all, index, name, 256) == ERROR_SUCCESS) {
        DWORD size = sizeof home - sizeof(wchar_t);
        if (RegGetValueW(all, name, L"JavaHome", RRF_RT_REG_SZ, NULL, home, &size) != ERROR_SUCCESS)
            home[0] = L'\0';
        for (size_t end = wcslen(home); end > 3 && home[end - 1] == L'\\'; --end)
            home[end - 1] = L'\0';
        if (IsMarked(all, name) && _wcsicmp(home, folder) == 0 &&
            RegDeleteKeyExW(all, name, KEY_WOW64_32KEY, 0) == ERROR_SUCCESS) {
            LogFormatted(install,
                         ROLLBACK_LINE L"removed HKEY_LOCAL_MACHINE\\" RUNTIMES_KEY L"\\%ls", name);
        } else {
            ++index;
        }
    }
    const BOOL empty = RegQueryInfoKeyW(all, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL,
                                        NULL, NULL, NULL) == ERROR_SUCCESS &&
                       subkeys == 0;
    RegCloseKey(all);
    if (empty && IsMarked(HKEY_LOCAL_MACHINE, RUNTIMES_KEY) &&
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, RUNTIMES_KEY, KEY_WOW64_32KEY, 0) == ERROR_SUCCESS) {
        Log(install, ROLLBACK_LINE L"removed HKEY_LOCAL_MACHINE\\" RUNTIMES_KEY);
    }
}

/* Rollback of the install's registration: a folder remembered now but not before the install
 * began is one this install registered, and only that is taken back. */
UINT __stdcall RollbackRegister(MSIHANDLE install) {
    wchar_t data[2 * MAX_PATH + 2], now[MAX_PATH];
    const wchar_t* before = ReadData(install, data);
    ReadRegistered(now);
    if (before && now[0] && _wcsicmp(now, before) != 0) {
        Unregister(install, now);
        WriteRegistered(before);
    }
    return ERROR_SUCCESS;
}
