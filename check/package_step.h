// The installer's step, run as LocalSystem through the same guarded layer as the check's
// /repair and /register: the package's own folder held and judged, the support folder locked
// and filled, JAVAHOME registered, the repair, and what a removal or a rollback takes back.
// Each tells what it did in lines for the installer's log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "platform/held_files.h"
#include "platform/registry_writer.h"
#include "product_facts.h"

namespace check {

// How each line the step logs begins: the product, then the step.
inline constexpr wchar_t kInstallLine[] = L"" SMS_PRODUCT_NAME L" install: ";
inline constexpr wchar_t kRepairLine[] = L"" SMS_PRODUCT_NAME L" repair: ";
inline constexpr wchar_t kRegisterLine[] = L"" SMS_PRODUCT_NAME L" register: ";
inline constexpr wchar_t kUnregisterLine[] = L"" SMS_PRODUCT_NAME L" unregister: ";
inline constexpr wchar_t kRollbackLine[] = L"" SMS_PRODUCT_NAME L" rollback: ";

// JAVAHOME with rollback disabled: a failed install could not take its registration back.
inline constexpr wchar_t kNoRollbackLine[] =
    L"" SMS_PRODUCT_NAME L" install: JAVAHOME is refused, since rollback is disabled on this "
    L"computer and a failed install could not take the registration back. Install without "
    L"JAVAHOME, then run " SMS_CHECK_FILE L" /register as administrator.";

using StepLog = std::vector<std::wstring>;

// The task that repairs at each start of Windows, after a Java update moved the runtime.
inline constexpr wchar_t kBootTaskName[] = L"" SMS_PRODUCT_NAME L" repair";

// The task's definition in the Task Scheduler's schema: at each start of Windows, as
// LocalSystem, the check in the installed folder repairs and ends without waiting.
std::wstring BootTaskDefinition(const std::wstring& installed);

// Holds the folder the package was installed to, with the check and (when the package brings
// them) its support files, and makes the support folder and the folder it lies in folders
// that only the system's accounts may change: made where missing, made afresh where others may
// change one (which is renamed aside), never one that is a link. Then copies the package's
// support files into it, when it brings them. False when others may change the installed
// folder: the install must fail.
bool PlaceSupportFiles(const CheckPlatform& platform, platform::HeldFolders& folders,
                       const std::wstring& installed, bool bringsFiles, StepLog& log);

// The registry as the step found it before it registered anything: what the package had
// registered, and which keys were there. The rollback takes back only what is new.
struct RegistrationRecord {
    std::wstring registered;  // RegisteredJavaHome; empty when none
    bool javaSoftExisted = false;
    bool runtimesExisted = false;
    std::vector<std::wstring> runtimeKeys;
};
RegistrationRecord RecordRegistration(platform::Registry& registry, std::wstring registered);
// As one text for the installer to hand on, and back; names hold no line break.
std::wstring EncodeRecord(const RegistrationRecord& record);
RegistrationRecord DecodeRecord(std::wstring_view text);

// Registers javaHome, when given, as /register does, and then repairs as /repair does, the
// check's lines and statuses logged after kRegisterLine and kRepairLine. A registration made
// anew in place of another folder the package had registered takes that one back. Gives the
// folder the package now has registered.
std::wstring RepairForPackage(const CheckPlatform& platform, platform::RegistryWriter& writer,
                              const std::wstring& installed, const std::wstring& javaHome,
                              const std::wstring& registered, StepLog& log);

// The removal's /unregister of what the package registered; true when it is taken back.
bool UnregisterForPackage(const CheckPlatform& platform, platform::RegistryWriter& writer,
                          const std::wstring& registered, StepLog& log);

// A rollback: the marked runtime keys that are not in the record are removed, with the keys
// above them that the record did not have once they are empty, and the folder the package
// had registered is registered again where nothing names it now.
void RollBackRegistration(const CheckPlatform& platform, platform::RegistryWriter& writer,
                          const RegistrationRecord& before, StepLog& log);

}  // namespace check
