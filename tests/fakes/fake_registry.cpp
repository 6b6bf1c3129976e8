// The in-memory registry of the unit tests.
#include "tests/fakes/fake_registry.h"

#include <algorithm>
#include <cstring>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string Join(const std::string& parent, const std::string& child) {
    if (parent.empty()) return child;
    if (child.empty()) return parent;
    return parent + "\\" + child;
}

constexpr std::uint8_t kEuroByte = 0x80;
constexpr wchar_t kEuroSign = 0x20AC;

}  // namespace

FakeRegistry::Key& FakeRegistry::Ensure(const std::string& path) {
    const auto found = keys_.find(Upper(path));
    if (found != keys_.end()) return found->second;
    const auto slash = path.rfind('\\');
    const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    Ensure(parent).subkeys.push_back(name);
    return keys_[Upper(path)];
}

void FakeRegistry::AddKey(const std::string& path) { Ensure(path); }

void FakeRegistry::SetValue(const std::string& path, const std::string& name, std::uint32_t type, Bytes bytes) {
    auto& value = Ensure(path).values[Upper(name)];
    value.type = type;
    value.bytes = std::move(bytes);
}

void FakeRegistry::SetText(const std::string& path, const std::string& name, const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetValue(path, name, platform::kRegSz, std::move(bytes));
}

std::optional<base::Failure> FakeRegistry::WriteText(const std::wstring& key, const std::wstring& name,
                                                     const std::wstring& text) {
    if (refuseWrites || Injected(faults, "registry write")) return base::Failure(5, L"Access is denied.");
    if (Injected(faults, "registry write fails")) {
        return base::Failure(1450, L"Insufficient system resources exist to complete the requested service.");
    }
    SetText(WideToAnsi(key), WideToAnsi(name), WideToAnsi(text));
    return std::nullopt;
}

std::optional<base::Failure> FakeRegistry::RemoveKey(const std::wstring& wideKey) {
    if (refuseWrites) return base::Failure(5, L"Access is denied.");
    const std::string key = WideToAnsi(wideKey);
    const auto found = keys_.find(Upper(key));
    if (found == keys_.end()) return base::Failure(2, L"The system cannot find the file specified.");
    if (!found->second.subkeys.empty()) return base::Failure(5, L"Access is denied.");
    keys_.erase(found);
    auto& siblings = keys_[Upper(key.substr(0, key.rfind('\\')))].subkeys;
    std::erase_if(siblings,
                  [&](const std::string& name) { return Upper(name) == Upper(key.substr(key.rfind('\\') + 1)); });
    return std::nullopt;
}

void FakeRegistry::DenyOpen(const std::string& path, long status) { Ensure(path).deny = status; }

void FakeRegistry::FailEnumerationAt(const std::string& path, std::uint32_t index, long status) {
    Ensure(path).enumerationFailure = std::make_pair(index, status);
}

void FakeRegistry::FailQuery(const std::string& path, const std::string& name, long status) {
    Ensure(path).values[Upper(name)].failure = status;
}

void FakeRegistry::GrowAfterFirstQuery(const std::string& path, const std::string& name, Bytes bytes) {
    Ensure(path).values[Upper(name)].grown = std::move(bytes);
}

std::string FakeRegistry::PathOf(platform::RegistryKey key) const {
    if (key == platform::kHKeyLocalMachine) return "";
    return handlePaths_.at(key);
}

long FakeRegistry::OpenKeyEx(platform::RegistryKey root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, platform::RegistryKey& key) {
    ++opens;
    if (options != 0 || access != platform::kKeyRead) sawWrongOpenArguments = true;
    const std::string path = Join(PathOf(root), subKey);
    openedPaths.push_back(path);
    if (Injected(faults, "registry open")) return platform::kErrorAccessDenied;
    const auto found = keys_.find(Upper(path));
    if (found == keys_.end()) return platform::kErrorFileNotFound;
    if (found->second.deny) return *found->second.deny;
    key = nextHandle_++;
    handlePaths_[key] = path;
    openHandles.insert(key);
    mostOpenAtOnce = std::max(mostOpenAtOnce, openHandles.size());
    return platform::kErrorSuccess;
}

long FakeRegistry::EnumKey(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t nameLength) {
    ++enumerations;
    if (Injected(faults, "registry enumerate")) return platform::kErrorAccessDenied;
    const Key& entry = keys_.at(Upper(PathOf(key)));
    if (entry.enumerationFailure && entry.enumerationFailure->first == index) {
        return entry.enumerationFailure->second;
    }
    if (index >= entry.subkeys.size()) return platform::kErrorNoMoreItems;
    const std::string& subkey = entry.subkeys[index];
    if (subkey.size() + 1 > nameLength) return platform::kErrorMoreData;
    std::memcpy(name, subkey.c_str(), subkey.size() + 1);
    return platform::kErrorSuccess;
}

long FakeRegistry::QueryValueEx(platform::RegistryKey key, const std::string& valueName, std::uint32_t& type,
                                std::uint8_t* data, std::uint32_t& size) {
    ++queries;
    queryBufferSizes.push_back(size);
    if (Injected(faults, "registry query")) return platform::kErrorAccessDenied;
    Key& entry = keys_.at(Upper(PathOf(key)));
    const auto found = entry.values.find(Upper(valueName));
    if (found == entry.values.end()) return platform::kErrorFileNotFound;
    Value& value = found->second;
    if (value.failure) return *value.failure;
    const Bytes& bytes = value.grown && value.queried > 0 ? *value.grown : value.bytes;
    ++value.queried;
    type = value.type;
    const auto bufferSize = size;
    size = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() > bufferSize) {
        // What fits is written, as a worst case for a reader that trusts the size.
        std::memcpy(data, bytes.data(), bufferSize);
        return platform::kErrorMoreData;
    }
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    return platform::kErrorSuccess;
}

// A close that fails releases the handle all the same: the caller has nothing else to do.
void FakeRegistry::CloseKey(platform::RegistryKey key) {
    ++closes;
    Injected(faults, "registry close");
    if (openHandles.erase(key) == 0) ++badCloses;
    handlePaths_.erase(key);
}

std::wstring FakeRegistry::AnsiToWide(std::string_view ansi) const {
    std::wstring text;
    for (const char c : ansi) {
        const auto byte = static_cast<std::uint8_t>(c);
        text.push_back(byte == kEuroByte ? kEuroSign : static_cast<wchar_t>(byte));
    }
    return text;
}

std::string FakeRegistry::WideToAnsi(std::wstring_view text) const {
    std::string ansi;
    for (const wchar_t c : text) {
        if (c == kEuroSign) {
            ansi.push_back(static_cast<char>(kEuroByte));
        } else {
            ansi.push_back(c < 0x100 && c != kEuroByte ? static_cast<char>(c) : '?');
        }
    }
    return ansi;
}
