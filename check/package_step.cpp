// The installer's step. It runs as LocalSystem in a folder an administrator chose, so what it
// reads there is held and judged first; the support folder it fills is one only the system's
// accounts may change, and it writes nothing through a link. Its rollback takes back only the
// keys the install made, as the record taken before the install tells.
#include "check/package_step.h"

#include <algorithm>

#include "base/text.h"
#include "check/hold.h"
#include "check/register.h"
#include "check/repair.h"
#include "check/report.h"
#include "registry/MRegistry.h"
#include "runtime/decisions.h"

namespace check {
namespace {

constexpr wchar_t kJavaSoftKey[] = L"SOFTWARE\\JavaSoft";
constexpr wchar_t kSetAside[] = L" (set aside: others could change it)";

// "text: the system's words (error N)", as the installer's log has always shown a failure.
std::wstring FailureLine(std::wstring_view text, const base::Failure& failure) {
    return base::Concat({kRepairLine, text, L": ", failure.description, L" (error ",
                         base::DecimalText(failure.number), L")"});
}

// Renames name in the held parent aside, under the first free name that says why.
bool SetAside(platform::HeldFolders& folders, platform::HeldItem& parent,
              const std::wstring& parentPath, const std::wstring& name, StepLog& log) {
    for (long attempt = 1; attempt <= 9; ++attempt) {
        const std::wstring aside = base::Concat({name, kSetAside, attempt == 1 ? L"" : L" ",
                                                 attempt == 1 ? L"" : base::DecimalText(attempt)});
        const auto failure = folders.Rename(parent, name, aside);
        if (!failure) {
            log.push_back(
                base::Concat({kRepairLine, L"others could change ", PathIn(parentPath, name),
                              L", so it was renamed to ", PathIn(parentPath, aside)}));
            return true;
        }
        if (!failure->Is(platform::kErrorAlreadyExists) &&
            !failure->Is(platform::kErrorFileExists)) {
            log.push_back(FailureLine(
                L"others could change the support folder, which could not be renamed aside",
                *failure));
            return false;
        }
    }
    return false;
}

// Holds name in the held folder at parentPath as a folder that only the system's accounts may
// change, held from then on; null when it cannot be, with the line that says why.
platform::HeldItem* Lock(const CheckPlatform& platform, platform::HeldFolders& folders,
                         RepairHold& hold, const std::wstring& parentPath, const std::wstring& name,
                         StepLog& log) {
    platform::HeldItem* parent = hold.Find(parentPath);
    const std::wstring path = PathIn(parentPath, name);
    for (int attempt = 0; parent && attempt < 3; ++attempt) {
        auto opened = platform.held.HoldChild(*parent, name, platform::HoldAs::Folder);
        const bool made = !opened && NotThere(opened.failure());
        if (made) opened = folders.MakeFolder(*parent, name);
        if (!opened) {
            log.push_back(FailureLine(made ? L"the support folder could not be made"
                                           : L"the support folder could not be opened",
                                      opened.failure()));
            return nullptr;
        }
        platform::HeldItem& item = **opened;
        if (WhyNotUsable(item, PathIn(parent->Facts().finalPath, name))) {
            log.push_back(base::Concat({kRepairLine, path,
                                        L" is a link, which the package never follows: nothing "
                                        L"was put there. An administrator must remove it, then "
                                        L"repair " SMS_PRODUCT_NAME L"."}));
            return nullptr;
        }
        if (!WhoMayChange(platform, item, path)) {
            // Setting it aside would not help when others may take it from its folder.
            if (auto why = WhoMayRemove(platform, *parent, parentPath, path)) {
                log.push_back(
                    base::Concat({kRepairLine, L"nothing was put in ", path, why->description}));
                return nullptr;
            }
            log.push_back(
                base::Concat({kRepairLine, path, made ? L" was made and locked" : L" is locked",
                              L": only SYSTEM and Administrators may change it"}));
            hold.held.emplace_back(FolderForComparison(path), std::move(*opened));
            return &item;
        }
        opened->reset();  // a held folder cannot be renamed
        if (!SetAside(folders, *parent, parentPath, name, log)) return nullptr;
    }
    return nullptr;
}

// Puts one of the package's support files, held in its installed folder, into the locked
// support folder: through a new file, after the one there and any leftover are removed.
std::optional<base::Failure> PlaceFile(platform::HeldFiles& held, platform::HeldItem& folder,
                                       platform::HeldItem* source, const std::wstring& name) {
    if (!source) return base::Failure(platform::kErrorFileNotFound, L"The file is missing.");
    const std::wstring temporary = mod_main::TemporaryNameFor(name);
    for (const std::wstring& old : {name, temporary}) {
        auto there = held.HoldChild(folder, old, platform::HoldAs::Leftover);
        if (!there) {
            if (there.failure().Is(platform::kErrorFileNotFound)) continue;
            return there.failure();
        }
        if ((*there)->Facts().reparsePoint || (*there)->Facts().links != 1)
            return base::Failure::Own(0, L"A link has its name, which the package never follows.");
        if (auto failure = held.Remove(**there)) return failure;
    }
    return held.CopyInto(folder, *source, temporary, name);
}

std::wstring InstalledSource(const std::wstring& name) {
    return PathIn(L"" SMS_SUPPORT_NAME, name);
}

// The pieces of text between separators: one more than there are separators.
std::vector<std::wstring> Pieces(std::wstring_view text, std::wstring_view separator) {
    std::vector<std::wstring> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        pieces.emplace_back(text.substr(start, end == std::wstring_view::npos ? end : end - start));
        if (end == std::wstring_view::npos) return pieces;
        start = end + separator.size();
    }
}

void LogLines(const wchar_t* prefix, const std::vector<std::wstring>& lines, int status,
              StepLog& log) {
    for (const auto& line : lines) log.push_back(prefix + line);
    log.push_back(base::Concat({prefix, L"exit status ", base::DecimalText(status)}));
}

// Removes a key the record did not have, once nothing is below it.
void RemoveIfNew(platform::Registry& registry, platform::RegistryWriter& writer,
                 const std::wstring& key, bool existed, StepLog& log) {
    if (existed || !MRegistry::RegistryKeyExists(registry, platform::kHKeyLocalMachine, key) ||
        MRegistry::ListRegistrySubkeys(registry, platform::kHKeyLocalMachine, key).Count() != 0 ||
        writer.RemoveKey(key)) {
        return;
    }
    log.push_back(base::Concat({kRollbackLine, L"removed HKEY_LOCAL_MACHINE\\", key}));
}

}  // namespace

std::wstring BootTaskDefinition(const std::wstring& installed) {
    std::wstring folder;
    for (const wchar_t c : WithoutTrailingBackslash(installed)) {
        const wchar_t* escape = c == L'&'   ? L"&amp;"
                                : c == L'<' ? L"&lt;"
                                : c == L'>' ? L"&gt;"
                                            : nullptr;
        folder += escape ? std::wstring(escape) : std::wstring(1, c);
    }
    return base::Concat(
        {L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         L"<Task version=\"1.2\" "
         L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         L"  <RegistrationInfo><Description>Puts the serial-port support files of " SMS_PRODUCT_NAME L" into the Java runtime a start chooses, after a Java update.</Description></RegistrationInfo>\r\n"
         L"  <Triggers><BootTrigger><Enabled>true</Enabled></BootTrigger></Triggers>\r\n"
         L"  <Principals><Principal id=\"System\"><UserId>S-1-5-18</UserId>"
         L"<RunLevel>HighestAvailable</RunLevel></Principal></Principals>\r\n"
         L"  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
         L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
         L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
         L"<ExecutionTimeLimit>PT10M</ExecutionTimeLimit></Settings>\r\n"
         L"  <Actions Context=\"System\"><Exec><Command>",
         folder,
         L"\\" SMS_CHECK_FILE L"</Command><Arguments>/repair /nowait</Arguments>"
         L"<WorkingDirectory>",
         folder, L"</WorkingDirectory></Exec></Actions>\r\n</Task>\r\n"});
}

bool PlaceSupportFiles(const CheckPlatform& platform, platform::HeldFolders& folders,
                       const std::wstring& installed, bool bringsFiles, StepLog& log) {
    std::vector<std::wstring> used{L"" SMS_CHECK_FILE};
    for (const auto& file : mod_main::kSupportFiles) {
        if (bringsFiles) used.push_back(InstalledSource(file.fileName));
    }
    RepairHold hold;  // until the files are in
    if (auto why = HoldInstalled(platform, installed, used, hold)) {
        log.push_back(base::Concat(
            {kInstallLine, L"not installed", why->description,
             L". "
             L"Install"
             L" " SMS_PRODUCT_NAME L" under Program Files, which only the administrators may "
             L"change."}));
        return false;
    }
    if (!bringsFiles && !platform.queries.FolderExists(mod_main::kSupportSourceFolder)) {
        log.push_back(base::Concat(
            {kRepairLine, mod_main::kSupportSourceFolder, L" does not exist; nothing to lock"}));
        return true;
    }
    const std::wstring root = std::wstring(mod_main::kSupportSourceParent).substr(0, 3);
    if (auto why = HoldAbove(platform, root, hold)) {
        log.push_back(base::Concat({kRepairLine, L"nothing was put in ",
                                    mod_main::kSupportSourceParent, why->description}));
        return true;
    }
    const std::wstring parentName = std::wstring(mod_main::kSupportSourceParent).substr(3);
    platform::HeldItem* folder = Lock(platform, folders, hold, root, parentName, log)
                                     ? Lock(platform, folders, hold, mod_main::kSupportSourceParent,
                                            L"" SMS_SUPPORT_NAME, log)
                                     : nullptr;
    if (!folder || !bringsFiles) return true;
    bool all = true;
    for (const auto& file : mod_main::kSupportFiles) {
        const std::wstring source = PathIn(installed, InstalledSource(file.fileName));
        if (auto failure = PlaceFile(platform.held, *folder, hold.Find(source), file.fileName)) {
            log.push_back(FailureLine(
                base::Concat({mod_main::SupportSource(file), L" could not be put in place"}),
                *failure));
            all = false;
        }
    }
    if (all) {
        log.push_back(base::Concat(
            {kRepairLine, L"the package's support files are in ", mod_main::kSupportSourceFolder}));
    }
    return true;
}

RegistrationRecord RecordRegistration(platform::Registry& registry, std::wstring registered) {
    RegistrationRecord record{std::move(registered), false, false, {}};
    const auto root = platform::kHKeyLocalMachine;
    record.javaSoftExisted = MRegistry::RegistryKeyExists(registry, root, kJavaSoftKey);
    record.runtimesExisted =
        MRegistry::RegistryKeyExists(registry, root, mod_main::kJavaRuntimeKey);
    record.runtimeKeys =
        MRegistry::ListRegistrySubkeys(registry, root, mod_main::kJavaRuntimeKey).Names();
    return record;
}

std::wstring EncodeRecord(const RegistrationRecord& record) {
    std::wstring text =
        base::Concat({record.registered, L"\n", record.javaSoftExisted ? L"1" : L"0",
                      record.runtimesExisted ? L"1" : L"0"});
    for (const auto& name : record.runtimeKeys) text += L"\n" + name;
    return text;
}

RegistrationRecord DecodeRecord(std::wstring_view text) {
    const std::vector<std::wstring> lines = Pieces(text, L"\n");
    RegistrationRecord record;
    record.registered = lines[0];
    // A record that cannot be read counts every key as there before: nothing is removed.
    const std::wstring flags = lines.size() > 1 ? lines[1] : L"11";
    record.javaSoftExisted = flags.size() != 2 || flags[0] != L'0';
    record.runtimesExisted = flags.size() != 2 || flags[1] != L'0';
    record.runtimeKeys.assign(lines.begin() + std::min<std::size_t>(2, lines.size()), lines.end());
    return record;
}

std::wstring RepairForPackage(const CheckPlatform& platform, platform::RegistryWriter& writer,
                              const std::wstring& installed, const std::wstring& javaHome,
                              const std::wstring& registered, StepLog& log) {
    std::wstring now = registered;
    if (!javaHome.empty()) {
        const Registration done = RegisterRuntime(platform, writer, javaHome);
        LogLines(kRegisterLine, done.lines, done.status, log);
        // Only a registration made anew is the package's to take back.
        if (done.status == 0 && done.madeAnew) {
            now = WithoutTrailingBackslash(javaHome);
            if (!registered.empty() && !SameFolder(registered, now)) {
                const Registration undone = UnregisterRuntime(platform, writer, registered);
                LogLines(kUnregisterLine, undone.lines, undone.status, log);
            }
        }
    }
    const Report report = RepairStart(platform, installed);
    std::vector<std::wstring> lines = Pieces(ReportText(report), L"\r\n");
    lines.pop_back();  // after the last line's end
    LogLines(kRepairLine, lines, report.status, log);
    return now;
}

bool UnregisterForPackage(const CheckPlatform& platform, platform::RegistryWriter& writer,
                          const std::wstring& registered, StepLog& log) {
    const Registration done = UnregisterRuntime(platform, writer, registered);
    LogLines(kUnregisterLine, done.lines, done.status, log);
    return done.status == 0;
}

void RollBackRegistration(const CheckPlatform& platform, platform::RegistryWriter& writer,
                          const RegistrationRecord& before, StepLog& log) {
    auto& registry = platform.registry;
    const std::wstring runtimes = mod_main::kJavaRuntimeKey;
    for (const auto& name :
         MRegistry::ListRegistrySubkeys(registry, platform::kHKeyLocalMachine, runtimes)) {
        const std::wstring key = base::Concat({runtimes, L"\\", name});
        if (std::find(before.runtimeKeys.begin(), before.runtimeKeys.end(), name) !=
                before.runtimeKeys.end() ||
            !MadeByRegister(registry, key) || writer.RemoveKey(key)) {
            continue;
        }
        log.push_back(base::Concat({kRollbackLine, L"removed HKEY_LOCAL_MACHINE\\", key}));
    }
    RemoveIfNew(registry, writer, runtimes, before.runtimesExisted, log);
    RemoveIfNew(registry, writer, kJavaSoftKey, before.javaSoftExisted, log);
    if (!before.registered.empty() && KeysNaming(registry, before.registered).empty()) {
        const Registration done = RegisterRuntime(platform, writer, before.registered);
        for (const auto& line : done.lines) log.push_back(kRollbackLine + line);
    }
}

}  // namespace check
