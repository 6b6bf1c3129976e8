/* The floor the launcher is measured against: a bare Win32 window with the splash's client
 * size and a 2 s timer. On the tick it closes the window, enumerates the runtimes' key with a
 * bare RegEnumKeyA loop, starts the Java launcher named on its command line hidden, and ends.
 * C, no C++ runtime. */
#include <windows.h>

static const char* javaLauncher;

static void StartJava(void) {
    HKEY key;
    char name[260];
    DWORD index = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        while (RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS) ++index;
        RegCloseKey(key);
    }
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started;
    char line[MAX_PATH + 8];
    lstrcpynA(line, javaLauncher, MAX_PATH);
    if (CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            KillTimer(window, 1);
            DestroyWindow(window);
            StartJava();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)show;
    javaLauncher = commandLine;
    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "BenchReference";
    RegisterClassA(&windowClass);
    RECT frame = {0, 0, 487, 492};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HWND window = CreateWindowA("BenchReference", "Reference", WS_OVERLAPPEDWINDOW,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, NULL,
                                NULL, instance, NULL);
    SetTimer(window, 1, 2000, NULL);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
