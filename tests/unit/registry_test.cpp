// The registry reader against the in-memory registry.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "registry/MRegistry.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_registry.h"

namespace {

using MRegistry::RegistryValue;
using Bytes = std::vector<std::uint8_t>;
constexpr auto kRoot = platform::kHKeyLocalMachine;
const std::string kKey = "SOFTWARE\\Test";
const std::wstring kWideKey = L"SOFTWARE\\Test";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

void ExpectNothingLeftOpen(const FakeRegistry& registry) {
    EXPECT_TRUE(registry.openHandles.empty());
    EXPECT_EQ(registry.badCloses, 0);
    EXPECT_LE(registry.mostOpenAtOnce, 1u);
    EXPECT_FALSE(registry.sawWrongOpenArguments);
}

TEST(RegistryKeyExists, OpensAndClosesOrReportsFalse) {
    FakeRegistry registry;
    registry.AddKey(kKey);
    registry.DenyOpen("SOFTWARE\\Locked");
    EXPECT_TRUE(MRegistry::RegistryKeyExists(registry, kRoot, kWideKey));
    EXPECT_FALSE(MRegistry::RegistryKeyExists(registry, kRoot, L"SOFTWARE\\Absent"));
    EXPECT_FALSE(MRegistry::RegistryKeyExists(registry, kRoot, L"SOFTWARE\\Locked"));
    EXPECT_EQ(registry.closes, 1);
    ExpectNothingLeftOpen(registry);
}

TEST(ListRegistrySubkeys, KeepsIndexOrderAndCanBeSearched) {
    FakeRegistry registry;
    for (const char* name : {"1.6", "1.4.2_08", "b", "A", "1.5"}) registry.AddKey(kKey + "\\" + name);
    const auto list = MRegistry::ListRegistrySubkeys(registry, kRoot, kWideKey);
    EXPECT_EQ(list.Names(), (std::vector<std::wstring>{L"1.6", L"1.4.2_08", L"b", L"A", L"1.5"}));
    EXPECT_TRUE(list.Contains(L"1.4.2_08"));
    EXPECT_FALSE(list.Contains(L"1.7"));
    EXPECT_EQ(registry.enumerations, 6);
    ExpectNothingLeftOpen(registry);
}

TEST(ListRegistrySubkeys, TakesTheLongestNameAndGoesOn) {
    FakeRegistry registry;
    const std::string longest(255, 'n');  // the longest name a key may have
    registry.AddKey(kKey + "\\" + longest);
    registry.AddKey(kKey + "\\after");
    EXPECT_EQ(MRegistry::ListRegistrySubkeys(registry, kRoot, kWideKey).Names(),
              (std::vector<std::wstring>{std::wstring(255, L'n'), L"after"}));
}

TEST(ListRegistrySubkeys, EdgeCases) {
    FakeRegistry registry;
    registry.AddKey(kKey);
    registry.AddKey("SOFTWARE\\Partial\\one");
    registry.AddKey("SOFTWARE\\Partial\\two");
    registry.AddKey("SOFTWARE\\Partial\\three");
    registry.FailEnumerationAt("SOFTWARE\\Partial", 2, platform::kErrorAccessDenied);
    registry.AddKey("SOFTWARE\\Caf\x80");

    EXPECT_EQ(MRegistry::ListRegistrySubkeys(registry, kRoot, kWideKey).Count(), 0u);
    EXPECT_EQ(registry.enumerations, 1);
    EXPECT_EQ(MRegistry::ListRegistrySubkeys(registry, kRoot, L"SOFTWARE\\Absent").Count(), 0u);
    EXPECT_EQ(MRegistry::ListRegistrySubkeys(registry, kRoot, L"SOFTWARE\\Partial").Names(),
              (std::vector<std::wstring>{L"one", L"two"}));

    const int closesBefore = registry.closes;
    const auto rootList = MRegistry::ListRegistrySubkeys(registry, kRoot, L"");
    EXPECT_EQ(rootList.Names(), std::vector<std::wstring>{L"SOFTWARE"});
    EXPECT_EQ(registry.closes, closesBefore);  // the root is never closed

    const auto software = MRegistry::ListRegistrySubkeys(registry, kRoot, L"SOFTWARE");
    EXPECT_TRUE(software.Contains(L"Caf\u20AC"));  // decoded through the code page
    ExpectNothingLeftOpen(registry);
}

struct ValueCase {
    const char* name;
    std::uint32_t type;
    Bytes bytes;
    RegistryValue expected;
    int queries;
};

// The value read; a failure fails the test.
RegistryValue Value(const base::Result<RegistryValue>& read) {
    if (read) return *read;
    ADD_FAILURE() << "failed: " << Narrow(read.failure().description);
    return {};
}

TEST(ReadRegistryValue, ConvertsEachHandledType) {
    const Bytes big1024(1024, 'x');
    const Bytes big1025 = [] {
        Bytes b(1024, 'y');
        b.push_back(0);
        return b;
    }();
    const Bytes binary2000 = [] {
        Bytes b(2000);
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7);
        return b;
    }();
    // clang-format off
    const ValueCase cases[] = {
        {"three characters", platform::kRegSz, Text(std::string("abc\0", 4)), L"abc", 1},
        {"terminator alone", platform::kRegSz, Bytes{0}, L"", 1},
        {"inner NUL kept", platform::kRegSz, Text(std::string("abc\0\0", 5)),
         std::wstring(L"abc\0", 4), 1},
        {"code page", platform::kRegSz, Bytes{'5', 0x80, 0}, L"5\u20AC", 1},
        {"1024 bytes, one query", platform::kRegSz, big1024, std::wstring(1023, L'x'), 1},
        {"1025 bytes, two queries", platform::kRegSz, big1025, std::wstring(1024, L'y'), 2},
        {"unexpanded", platform::kRegExpandSz, Text(std::string("%PATH%;x\0", 9)), L"%PATH%;x", 1},
        {"multi a,b", platform::kRegMultiSz, Text(std::string("a\0b\0\0", 5)),
         std::wstring(L"a\0b", 3), 1},
        {"dword -1", platform::kRegDword, Bytes{0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}, 1},
        {"dword 256", platform::kRegDword, Bytes{0x00, 0x01, 0x00, 0x00}, std::int32_t{256}, 1},
        {"short dword", platform::kRegDword, Bytes{0x34, 0x12}, std::int32_t{0x1234}, 1},
        {"binary 3", platform::kRegBinary, Bytes{1, 2, 3}, Bytes{1, 2, 3}, 1},
        {"binary 2000", platform::kRegBinary, binary2000, binary2000, 2},
        {"empty text", platform::kRegSz, Bytes{}, L"", 1},
        {"empty expand", platform::kRegExpandSz, Bytes{}, L"", 1},
        {"multi of 0", platform::kRegMultiSz, Bytes{}, L"", 1},
        {"multi of 1", platform::kRegMultiSz, Bytes{0}, L"", 1},
        {"empty binary", platform::kRegBinary, Bytes{}, Bytes{}, 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.SetValue(kKey, "v", c.type, c.bytes);
        EXPECT_EQ(Value(MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v")), c.expected) << c.name;
        EXPECT_EQ(registry.queries, c.queries) << c.name;
        if (c.queries == 2) {
            EXPECT_EQ(registry.queryBufferSizes,
                      (std::vector<std::uint32_t>{1024, static_cast<std::uint32_t>(c.bytes.size())}))
                << c.name;
        }
        ExpectNothingLeftOpen(registry);
    }
}

TEST(ReadRegistryValue, UnhandledTypesAndMissingValuesFailWithTheKeyClosed) {
    struct Case {
        const char* name;
        std::uint32_t type;
        bool present;
        std::optional<RegistryValue> defaultValue;
    };
    // clang-format off
    const Case cases[] = {
        {"REG_NONE", platform::kRegNone, true, std::nullopt},
        {"REG_DWORD_BIG_ENDIAN", platform::kRegDwordBigEndian, true, std::nullopt},
        {"REG_LINK", platform::kRegLink, true, std::nullopt},
        {"REG_QWORD", platform::kRegQword, true, std::nullopt},
        {"missing, no default", 0, false, std::nullopt},
        {"missing, with default", 0, false, RegistryValue{std::wstring(L"d")}},
    };
    // clang-format on
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.AddKey(kKey);
        if (c.present) registry.SetValue(kKey, "v", c.type, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
        const auto read = MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v", c.defaultValue);
        ASSERT_FALSE(read) << c.name << " did not fail";
        EXPECT_EQ(read.failure().number, 1001) << c.name;
        EXPECT_EQ(read.failure().description, L"Unsupported value type") << c.name;
        EXPECT_EQ(registry.closes, 1) << c.name;
        ExpectNothingLeftOpen(registry);
    }
}

TEST(ReadRegistryValue, AFailedQueryEndsLikeAMissingValue) {
    FakeRegistry registry;
    registry.SetValue(kKey, "v", platform::kRegSz, Bytes{'a', 0});
    registry.FailQuery(kKey, "v", platform::kErrorAccessDenied);
    EXPECT_FALSE(MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v"));
    ExpectNothingLeftOpen(registry);
}

TEST(ReadRegistryValue, AnAbsentKeyGivesTheDefaultUnchanged) {
    const RegistryValue defaults[] = {std::int32_t{7}, std::wstring(L"home"), Bytes{9}};
    for (const auto& fallback : defaults) {
        FakeRegistry registry;
        EXPECT_EQ(Value(MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v", fallback)), fallback);
        EXPECT_EQ(registry.queries, 0);
    }
    FakeRegistry registry;
    registry.DenyOpen(kKey);
    const auto value = Value(MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v"));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
    EXPECT_EQ(MRegistry::ToText(value), L"");
}

TEST(ReadRegistryValue, AValueThatGrowsBetweenQueriesIsReadOnlyWithinTheBuffer) {
    FakeRegistry registry;
    Bytes first(1500, 'a');
    first.back() = 0;
    Bytes grown(3000, 'b');
    grown.back() = 0;
    registry.SetValue(kKey, "v", platform::kRegSz, first);
    registry.GrowAfterFirstQuery(kKey, "v", grown);
    const auto value = Value(MRegistry::ReadRegistryValue(registry, kRoot, kWideKey, L"v"));
    EXPECT_EQ(value, RegistryValue{std::wstring(1500, L'b')});
    EXPECT_EQ(registry.queries, 2);

    FakeRegistry binary;
    binary.SetValue(kKey, "v", platform::kRegBinary, Bytes(1100, 1));
    binary.GrowAfterFirstQuery(kKey, "v", Bytes(5000, 2));
    EXPECT_EQ(Value(MRegistry::ReadRegistryValue(binary, kRoot, kWideKey, L"v")), RegistryValue{Bytes(1100, 2)});
    ExpectNothingLeftOpen(registry);
}

TEST(ToText, TurnsEachKindIntoText) {
    EXPECT_EQ(MRegistry::ToText(RegistryValue{}), L"");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::wstring(L"C:\\Java")}), L"C:\\Java");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::int32_t{-15}}), L"-15");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::int32_t{0}}), L"0");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::int32_t{1000}}), L"1000");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::int32_t{-2147483647 - 1}}), L"-2147483648");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{std::int32_t{9087}}), L"9087");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{Bytes{'h', 0, 'i', 0}}), L"hi");
    EXPECT_EQ(MRegistry::ToText(RegistryValue{Bytes{'h', 0, 'i'}}), L"h");  // the odd byte dropped
    EXPECT_EQ(MRegistry::ToText(RegistryValue{Bytes{0xAC, 0x20, '9', 0}}), L"\u20AC9");
}

}  // namespace
