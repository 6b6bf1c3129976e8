// The handles behind held files and folders, for the two files that hold and make them.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "base/failure.h"
#include "platform/held_files.h"

namespace win32 {

HANDLE HandleOf(platform::HeldItem& item);

// Opens name relative to root (or, with no root, the whole NT path name) as the native call
// takes it, the name itself and not what a link there leads to, and wraps it with what the
// handle reaches. What it makes gets security, or what its folder passes on.
base::Result<std::unique_ptr<platform::HeldItem>> Open(HANDLE root, const std::wstring& name,
                                                       ACCESS_MASK access, ULONG share,
                                                       ULONG disposition, ULONG options,
                                                       PSECURITY_DESCRIPTOR security = nullptr);

// Renames the file to name in folder, never over anything that has that name.
std::optional<base::Failure> RenameWithin(HANDLE file, HANDLE folder, const std::wstring& name);

}  // namespace win32
