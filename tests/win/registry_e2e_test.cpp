// The registry reader against Wine's real registry, filled from a .reg fixture.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "platform/win32/win32_platform.h"
#include "registry/MRegistry.h"
#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

using MRegistry::RegistryValue;
using Bytes = std::vector<std::uint8_t>;
constexpr auto kRoot = platform::kHKeyLocalMachine;
const std::wstring kValues = L"SOFTWARE\\SmsServerTest\\Values";
const std::wstring kMany = L"SOFTWARE\\SmsServerTest\\Many";

// The process's open handles, from the system's handle table (Wine does not keep the
// process's own handle count).
DWORD HandleCount() {
    struct Entry {
        ULONG ownerProcessId;
        BYTE objectType;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 16);
    ULONG needed = 0;
    while (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
        if (buffer.size() > (64u << 20)) return 0;
        buffer.resize(buffer.size() * 4);
    }
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    DWORD mine = 0;
    for (ULONG i = 0; i < count; ++i) {
        if (entries[i].ownerProcessId == GetCurrentProcessId()) ++mine;
    }
    return mine;
}

class RealRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ImportRegistry(L"registry_values.reg"); }

    base::Result<RegistryValue> Read(const std::wstring& name) {
        return MRegistry::ReadRegistryValue(registry_, kRoot, kValues, name);
    }

    win32::Win32Registry registry_;
};

TEST_F(RealRegistry, ReadsEachHandledType) {
    Bytes binary2000(2000);
    for (std::size_t i = 0; i < binary2000.size(); ++i) binary2000[i] = static_cast<std::uint8_t>(i * 7);
    // clang-format off
    const std::pair<const wchar_t*, RegistryValue> cases[] = {
        {L"Text", std::wstring(L"abc")},
        {L"Empty", std::wstring()},
        {L"InnerNul", std::wstring(L"abc\0", 4)},
        {L"Euro", std::wstring(L"5\u20AC")},
        {L"Long1024", std::wstring(1023, L'x')},
        {L"Long1025", std::wstring(1024, L'y')},
        {L"Expand", std::wstring(L"%PATH%;x")},
        {L"Multi", std::wstring(L"a\0b", 3)},
        {L"Minus1", std::int32_t{-1}},
        {L"Dword256", std::int32_t{256}},
        {L"Binary3", Bytes{1, 2, 3}},
        {L"Binary2000", binary2000},
    };
    // clang-format on
    for (const auto& [name, expected] : cases) {
        const auto read = Read(name);
        ASSERT_TRUE(read) << Utf8(name);
        EXPECT_EQ(*read, expected) << Utf8(name);
    }
}

TEST_F(RealRegistry, UnhandledTypesAndMissingValuesFail) {
    for (const wchar_t* name : {L"Qword", L"None", L"Link", L"BigEndian", L"NotThere"}) {
        const auto read = Read(name);
        ASSERT_FALSE(read) << Utf8(name) << " was read";
        EXPECT_EQ(read.failure().number, 1001);
        EXPECT_EQ(read.failure().description, L"Unsupported value type");
    }
    const RegistryValue fallback = std::int32_t{5};
    EXPECT_EQ(*MRegistry::ReadRegistryValue(registry_, kRoot, L"SOFTWARE\\NotThere", L"v", fallback), fallback);
}

TEST_F(RealRegistry, ListsSubkeysInTheRegistrysOwnOrder) {
    std::vector<std::wstring> expected;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMany.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t name[260];
    for (DWORD index = 0;; ++index) {
        DWORD length = 260;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        expected.push_back(name);
    }
    RegCloseKey(key);
    ASSERT_EQ(expected.size(), 45u);

    const auto list = MRegistry::ListRegistrySubkeys(registry_, kRoot, kMany);
    EXPECT_EQ(list.Names(), expected);
    EXPECT_TRUE(list.Contains(L"1.10"));
    EXPECT_TRUE(MRegistry::RegistryKeyExists(registry_, kRoot, kMany));
    EXPECT_FALSE(MRegistry::RegistryKeyExists(registry_, kRoot, kMany + L"\\absent"));
    EXPECT_TRUE(MRegistry::ListRegistrySubkeys(registry_, kRoot, kMany + L"\\absent").Names().empty());
}

TEST_F(RealRegistry, LeavesNoHandleOpen) {
    // The first calls set up what the registry functions keep for the rest of the process.
    EXPECT_TRUE(Read(L"Text"));
    EXPECT_FALSE(Read(L"Qword"));
    const DWORD before = HandleCount();
    HKEY held = nullptr;  // the count must see a key left open
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMany.c_str(), 0, KEY_READ, &held), ERROR_SUCCESS);
    EXPECT_EQ(HandleCount(), before + 1);
    RegCloseKey(held);
    for (int round = 0; round < 20; ++round) {
        EXPECT_TRUE(Read(L"Long1025"));
        EXPECT_TRUE(Read(L"Binary2000"));
        EXPECT_FALSE(Read(L"Qword"));
        EXPECT_FALSE(Read(L"NotThere"));
        MRegistry::ListRegistrySubkeys(registry_, kRoot, kMany);
        MRegistry::RegistryKeyExists(registry_, kRoot, kMany);
    }
    EXPECT_EQ(HandleCount(), before);
}

}  // namespace
}  // namespace e2e
