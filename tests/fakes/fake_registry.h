// A registry in memory that counts calls and open handles and can be told to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_writer.h"
#include "tests/fakes/fault_plan.h"

class FakeRegistry final : public platform::Registry, public platform::RegistryWriter {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Paths are ANSI, below HKEY_LOCAL_MACHINE; missing parents are created. Subkeys keep
    // the order in which they were added.
    void AddKey(const std::string& path);
    void SetValue(const std::string& path, const std::string& name, std::uint32_t type, Bytes bytes);
    void SetText(const std::string& path, const std::string& name, const std::string& text);

    void DenyOpen(const std::string& path, long status = platform::kErrorAccessDenied);
    void FailEnumerationAt(const std::string& path, std::uint32_t index, long status);
    void FailQuery(const std::string& path, const std::string& name, long status);
    // After its first query the value holds these bytes instead.
    void GrowAfterFirstQuery(const std::string& path, const std::string& name, Bytes bytes);

    long OpenKeyEx(platform::RegistryKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                   platform::RegistryKey& key) override;
    long EnumKey(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t nameLength) override;
    long QueryValueEx(platform::RegistryKey key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                      std::uint32_t& size) override;
    void CloseKey(platform::RegistryKey key) override;
    std::wstring AnsiToWide(std::string_view ansi) const override;
    std::optional<base::Failure> WriteText(const std::wstring& key, const std::wstring& name,
                                           const std::wstring& text) override;
    std::optional<base::Failure> RemoveKey(const std::wstring& key) override;
    std::string WideToAnsi(std::wstring_view text) const override;

    int opens = 0;
    int enumerations = 0;
    int queries = 0;
    int closes = 0;
    int badCloses = 0;  // closes of a root or of a handle that is not open
    std::vector<std::uint32_t> queryBufferSizes;
    std::vector<std::string> openedPaths;
    std::set<platform::RegistryKey> openHandles;
    std::size_t mostOpenAtOnce = 0;
    bool sawWrongOpenArguments = false;
    FaultPlan* faults = nullptr;
    bool refuseWrites = false;  // as for a user who is not an administrator

private:
    struct Value {
        std::uint32_t type = 0;
        Bytes bytes;
        std::optional<Bytes> grown;
        int queried = 0;
        std::optional<long> failure;
    };
    struct Key {
        std::vector<std::string> subkeys;     // display names, insertion order
        std::map<std::string, Value> values;  // by upper-case name
        std::optional<long> deny;
        std::optional<std::pair<std::uint32_t, long>> enumerationFailure;
    };

    Key& Ensure(const std::string& path);
    std::string PathOf(platform::RegistryKey key) const;

    std::map<std::string, Key> keys_{{"", Key{}}};  // by upper-case path
    std::map<platform::RegistryKey, std::string> handlePaths_;
    platform::RegistryKey nextHandle_ = 0x1000;
};
