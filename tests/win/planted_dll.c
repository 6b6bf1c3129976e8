/* Stands in for a DLL planted beside a program, as in a Downloads folder. Built as version.dll:
 * when any program loads it, it appends that program's path to C:\planted.txt. It exports the
 * one function version_probe.exe imports, so that a program importing VERSION.dll loads it. */
#include <windows.h>

DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
    (void)file;
    if (handle) *handle = 0;
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char program[MAX_PATH + 2] = "";
        DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
        program[length++] = '\n';
        HANDLE file = CreateFileA("C:\\planted.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, program, length, &written, NULL);
            CloseHandle(file);
        }
    }
    return TRUE;
}
