/* Stands in for java.exe: appends to the file named by SMS_RECORD what it was started with
 * (time, command line, arguments, the file that ran, working folder, show state, the user's
 * locale and its decimal separator), as UTF-8, then ends. Told so, it first acts as a Java that
 * fails, as HotSpot and the Java launcher write: SMS_JAVA_OUT goes to its standard output (the
 * VM's own messages and crash report), SMS_JAVA_SAYS to its error output (the launcher's
 * messages and exceptions), both in the ANSI code page; SMS_JAVA_SAYS_BYTES more bytes at once
 * to its error output (how long that write took is recorded as "wrote"); then it runs on for
 * SMS_JAVA_RUNS_MS and ends with SMS_JAVA_STATUS. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void Append(HANDLE file, const wchar_t* key, const wchar_t* value) {
    char buffer[8192];
    wchar_t line[4096];
    int length = _snwprintf(line, 4095, L"%ls=%ls\n", key, value);
    if (length < 0) length = 4095;
    line[length] = L'\0';
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, length, buffer, sizeof buffer, NULL, NULL);
    DWORD written = 0;
    WriteFile(file, buffer, (DWORD)bytes, &written, NULL);
}

int wmain(int argc, wchar_t** argv) {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"SMS_RECORD", path, MAX_PATH)) return 3;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 4;

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    wchar_t text[64];
    swprintf(text, 64, L"%llu", ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime);
    Append(file, L"start", text);
    Append(file, L"commandline", GetCommandLineW());
    for (int i = 0; i < argc; ++i) Append(file, L"arg", argv[i]);
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(NULL, module, MAX_PATH);
    Append(file, L"module", module);
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    Append(file, L"cwd", folder);
    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    swprintf(text, 64, L"%d", (startup.dwFlags & STARTF_USESHOWWINDOW) ? (int)startup.wShowWindow : -1);
    Append(file, L"show", text);
    wchar_t decimal[16] = L"";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 16);
    Append(file, L"decimal", decimal);
    swprintf(text, 64, L"%04lx", (unsigned long)GetUserDefaultLCID());
    Append(file, L"locale", text);
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    wchar_t says[2048];
    const wchar_t* streams[2] = {L"SMS_JAVA_OUT", L"SMS_JAVA_SAYS"};
    for (int stream = 0; stream < 2; ++stream) {
        if (!GetEnvironmentVariableW(streams[stream], says, 2048)) continue;
        char said[4096];
        int bytes = WideCharToMultiByte(CP_ACP, 0, says, -1, said, sizeof said, NULL, NULL);
        WriteFile(stream ? errors : GetStdHandle(STD_OUTPUT_HANDLE), said, bytes > 0 ? (DWORD)bytes - 1 : 0, &written,
                  NULL);
    }
    if (GetEnvironmentVariableW(L"SMS_JAVA_SAYS_BYTES", text, 64)) {
        DWORD size = (DWORD)_wtol(text);
        char* filler = (char*)HeapAlloc(GetProcessHeap(), 0, size);
        for (DWORD i = 0; filler && i < size; ++i) filler[i] = i % 64 == 63 ? '\n' : 'x';
        ULONGLONG before = GetTickCount64();
        WriteFile(errors, filler, filler ? size : 0, &written, NULL);
        swprintf(text, 64, L"%llu", GetTickCount64() - before);
        Append(file, L"wrote", text);
    }
    Append(file, L"end", L"");
    CloseHandle(file);
    if (GetEnvironmentVariableW(L"SMS_JAVA_RUNS_MS", text, 64)) Sleep((DWORD)_wtol(text));
    return GetEnvironmentVariableW(L"SMS_JAVA_STATUS", text, 64) ? (int)wcstoul(text, NULL, 0) : 0;
}
