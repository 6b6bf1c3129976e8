// Failures that carry a Windows error code and the system's own words for it.
#pragma once

#include <windows.h>

#include <string>

#include "base/failure.h"

namespace win32 {

// The system's message text for an error code, without its trailing line break.
std::wstring SystemMessage(DWORD code);

[[nodiscard]] base::Failure SystemFailure(DWORD code);

// The failure for GetLastError(), to be taken right after the call that failed.
[[nodiscard]] base::Failure LastErrorFailure();

}  // namespace win32
