// The decisions of a start that the check takes as well: which runtime, from which folder,
// and where the support files go.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/registry.h"
#include "product_facts.h"

namespace mod_main {

inline constexpr wchar_t kJavaRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
inline constexpr wchar_t kJavaHomeValue[] = L"JavaHome";
// The folder the support source folder lies in, and the source folder itself.
inline constexpr wchar_t kSupportSourceParent[] = L"" SMS_SUPPORT_PARENT;
inline constexpr wchar_t kSupportSourceFolder[] = L"" SMS_SUPPORT_PARENT L"\\" SMS_SUPPORT_NAME;
inline constexpr double kMinimumJavaVersion = 1.5;

// A serial-port support file: its folder below the runtime (ending in a backslash) and its
// name there, which is also its name in the support source folder.
struct SupportFile {
    const wchar_t* folderSuffix;
    const wchar_t* fileName;
};

// The support files' places as the product's facts give them ("lib/ext/Comm.jar"), split into
// folders and names when the program is built.
namespace support_table {

inline constexpr wchar_t kPaths[] = L"" SMS_SUPPORT_PATHS;
inline constexpr std::size_t kLength = sizeof(kPaths) / sizeof(wchar_t) - 1;
inline constexpr std::size_t kCount = [] {
    std::size_t count = 1;
    for (std::size_t at = 0; at < kLength; ++at) count += kPaths[at] == L' ';
    return count;
}();

// Each place as its folder ("\lib\ext\") and its name ("Comm.jar"), each ended by a NUL,
// and where each of them begins.
struct Texts {
    wchar_t text[kLength + 3 * kCount]{};
    std::size_t folderAt[kCount]{};
    std::size_t nameAt[kCount]{};
};

inline constexpr Texts kTexts = [] {
    Texts texts;
    std::size_t out = 0;
    for (std::size_t file = 0, start = 0; file < kCount; ++file) {
        std::size_t end = start;
        while (end < kLength && kPaths[end] != L' ') ++end;
        std::size_t name = end;
        while (name > start && kPaths[name - 1] != L'/') --name;
        texts.folderAt[file] = out;
        texts.text[out++] = L'\\';
        for (std::size_t at = start; at < name; ++at)
            texts.text[out++] = kPaths[at] == L'/' ? L'\\' : kPaths[at];
        texts.text[out++] = L'\0';
        texts.nameAt[file] = out;
        for (std::size_t at = name; at < end; ++at) texts.text[out++] = kPaths[at];
        texts.text[out++] = L'\0';
        start = end + 1;
    }
    return texts;
}();

}  // namespace support_table

inline constexpr std::array<SupportFile, support_table::kCount> kSupportFiles = [] {
    std::array<SupportFile, support_table::kCount> files{};
    for (std::size_t file = 0; file < files.size(); ++file) {
        files[file] = {&support_table::kTexts.text[support_table::kTexts.folderAt[file]],
                       &support_table::kTexts.text[support_table::kTexts.nameAt[file]]};
    }
    return files;
}();

// The version a runtime's key name stands for: its first three characters read as a number,
// with a point as the decimal separator; failure 13 "Type mismatch" when they are not one.
base::Result<double> RuntimeVersionOf(const std::wstring& name);

bool IsSuitableVersion(double version);

// Where the search through the listed runtime names stops: at the first name of version 1.5
// or higher, or at a name that is not a number met before one.
struct RuntimeChoice {
    std::size_t stoppedAt = 0;             // index of that name; the list's length when none
    bool chosen = false;                   // the name at stoppedAt is the chosen runtime
    std::optional<base::Failure> failure;  // 13 "Type mismatch": the name at stoppedAt is no number
};
RuntimeChoice ChooseRuntime(const std::vector<std::wstring>& names);

// The chosen runtime's install folder: its JavaHome value as text, empty when its key cannot
// be opened; failure 1001 "Unsupported value type" when the value is missing or of a type the
// registry reader does not convert. typeRead, when given, receives the value's registry type.
base::Result<std::wstring> ReadJavaHome(platform::Registry& registry, const std::wstring& name,
                                        std::uint32_t* typeRead = nullptr);

// A support file's place in the runtime at home, and its source.
std::wstring SupportFolder(const std::wstring& home, const SupportFile& file);
std::wstring SupportSource(const SupportFile& file);

// The name of the temporary file that a support file is copied to before its rename.
std::wstring TemporaryNameFor(const std::wstring& name);

}  // namespace mod_main
