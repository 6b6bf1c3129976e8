// Read-only access to the Windows registry in the form of its four ANSI functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A root-key handle or a key handle opened through Registry::OpenKeyEx.
using RegistryKey = std::uintptr_t;

inline constexpr RegistryKey kHKeyLocalMachine = 0x80000002u;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

inline constexpr std::uint32_t kKeyRead = 0x20019;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Mirrors RegOpenKeyExA, RegEnumKeyA, RegQueryValueExA and RegCloseKey: each returns the
// system's status code. Text crosses as ANSI in the system code page; AnsiToWide and
// WideToAnsi convert it in that code page.
class Registry {
public:
    virtual ~Registry() = default;

    virtual long OpenKeyEx(RegistryKey root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, RegistryKey& key) = 0;
    virtual long EnumKey(RegistryKey key, std::uint32_t index, char* name,
                         std::uint32_t nameLength) = 0;
    virtual long QueryValueEx(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) = 0;
    virtual void CloseKey(RegistryKey key) = 0;

    virtual std::wstring AnsiToWide(std::string_view ansi) const = 0;
    virtual std::string WideToAnsi(std::wstring_view text) const = 0;
};

}  // namespace platform
