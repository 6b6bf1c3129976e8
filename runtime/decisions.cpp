// The decisions of a start that the check takes as well. Kept apart from the start's steps,
// so that a program that only asks links only these.
#include "runtime/decisions.h"

#include <string_view>

#include "base/text.h"
#include "registry/MRegistry.h"
#include "runtime/version_number.h"

namespace mod_main {
namespace {

constexpr std::size_t kVersionLength = 3;

}  // namespace

base::Result<double> RuntimeVersionOf(const std::wstring& name) {
    return ReadVersionNumber(std::wstring_view(name).substr(0, kVersionLength));
}

bool IsSuitableVersion(double version) { return version >= kMinimumJavaVersion; }

RuntimeChoice ChooseRuntime(const std::vector<std::wstring>& names) {
    RuntimeChoice choice;
    for (; choice.stoppedAt < names.size(); ++choice.stoppedAt) {
        const auto version = RuntimeVersionOf(names[choice.stoppedAt]);
        if (!version) {
            choice.failure = version.failure();
            break;
        }
        if (IsSuitableVersion(*version)) {
            choice.chosen = true;
            break;
        }
    }
    return choice;
}

base::Result<std::wstring> ReadJavaHome(platform::Registry& registry, const std::wstring& name,
                                        std::uint32_t* typeRead) {
    const auto value = MRegistry::ReadRegistryValue(registry, platform::kHKeyLocalMachine,
                                                    base::Concat({kJavaRuntimeKey, L"\\", name}),
                                                    kJavaHomeValue, std::nullopt, typeRead);
    if (!value) return value.failure();
    return MRegistry::ToText(*value);
}

std::wstring SupportFolder(const std::wstring& home, const SupportFile& file) {
    return home + file.folderSuffix;
}

std::wstring SupportSource(const SupportFile& file) {
    return base::Concat({kSupportSourceFolder, L"\\", file.fileName});
}

std::wstring TemporaryNameFor(const std::wstring& name) {
    return base::Concat({L"~", name, L".tmp"});
}

}  // namespace mod_main
