// The decisions of a start that the check takes as well: which runtime, from which folder,
// and where the support files go. Kept apart from the start's steps, so that a program
// that only asks links only these.
#include <string_view>

#include "platform/failure.h"
#include "platform/text.h"
#include "registry/MRegistry.h"
#include "runtime/mod_main.h"
#include "runtime/version_number.h"

namespace mod_main {
namespace {

constexpr std::size_t kVersionLength = 3;

}  // namespace

std::optional<double> RuntimeVersionOf(const std::wstring& name) {
    return ParseVersionNumber(std::wstring_view(name).substr(0, kVersionLength));
}

bool IsSuitableVersion(double version) { return version >= kMinimumJavaVersion; }

RuntimeChoice ChooseRuntime(const std::vector<std::wstring>& names) {
    RuntimeChoice choice;
    for (; choice.stoppedAt < names.size(); ++choice.stoppedAt) {
        const auto version = RuntimeVersionOf(names[choice.stoppedAt]);
        if (!version) {
            choice.failure = TypeMismatch();
            break;
        }
        if (IsSuitableVersion(*version)) {
            choice.chosen = true;
            break;
        }
    }
    return choice;
}

std::optional<std::wstring> ReadJavaHome(platform::Registry& registry, const std::wstring& name,
                                         std::uint32_t* typeRead) {
    const auto value = MRegistry::TryReadRegistryValue(
        registry, platform::kHKeyLocalMachine, Concat({kJavaRuntimeKey, L"\\", name}),
        kJavaHomeValue, std::nullopt, typeRead);
    if (!value) return std::nullopt;
    return MRegistry::ToText(*value);
}

std::wstring SupportFolder(const std::wstring& home, const SupportFile& file) {
    return home + file.folderSuffix;
}

std::wstring SupportSource(const SupportFile& file) {
    return Concat({kSupportSourceFolder, L"\\", file.fileName});
}

std::wstring TemporaryNameFor(const std::wstring& name) { return Concat({L"~", name, L".tmp"}); }

}  // namespace mod_main
