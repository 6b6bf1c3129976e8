// Read-only registry access: whether a key exists, its subkeys, one value by its type.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/failure.h"
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

// base::Failure 1001 "Unsupported value type".
[[nodiscard]] base::Failure UnsupportedValueType();

// One value converted by its type. The default (or the empty value) when the key cannot be
// opened; failure 1001 "Unsupported value type" for a type it does not convert, or for a value
// the key lacks. typeRead, when given, receives the type the query reported (REG_NONE when it
// failed).
base::Result<RegistryValue> ReadRegistryValue(
    platform::Registry& registry, platform::RegistryKey root, const std::wstring& path,
    const std::wstring& valueName, const std::optional<RegistryValue>& defaultValue = std::nullopt,
    std::uint32_t* typeRead = nullptr);

// The text of a value (ToText), or empty text when it cannot be read.
std::wstring ReadRegistryText(platform::Registry& registry, platform::RegistryKey root,
                              const std::wstring& path, const std::wstring& valueName);

// Text of a value: the empty value is empty text, an integer its decimal digits, a byte
// sequence its bytes read as UTF-16 code units.
std::wstring ToText(const RegistryValue& value);

}  // namespace MRegistry
