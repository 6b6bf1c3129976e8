// The registry functions on Win32, and text between UTF-16 and a code page.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

HKEY ToHkey(platform::RegistryKey key) {
    if (key == platform::kHKeyLocalMachine) return HKEY_LOCAL_MACHINE;
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

long Win32Registry::OpenKeyEx(platform::RegistryKey root, const std::string& subKey,
                              std::uint32_t options, std::uint32_t access,
                              platform::RegistryKey& key) {
    HKEY opened = nullptr;
    const LONG status =
        RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, access | view_, &opened);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<platform::RegistryKey>(opened);
    return status;
}

long Win32Registry::EnumKey(platform::RegistryKey key, std::uint32_t index, char* name,
                            std::uint32_t nameLength) {
    return RegEnumKeyA(ToHkey(key), index, name, nameLength);
}

long Win32Registry::QueryValueEx(platform::RegistryKey key, const std::string& valueName,
                                 std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = type;
    DWORD valueSize = size;
    const LONG status =
        RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

void Win32Registry::CloseKey(platform::RegistryKey key) { RegCloseKey(ToHkey(key)); }

std::optional<base::Failure> Win32RegistryWriter::WriteText(const std::wstring& key,
                                                            const std::wstring& name,
                                                            const std::wstring& text) {
    ScopedKey opened;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, opened.Out(), nullptr);
    if (status != ERROR_SUCCESS) return SystemFailure(static_cast<DWORD>(status));
    status = RegSetValueExW(opened.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) return SystemFailure(static_cast<DWORD>(status));
    return std::nullopt;
}

std::optional<base::Failure> Win32RegistryWriter::RemoveKey(const std::wstring& key) {
    const LONG status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
    if (status != ERROR_SUCCESS) return SystemFailure(static_cast<DWORD>(status));
    return std::nullopt;
}

std::wstring Win32Registry::AnsiToWide(std::string_view ansi) const {
    return FromCodePage(ansi, CP_ACP);
}

std::string Win32Registry::WideToAnsi(std::wstring_view text) const {
    return ToCodePage(text, CP_ACP);
}

std::wstring FromCodePage(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), wideLength);
    return text;
}

namespace {

// A character a code page lacks becomes "?", not a look-alike: a best fit can turn a path into
// another folder's. UTF-8, UTF-7, GB 18030, the ISO-2022 pages, ISCII and Symbol take no such
// flag.
DWORD NoBestFit(UINT codePage) {
    const bool takesNoFlag = codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 54936 ||
                             codePage == 42 || (codePage >= 50220 && codePage <= 50229) ||
                             (codePage >= 57002 && codePage <= 57011);
    return takesNoFlag ? 0 : WC_NO_BEST_FIT_CHARS;
}

}  // namespace

std::string ToCodePage(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const DWORD flags = NoBestFit(codePage);
    const int byteLength =
        WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(byteLength), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), byteLength, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace win32
