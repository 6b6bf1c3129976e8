// Read-only registry access: whether a key exists, its subkeys, one value by its type.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/failure.h"
#include "platform/registry.h"

namespace MRegistry {

inline constexpr long kUnsupportedValueType = 1001;

// Empty, text, signed 32-bit integer or byte sequence.
using RegistryValue =
    std::variant<std::monostate, std::wstring, std::int32_t, std::vector<std::uint8_t>>;

// Subkey names in the registry's index order, searchable by name.
class SubkeyList {
public:
    void Add(std::wstring name) { names_.push_back(std::move(name)); }
    bool Contains(const std::wstring& name) const {
        return std::find(names_.begin(), names_.end(), name) != names_.end();
    }
    const std::vector<std::wstring>& Names() const { return names_; }
    std::size_t Count() const { return names_.size(); }
    auto begin() const { return names_.begin(); }
    auto end() const { return names_.end(); }

private:
    std::vector<std::wstring> names_;
};

bool RegistryKeyExists(platform::Registry& registry, platform::RegistryKey root,
                       const std::wstring& path);

// An empty path lists root's own subkeys. A key that cannot be opened gives an empty list.
SubkeyList ListRegistrySubkeys(platform::Registry& registry, platform::RegistryKey root,
                               const std::wstring& path);

// Failure 1001 "Unsupported value type".
Failure UnsupportedValueType();

// The default (or the empty value) when the key cannot be opened; nothing for a type it does
// not convert, or for a value the key lacks. typeRead, when given, receives the type the
// query reported (REG_NONE when it failed).
std::optional<RegistryValue> TryReadRegistryValue(
    platform::Registry& registry, platform::RegistryKey root, const std::wstring& path,
    const std::wstring& valueName, const std::optional<RegistryValue>& defaultValue = std::nullopt,
    std::uint32_t* typeRead = nullptr);

// The same, raising failure 1001 "Unsupported value type" where it gives nothing.
inline RegistryValue ReadRegistryValue(platform::Registry& registry, platform::RegistryKey root,
                                       const std::wstring& path, const std::wstring& valueName,
                                       const std::optional<RegistryValue>& defaultValue = std::nullopt) {
    auto value = TryReadRegistryValue(registry, root, path, valueName, defaultValue);
    if (!value) Raise(UnsupportedValueType());
    return std::move(*value);
}

// Text of a value: the empty value is empty text, an integer its decimal digits, a byte
// sequence its bytes read as UTF-16 code units.
std::wstring ToText(const RegistryValue& value);

}  // namespace MRegistry
