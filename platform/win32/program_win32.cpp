// Message boxes and waiting on Win32.
#include "platform/win32/win32_platform.h"

namespace win32 {

void Win32MessageBoxes::Show(const std::wstring& text, unsigned style) {
    MessageBoxW(nullptr, text.c_str(), title_.c_str(), style);
}

void Win32ProgramControl::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace win32
