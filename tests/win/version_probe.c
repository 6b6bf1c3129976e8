/* Imports VERSION.dll at load time, as SmsServerCheck.exe once did: a version.dll planted beside
 * it is loaded, which shows that the planting test can see a planted DLL run. */
#include <windows.h>

int wmain(void) {
    DWORD ignored = 0;
    return (int)GetFileVersionInfoSizeW(L"C:\\windows\\system32\\kernel32.dll", &ignored) != 0;
}
