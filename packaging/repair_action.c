/* The installer's repair step: a deferred custom action, run elevated as LocalSystem, that
 * starts SmsServerCheck.exe /repair from the installed folder (its CustomActionData) and writes
 * the report, line by line, into the installer's log, where an administrator who installed
 * with /l*v finds it. It never fails the install: no Java yet, or no source folder, is a
 * report, not an error. */
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <wchar.h>

#define LINE_MAX_CHARS 1024

static void Log(MSIHANDLE install, const wchar_t* text) {
    MSIHANDLE record = MsiCreateRecord(0);
    if (!record) return;
    MsiRecordSetStringW(record, 0, text);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
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
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION started;
    const BOOL created = CreateProcessW(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL,
                                        folder, &startup, &started);
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
    DWORD size = 0, read = 0;
    char spill[4096];
    while (output && size < capacity &&
           ReadFile(readEnd, output + size, capacity - size, &read, NULL) && read > 0) {
        size += read;
    }
    while (ReadFile(readEnd, spill, sizeof spill, &read, NULL) && read > 0) {
    }
    CloseHandle(readEnd);
    WaitForSingleObject(started.hProcess, 60000);
    DWORD status = 99;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);

    if (output) {
        LogLines(install, output, size);
        HeapFree(GetProcessHeap(), 0, output);
    }
    wchar_t last[96];
    _snwprintf(last, 95, L"SMS Server repair: exit status %lu", (unsigned long)status);
    last[95] = L'\0';
    Log(install, last);
    return ERROR_SUCCESS;
}
