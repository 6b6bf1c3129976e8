// The check program's Win32 pieces: its console, its report file and the registry's 64-bit
// view.
#pragma once

#include <optional>
#include <string>

#include "base/failure.h"
#include "platform/console_facts.h"

namespace win32 {

// Writes text to standard output, or to standard error: as wide text to a console, so that
// every name shows; to a file or pipe in the console's output code page, which cmd and
// PowerShell decode it with, or as UTF-8 when there is no console.
void WriteOut(const std::wstring& text, bool toErrors = false);

// What this process can tell of its console.
platform::ConsoleFacts ReadConsoleFacts();
void WaitForEnter();

// Writes the bytes to path whole or not at all: to a temporary file beside it first, which
// is then renamed over it. Gives the failure, with the system's words, when it cannot.
[[nodiscard]] std::optional<base::Failure> WriteWholeFile(const std::wstring& path,
                                                          const std::string& bytes);

std::wstring FullPath(const std::wstring& path);

// True on 64-bit Windows, where this 32-bit program also has a 64-bit registry view to read.
bool Is64BitWindows();

}  // namespace win32
