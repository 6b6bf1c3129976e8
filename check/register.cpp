// Registering a Java runtime where the launcher looks, for a Java whose installer did not
// write the JavaSoft key, and taking back only what was registered so.
#include "check/register.h"
#include "base/text.h"
#include "check/hold.h"
#include "check/installed_runtimes.h"
#include "product_facts.h"
#include "registry/MRegistry.h"
#include "runtime/decisions.h"

namespace check {
namespace {

// The value that marks a key as one that /register made, and so one /unregister may remove.
constexpr wchar_t kRegisteredByValue[] = L"RegisteredBy";
constexpr wchar_t kRegisteredBy[] = L"" SMS_CHECK_FILE L" /register";

std::wstring FullKeyName(const std::wstring& key) {
    return base::Concat({L"HKEY_LOCAL_MACHINE\\", key});
}

Registration Refused(int status, std::initializer_list<std::wstring_view> pieces) {
    return {status, {base::Concat(pieces)}};
}

Registration WriteRefused(const wchar_t* what, const std::wstring& key,
                          const base::Failure& failure) {
    if (failure.Is(platform::kErrorAccessDenied)) {
        return Refused(kMayNotWrite, {what, FullKeyName(key), L" was refused (",
                                      failure.description, L"): run it as administrator."});
    }
    return Refused(kCouldNotCheck, {what, FullKeyName(key), L" failed: ", failure.description});
}

// Oracle's installer names a runtime's key 1.8.0_402 after its full version, or 1.8.
std::wstring KeyNameFor(const std::wstring& version, int feature) {
    const std::wstring head = base::Concat({L"1.", base::DecimalText(feature), L".0_"});
    const bool full = version.size() > head.size() && version.starts_with(head) &&
                      version.find_first_not_of(L"0123456789", head.size()) == std::wstring::npos;
    return full ? version : base::Concat({L"1.", base::DecimalText(feature)});
}

// Which runtime a start now chooses, told against the one just registered.
std::wstring ChoiceAfter(platform::Registry& registry, const std::wstring& name) {
    const auto names = MRegistry::ListRegistrySubkeys(registry, platform::kHKeyLocalMachine,
                                                      mod_main::kJavaRuntimeKey)
                           .Names();
    const mod_main::RuntimeChoice choice = mod_main::ChooseRuntime(names);
    if (choice.stoppedAt < names.size() && names[choice.stoppedAt] == name && choice.chosen) {
        return L"A start now chooses it.";
    }
    if (choice.stoppedAt >= names.size()) return L"A start does not choose it.";
    return base::Concat({choice.chosen ? L"A start chooses \"" : L"A start stops at \"",
                         names[choice.stoppedAt], L"\", which the registry lists before it."});
}

}  // namespace

bool MadeByRegister(platform::Registry& registry, const std::wstring& key) {
    return MRegistry::ReadRegistryText(registry, platform::kHKeyLocalMachine, key,
                                       kRegisteredByValue) == kRegisteredBy;
}

Registration RegisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                             const std::wstring& given) {
    const std::wstring folder = WithoutTrailingBackslash(given);
    const std::wstring java = folder + L"\\bin\\java.exe";
    auto& queries = platform.queries;
    if (!queries.FileExists(java))
        return Refused(kNoJavaInFolder, {L"Not registered: ", folder, L" holds no bin\\java.exe."});
    const int bits = ProgramBits(queries.ReadFileStart(java, 4096));
    if (bits != 32) {
        return Refused(kNot32Bit, {L"Not registered: ", java,
                                   bits == 64 ? L" is a 64-bit program, and "
                                              : L" is not a 32-bit Windows program.",
                                   bits == 64 ? kNo64Bit : L"", bits == 64 ? L"." : L""});
    }
    if (!queries.FolderExists(folder + L"\\lib\\ext")) {
        return Refused(kNoLibExt,
                       {L"Not registered: ", folder, L" has no lib\\ext: ", kNoLibExtReason, L"."});
    }
    // Every user's start runs what the key names, an administrator's too.
    RepairHold hold;
    if (const auto why = HoldRuntime(platform, folder, hold)) {
        return Refused(kOthersMayChange,
                       {L"Not registered", why->description,
                        L". Install that Java under Program Files, or let only the "
                        L"administrators change its folder and every folder above it."});
    }
    const std::wstring release =
        ReleaseVersion(queries.ReadFileStart(folder + L"\\release", 65536));
    const std::wstring version = release.empty() ? queries.FileVersion(java) : release;
    const int feature = FeatureVersion(version);
    if (feature < 5) {
        return Refused(kVersionBelow15,
                       {L"Not registered: ", folder,
                        feature == 0 ? L" tells no version: it has no release file, and its "
                                       L"java.exe no version."
                                     : base::Concat({L" holds Java ", version, L", below 1.5."})});
    }
    const std::wstring name = KeyNameFor(release, feature);
    const std::wstring key = base::Concat({mod_main::kJavaRuntimeKey, L"\\", name});
    if (MRegistry::RegistryKeyExists(platform.registry, platform::kHKeyLocalMachine, key)) {
        const auto home = mod_main::ReadJavaHome(platform.registry, name);
        if (!home || !SameFolder(*home, folder)) {
            return Refused(kKeyNamesAnother,
                           {L"Not registered: ", FullKeyName(key), L" already names ",
                            home && !home->empty() ? *home : L"another runtime", L"."});
        }
        return {0,
                {base::Concat(
                     {FullKeyName(key), L" already names ", folder, L": nothing was changed."}),
                 ChoiceAfter(platform.registry, name)}};
    }
    // The marks go first, so that every key this writes is one /unregister may take back. The
    // key of all runtimes is marked only when this makes it: a start that finds it empty says
    // there is no runtime of 1.5 or higher, and one that finds none says there is no Java.
    const std::wstring parent = mod_main::kJavaRuntimeKey;
    if (!MRegistry::RegistryKeyExists(platform.registry, platform::kHKeyLocalMachine, parent)) {
        if (auto failure = writer.WriteText(parent, kRegisteredByValue, kRegisteredBy)) {
            return WriteRefused(L"Not registered: writing ", parent, *failure);
        }
    }
    if (auto failure = writer.WriteText(key, kRegisteredByValue, kRegisteredBy))
        return WriteRefused(L"Not registered: writing ", key, *failure);
    if (auto failure = writer.WriteText(key, mod_main::kJavaHomeValue, folder)) {
        (void)writer.RemoveKey(key);
        return WriteRefused(L"Not registered: writing ", key, *failure);
    }
    return {0,
            {base::Concat({L"Registered ", folder, L" as ", FullKeyName(key), L"."}),
             ChoiceAfter(platform.registry, name)},
            true};
}

std::vector<std::wstring> KeysNaming(platform::Registry& registry, const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& name : MRegistry::ListRegistrySubkeys(registry, platform::kHKeyLocalMachine,
                                                           mod_main::kJavaRuntimeKey)) {
        const auto home = mod_main::ReadJavaHome(registry, name);
        if (home && SameFolder(*home, folder)) names.push_back(name);
    }
    return names;
}

Registration UnregisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                               const std::wstring& given) {
    const std::wstring folder = WithoutTrailingBackslash(given);
    Registration done{0, {}};
    for (const auto& name : KeysNaming(platform.registry, folder)) {
        const std::wstring key = base::Concat({mod_main::kJavaRuntimeKey, L"\\", name});
        if (!MadeByRegister(platform.registry, key)) continue;
        if (auto failure = writer.RemoveKey(key))
            return WriteRefused(L"Not unregistered: removing ", key, *failure);
        done.lines.push_back(base::Concat({L"Removed ", FullKeyName(key), L"."}));
    }
    if (done.lines.empty()) {
        done.lines.push_back(base::Concat(
            {L"No key that /register made names ", folder, L": nothing was changed."}));
        return done;
    }
    const std::wstring parent = mod_main::kJavaRuntimeKey;
    if (MadeByRegister(platform.registry, parent) &&
        MRegistry::ListRegistrySubkeys(platform.registry, platform::kHKeyLocalMachine, parent)
                .Count() == 0) {
        if (auto failure = writer.RemoveKey(parent))
            return WriteRefused(L"Not unregistered: removing ", parent, *failure);
        done.lines.push_back(
            base::Concat({L"Removed ", FullKeyName(parent), L", which /register had made."}));
    }
    return done;
}

}  // namespace check
