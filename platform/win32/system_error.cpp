// Turning Windows error codes into the program's failures.
#include "platform/win32/system_error.h"

#include "base/text.h"
#include "platform/win32/scoped.h"

namespace win32 {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0) return L"Error " + base::DecimalText(code);
    const ScopedLocalMemory held(buffer);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

base::Failure SystemFailure(DWORD code) {
    return base::Failure(static_cast<long>(code), SystemMessage(code));
}

base::Failure LastErrorFailure() { return SystemFailure(GetLastError()); }

}  // namespace win32
