// Reads one registry value of any type, size and content, which may grow between the two
// queries: no crash, no read beyond a buffer, no leak, no key left open.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/failure.h"
#include "registry/MRegistry.h"
#include "tests/fakes/fake_registry.h"

namespace {

// count bytes made by repeating the pattern (zeros when there is none).
std::vector<std::uint8_t> Repeat(const std::uint8_t* pattern, std::size_t length, std::size_t count) {
    std::vector<std::uint8_t> bytes(count, 0);
    for (std::size_t i = 0; length > 0 && i < count; ++i) bytes[i] = pattern[i % length];
    return bytes;
}

}  // namespace

// Input: type, flags, the value's size (2 bytes) and its size after growing (2 bytes), then
// the bytes that are repeated to fill it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const std::uint32_t type = data[0] % 16;
    const bool grows = data[1] & 1;
    const bool withDefault = data[1] & 2;
    const std::size_t firstSize = (static_cast<std::size_t>(data[2]) << 8 | data[3]) % 4096;
    const std::size_t grownSize = (static_cast<std::size_t>(data[4]) << 8 | data[5]) % 8192;
    const auto first = Repeat(data + 6, size - 6, firstSize);
    const auto grown = Repeat(data + 6, size - 6, grownSize);

    FakeRegistry registry;
    const std::string key = "SOFTWARE\\Fuzz";
    registry.SetValue(key, "v", type, first);
    if (grows) registry.GrowAfterFirstQuery(key, "v", grown);
    const auto value = MRegistry::ReadRegistryValue(
        registry, platform::kHKeyLocalMachine, L"SOFTWARE\\Fuzz", L"v",
        withDefault ? std::optional<MRegistry::RegistryValue>(std::int32_t{1}) : std::nullopt);
    if (value) {
        MRegistry::ToText(*value);
    } else if (value.failure().number != MRegistry::kUnsupportedValueType) {
        std::abort();
    }
    if (!registry.openHandles.empty() || registry.badCloses != 0 || registry.queries > 2) {
        std::abort();
    }
    return 0;
}
