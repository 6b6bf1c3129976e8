// Writing below HKEY_LOCAL_MACHINE in the 32-bit view, where the launcher reads its runtimes.
// Only SmsServerCheck.exe /register and /unregister write to the registry, and only there.
#pragma once

#include <optional>
#include <string>

#include "base/failure.h"

namespace platform {

class RegistryWriter {
public:
    virtual ~RegistryWriter() = default;

    // Sets a REG_SZ value, creating the key where it is missing.
    [[nodiscard]] virtual std::optional<base::Failure> WriteText(const std::wstring& key,
                                                                 const std::wstring& name,
                                                                 const std::wstring& text) = 0;
    // Removes a key that has no subkeys, with its values.
    [[nodiscard]] virtual std::optional<base::Failure> RemoveKey(const std::wstring& key) = 0;
};

}  // namespace platform
