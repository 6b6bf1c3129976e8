// Finding installed Java runtimes in the keys their installers write, beside the one key the
// launcher reads.
#include "check/installed_runtimes.h"

#include <algorithm>

#include "base/text.h"
#include "registry/MRegistry.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// Where each vendor's installer keeps its runtimes; a runtime's folder is a Path,
// InstallationPath or JavaHome value a few keys below.
struct VendorKey {
    const wchar_t* key;
    const wchar_t* vendor;
    const wchar_t* option;  // the installer's way to write the JavaSoft key, where it has one
};
constexpr VendorKey kVendorKeys[] = {
    {L"SOFTWARE\\JavaSoft", L"Java (JavaSoft key)", L""},
    {L"SOFTWARE\\Eclipse Adoptium", L"Eclipse Temurin",
     L"or install it again with FeatureOracleJavaSoft in ADDLOCAL"},
    {L"SOFTWARE\\Azul Systems\\Zulu", L"Azul Zulu", L""},
    {L"SOFTWARE\\Azul Systems\\Zulu 32-bit", L"Azul Zulu", L""},
    {L"SOFTWARE\\BellSoft\\Liberica", L"BellSoft Liberica", L""},
    {L"SOFTWARE\\Semeru", L"IBM Semeru", L""},
};
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr int kVendorKeyDepth = 4;

bool StartsWithDigit(const std::wstring& text) {
    return !text.empty() && text[0] >= L'0' && text[0] <= L'9';
}

class Search {
public:
    explicit Search(const CheckPlatform& platform) : platform_(platform) {}

    std::vector<InstalledRuntime> Run() {
        platform::Registry* const views[] = {&platform_.registry, platform_.registry64};
        for (platform::Registry* view : views) {
            if (!view) continue;
            for (const auto& vendor : kVendorKeys)
                Walk(*view, vendor, vendor.key, L"", kVendorKeyDepth);
            for (const auto& entry : MRegistry::ListRegistrySubkeys(
                     *view, platform::kHKeyLocalMachine, kUninstallKey)) {
                const std::wstring key = base::Concat({kUninstallKey, L"\\", entry});
                Add(Text(*view, key, L"InstallLocation"), Text(*view, key, L"DisplayName"), L"",
                    nullptr);
            }
        }
        return std::move(found_);
    }

private:
    static std::wstring Text(platform::Registry& view, const std::wstring& key,
                             const wchar_t* name) {
        return MRegistry::ReadRegistryText(view, platform::kHKeyLocalMachine, key, name);
    }

    // keyVersion: the last key name on the way down that begins with a digit.
    void Walk(platform::Registry& view, const VendorKey& vendor, const std::wstring& key,
              const std::wstring& keyVersion, int depth) {
        for (const wchar_t* value : {L"Path", L"InstallationPath", L"JavaHome"}) {
            Add(Text(view, key, value), L"", keyVersion, &vendor);
        }
        if (depth == 0) return;
        for (const auto& name :
             MRegistry::ListRegistrySubkeys(view, platform::kHKeyLocalMachine, key)) {
            Walk(view, vendor, base::Concat({key, L"\\", name}),
                 StartsWithDigit(name) ? name : keyVersion, depth - 1);
        }
    }

    void Add(const std::wstring& registered, const std::wstring& displayName,
             const std::wstring& keyVersion, const VendorKey* vendor) {
        const std::wstring folder = WithoutTrailingBackslash(registered);
        if (folder.empty() || !platform_.queries.FileExists(folder + L"\\bin\\java.exe")) return;
        const std::wstring key = FolderForComparison(folder);
        auto known = std::find_if(found_.begin(), found_.end(), [&](const InstalledRuntime& r) {
            return FolderForComparison(r.folder) == key;
        });
        if (known == found_.end()) {
            InstalledRuntime runtime;
            runtime.folder = folder;
            runtime.bits =
                ProgramBits(platform_.queries.ReadFileStart(folder + L"\\bin\\java.exe", 4096));
            runtime.version =
                ReleaseVersion(platform_.queries.ReadFileStart(folder + L"\\release", 65536));
            runtime.hasLibExt = platform_.queries.FolderExists(folder + L"\\lib\\ext");
            found_.push_back(std::move(runtime));
            known = found_.end() - 1;
        }
        if (!displayName.empty()) known->name = displayName;
        if (known->name.empty() && vendor) known->name = vendor->vendor;
        if (known->version.empty()) known->version = keyVersion;
        if (known->vendorOption.empty() && vendor) known->vendorOption = vendor->option;
    }

    const CheckPlatform& platform_;
    std::vector<InstalledRuntime> found_;
};

}  // namespace

std::vector<InstalledRuntime> RuntimesAStartDoesNotSee(const CheckPlatform& platform) {
    std::vector<std::wstring> seen;
    for (const auto& name : MRegistry::ListRegistrySubkeys(
             platform.registry, platform::kHKeyLocalMachine, mod_main::kJavaRuntimeKey)) {
        const auto home = mod_main::ReadJavaHome(platform.registry, name);
        if (home) seen.push_back(FolderForComparison(*home));
    }
    std::vector<InstalledRuntime> unseen = Search(platform).Run();
    std::erase_if(unseen, [&](const InstalledRuntime& runtime) {
        return std::find(seen.begin(), seen.end(), FolderForComparison(runtime.folder)) !=
               seen.end();
    });
    return unseen;
}

std::wstring HintFor(const InstalledRuntime& runtime) {
    const bool hasBits = runtime.bits == 32 || runtime.bits == 64;
    const std::wstring what =
        base::Concat({runtime.name.empty() ? L"A Java runtime" : runtime.name,
                      runtime.version.empty() ? L"" : L", version ", runtime.version,
                      hasBits ? (runtime.bits == 32 ? L", 32-bit" : L", 64-bit") : L"",
                      runtime.hasLibExt ? L", with lib\\ext" : L", without lib\\ext", L", at ",
                      runtime.folder, L": "});
    if (const auto why = WhyUnusable(runtime))
        return base::Concat({what, why->description, L"; a start does not see it"});
    return base::Concat({what, L"a start does not see it; run SmsServerCheck.exe /register \"",
                         runtime.folder, L"\"", runtime.vendorOption.empty() ? L"" : L", ",
                         runtime.vendorOption});
}

int ProgramBits(const std::string& fileStart) {
    const auto byte = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(fileStart[at]));
    };
    if (fileStart.size() < 0x40 || fileStart.compare(0, 2, "MZ") != 0) return 0;
    const std::uint32_t header = byte(0x3C) | byte(0x3D) << 8 | byte(0x3E) << 16 | byte(0x3F) << 24;
    if (header > fileStart.size() - 6 ||
        fileStart.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    switch (byte(header + 4) | byte(header + 5) << 8) {
        case 0x014C:
            return 32;
        case 0x8664:
        case 0xAA64:
            return 64;
        default:
            return 0;
    }
}

std::wstring ReleaseVersion(const std::string& releaseFile) {
    const std::string name = "JAVA_VERSION=\"";
    std::size_t at = releaseFile.find(name);
    while (at != std::string::npos && at > 0 && releaseFile[at - 1] != '\n')
        at = releaseFile.find(name, at + 1);
    if (at == std::string::npos) return {};
    const std::size_t start = at + name.size(), end = releaseFile.find('"', start);
    if (end == std::string::npos || end - start > 40) return {};
    std::wstring version;
    for (std::size_t i = start; i < end; ++i) {
        const char c = releaseFile[i];
        if (c < ' ' || c > '~') return {};
        version += static_cast<wchar_t>(c);
    }
    return version;
}

int FeatureVersion(const std::wstring& version) {
    std::size_t at = version.find_first_of(L"0123456789");
    auto number = [&]() {
        int value = 0;
        for (; at < version.size() && version[at] >= L'0' && version[at] <= L'9' && value < 1000;
             ++at) {
            value = value * 10 + (version[at] - L'0');
        }
        return value;
    };
    if (at == std::wstring::npos) return 0;
    const int first = number();
    if (first != 1 || at + 1 >= version.size() || version[at] != L'.') return first;
    ++at;
    return number();
}

std::optional<base::Failure> WhyUnusable(const InstalledRuntime& runtime) {
    const wchar_t* why = nullptr;
    const int feature = FeatureVersion(runtime.version);
    if (runtime.bits == 64) {
        why = kNo64Bit;
    } else if (runtime.bits != 32) {
        why = L"its bin\\java.exe is not a Windows program";
    } else if (feature >= 9 || !runtime.hasLibExt) {
        why = kNoLibExtReason;
    } else if (feature != 0 && feature < 5) {
        why = L"its version is below 1.5";
    }
    if (!why) return std::nullopt;
    return base::Failure::Own(0, why);
}

}  // namespace check
