/* Stands in for java.exe: appends to the file named by SMS_RECORD what it was started with
 * (time, command line, arguments, the file that ran, working folder, show state, the user's
 * locale and its decimal separator), as UTF-8, then ends. */
#include <windows.h>

#include <stdio.h>
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
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 4;

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    wchar_t text[64];
    swprintf(text, 64, L"%llu",
             ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime);
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
    swprintf(text, 64, L"%d",
             (startup.dwFlags & STARTF_USESHOWWINDOW) ? (int)startup.wShowWindow : -1);
    Append(file, L"show", text);
    wchar_t decimal[16] = L"";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 16);
    Append(file, L"decimal", decimal);
    swprintf(text, 64, L"%04lx", (unsigned long)GetUserDefaultLCID());
    Append(file, L"locale", text);
    Append(file, L"end", L"");
    CloseHandle(file);
    return 0;
}
