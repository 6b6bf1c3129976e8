// Registry reader over the platform's ANSI registry functions.
#include "registry/MRegistry.h"

#include <algorithm>
#include <cstring>

#include "base/failure.h"
#include "base/text.h"

namespace MRegistry {
namespace {

using platform::Registry;
using platform::RegistryKey;

constexpr std::uint32_t kNameBufferLength = 260;
constexpr std::uint32_t kFirstValueBufferSize = 1024;

// Owns one opened key for the length of a call.
class OpenedKey {
public:
    OpenedKey(Registry& registry, RegistryKey key) : registry_(registry), key_(key) {}
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    ~OpenedKey() { registry_.CloseKey(key_); }
    RegistryKey get() const { return key_; }

private:
    Registry& registry_;
    RegistryKey key_;
};

std::optional<RegistryKey> OpenForReading(Registry& registry, RegistryKey root,
                                          const std::wstring& path) {
    RegistryKey key = 0;
    if (registry.OpenKeyEx(root, registry.WideToAnsi(path), 0, platform::kKeyRead, key) !=
        platform::kErrorSuccess) {
        return std::nullopt;
    }
    return key;
}

// The first count bytes of the buffer, never more than it holds.
std::string_view Leading(const std::vector<std::uint8_t>& buffer, std::uint32_t count) {
    const auto length = std::min<std::size_t>(count, buffer.size());
    return {reinterpret_cast<const char*>(buffer.data()), length};
}

// The reported size less the terminating NULs; values too short to hold them give nothing.
std::uint32_t SizeWithout(std::uint32_t size, std::uint32_t terminators) {
    return size >= terminators ? size - terminators : 0;
}

std::optional<RegistryValue> Convert(const Registry& registry, std::uint32_t type,
                                     const std::vector<std::uint8_t>& buffer, std::uint32_t size) {
    switch (type) {
        case platform::kRegSz:
        case platform::kRegExpandSz:
            return registry.AnsiToWide(Leading(buffer, SizeWithout(size, 1)));
        case platform::kRegMultiSz:
            return registry.AnsiToWide(Leading(buffer, SizeWithout(size, 2)));
        case platform::kRegBinary: {
            const auto bytes = Leading(buffer, size);
            return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
        }
        case platform::kRegDword: {
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < 4 && i < buffer.size(); ++i) {
                bits |= static_cast<std::uint32_t>(buffer[i]) << (8 * i);
            }
            return static_cast<std::int32_t>(bits);
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

bool RegistryKeyExists(Registry& registry, RegistryKey root, const std::wstring& path) {
    const auto key = OpenForReading(registry, root, path);
    if (!key) return false;
    const OpenedKey opened(registry, *key);
    return true;
}

SubkeyList ListRegistrySubkeys(Registry& registry, RegistryKey root, const std::wstring& path) {
    SubkeyList list;
    std::optional<OpenedKey> opened;
    RegistryKey key = root;
    if (!path.empty()) {
        const auto handle = OpenForReading(registry, root, path);
        if (!handle) return list;
        opened.emplace(registry, *handle);
        key = *handle;
    }
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        name.assign(kNameBufferLength, ' ');
        if (registry.EnumKey(key, index, name.data(), kNameBufferLength) !=
            platform::kErrorSuccess) {
            break;
        }
        name.resize(std::min(name.find('\0'), name.size()));
        list.Add(registry.AnsiToWide(name));
    }
    return list;
}

base::Failure UnsupportedValueType() {
    return base::Failure::Own(kUnsupportedValueType, L"Unsupported value type");
}

base::Result<RegistryValue> ReadRegistryValue(Registry& registry, RegistryKey root,
                                              const std::wstring& path,
                                              const std::wstring& valueName,
                                              const std::optional<RegistryValue>& defaultValue,
                                              std::uint32_t* typeRead) {
    const auto handle = OpenForReading(registry, root, path);
    if (!handle) return defaultValue ? *defaultValue : RegistryValue{};

    OpenedKey key(registry, *handle);
    const std::string name = registry.WideToAnsi(valueName);
    std::uint32_t type = platform::kRegNone;
    std::uint32_t size = kFirstValueBufferSize;
    std::vector<std::uint8_t> buffer(size, 0);
    if (registry.QueryValueEx(key.get(), name, type, buffer.data(), size) ==
        platform::kErrorMoreData) {
        buffer.assign(size, 0);
        registry.QueryValueEx(key.get(), name, type, buffer.data(), size);
    }
    if (typeRead) *typeRead = type;
    auto value = Convert(registry, type, buffer, size);
    if (!value) return UnsupportedValueType();
    return std::move(*value);
}

std::wstring ToText(const RegistryValue& value) {
    struct Visitor {
        std::wstring operator()(std::monostate) const { return {}; }
        std::wstring operator()(const std::wstring& text) const { return text; }
        std::wstring operator()(std::int32_t number) const { return base::DecimalText(number); }
        std::wstring operator()(const std::vector<std::uint8_t>& bytes) const {
            std::wstring text;
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
                text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
            }
            return text;
        }
    };
    return std::visit(Visitor{}, value);
}

std::wstring ReadRegistryText(platform::Registry& registry, platform::RegistryKey root,
                              const std::wstring& path, const std::wstring& valueName) {
    const auto value = ReadRegistryValue(registry, root, path, valueName);
    return value ? ToText(*value) : std::wstring();
}

}  // namespace MRegistry
