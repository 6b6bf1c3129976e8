// Registering a Java runtime where a start looks, and taking back only what was registered so.
#pragma once

#include <string>
#include <vector>

#include "check/check.h"
#include "platform/registry.h"
#include "platform/registry_writer.h"

namespace check {

// The exit statuses of a /register that refused the folder it was given.
inline constexpr int kNoJavaInFolder = 6;
inline constexpr int kNot32Bit = 7;
inline constexpr int kNoLibExt = 8;
inline constexpr int kVersionBelow15 = 9;
inline constexpr int kKeyNamesAnother = 10;
inline constexpr int kMayNotWrite = 11;
inline constexpr int kOthersMayChange = 12;

// The names of the runtime keys whose JavaHome is folder, in the registry's order.
std::vector<std::wstring> KeysNaming(platform::Registry& registry, const std::wstring& folder);

struct Registration {
    int status;
    std::vector<std::wstring> lines;
    bool madeAnew = false;  // a key was written: the registration is the caller's to take back
};

// Registers folder as a runtime where a start looks, in the 32-bit view under the name
// Oracle's installer gives it, with a mark of its own: only a 32-bit Java 1.5 to 8 with
// lib\ext, and never over a key that names another folder. A second run changes nothing.
Registration RegisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                             const std::wstring& folder);

// Removes the keys that RegisterRuntime made for folder, and no other.
Registration UnregisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                               const std::wstring& folder);

// Whether /register made the key below HKEY_LOCAL_MACHINE: it bears /register's mark.
bool MadeByRegister(platform::Registry& registry, const std::wstring& key);

}  // namespace check
