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

double RuntimeVersionOf(const std::wstring& name) {
    return ReadVersionNumber(std::wstring_view(name).substr(0, kVersionLength));
}

bool IsSuitableVersion(double version) { return version >= kMinimumJavaVersion; }

RuntimeChoice ChooseRuntime(const std::vector<std::wstring>& names) {
    RuntimeChoice choice;
    for (; choice.stoppedAt < names.size(); ++choice.stoppedAt) {
        try {
            if (IsSuitableVersion(RuntimeVersionOf(names[choice.stoppedAt]))) {
                choice.chosen = true;
                break;
            }
        } catch (const Failure& failure) {
            choice.failure = failure;
            break;
        }
    }
    return choice;
}

std::wstring ReadJavaHome(platform::Registry& registry, const std::wstring& name,
                          std::uint32_t* typeRead) {
    return MRegistry::ToText(MRegistry::ReadRegistryValue(
        registry, platform::kHKeyLocalMachine, Concat({kJavaRuntimeKey, L"\\", name}),
        kJavaHomeValue, std::nullopt, typeRead));
}

std::wstring SupportFolder(const std::wstring& home, const SupportFile& file) {
    return home + file.folderSuffix;
}

std::wstring SupportSource(const SupportFile& file) {
    return Concat({kSupportSourceFolder, L"\\", file.fileName});
}

std::wstring TemporaryNameFor(const std::wstring& name) { return Concat({L"~", name, L".tmp"}); }

}  // namespace mod_main
