// The repair: the copies a start would make, made now by an administrator or an installer, so
// that a first start by a user who may not write to the runtime finds them in place. Every
// read and write goes through the folders held from the drive's root (check/hold.h).
#include "check/repair.h"
#include "base/text.h"
#include "check/hold.h"
#include "runtime/decisions.h"
#include "runtime/mod_main.h"

namespace check {
namespace {

// Why a folder the hold did not reach cannot be used: the folder on the way that was not
// there, in the system's words.
base::Failure Unreached(const RepairHold& hold, const std::wstring& path) {
    for (std::wstring above = path; !above.empty(); above.resize(above.rfind(L'\\') + 1)) {
        above = WithoutTrailingBackslash(above);
        if (const base::Failure* missing = hold.Missing(above)) {
            return base::Failure(missing->number,
                                 base::Concat({above, L": ", missing->description}));
        }
        if (above.size() <= 3) break;
    }
    return base::Failure(platform::kErrorPathNotFound, path);  // after a refusal: never copied
}

// Copies one support file into the held folder, unless it is there already: from the held
// source, through a new temporary file, after removing a leftover of an interrupted start
// that passes the same checks.
std::optional<base::Failure> CopyHeld(platform::HeldFiles& held, const RepairHold& hold,
                                      const std::wstring& home, const mod_main::SupportFile& file,
                                      bool& copied) {
    const std::wstring folderPath =
        WithoutTrailingBackslash(mod_main::SupportFolder(WithoutTrailingBackslash(home), file));
    platform::HeldItem* folder = hold.Find(folderPath);
    if (!folder) return Unreached(hold, folderPath);
    auto there = held.HoldChild(*folder, file.fileName, platform::HoldAs::Source);
    // There, though another program may hold it open.
    if (there || there.failure().Is(platform::kErrorSharingViolation)) return std::nullopt;
    if (!there.failure().Is(platform::kErrorFileNotFound)) return there.failure();
    const std::wstring source = mod_main::SupportSource(file);
    platform::HeldItem* from = hold.Find(source);
    if (!from) {
        // Not there when the repair held the others: the system's words when it is still
        // missing, and a refusal when it has come since.
        platform::HeldItem* sourceFolder = hold.Find(mod_main::kSupportSourceFolder);
        if (!sourceFolder) return Unreached(hold, mod_main::kSupportSourceFolder);
        auto late = held.HoldChild(*sourceFolder, file.fileName, platform::HoldAs::Source);
        if (!late) return late.failure();
        return base::Failure::Own(
            0, base::Concat({source, L" came after the repair had checked the source folder"}));
    }
    const std::wstring temporary = mod_main::TemporaryNameFor(file.fileName);
    auto leftover = held.HoldChild(*folder, temporary, platform::HoldAs::Leftover);
    if (leftover) {
        if (auto why = WhyNotUsable(**leftover, PathIn(folderPath, temporary))) {
            why->description.erase(0, 2);  // told on its own, without the ": " that joins it
            return why;
        }
        if (auto failure = held.Remove(**leftover)) return failure;
    } else if (!leftover.failure().Is(platform::kErrorFileNotFound)) {
        return leftover.failure();
    }
    auto failure = held.CopyInto(*folder, *from, temporary, file.fileName);
    copied = !failure;
    return failure;
}

// Copies what is missing, in a start's order, stopping at the first failure, and tells what
// came of each.
Section CopyMissingFiles(platform::HeldFiles& held, const RepairHold& hold,
                         const std::wstring& home, bool& allInPlace) {
    Section done{L"Repair", {}};
    for (const auto& file : mod_main::kSupportFiles) {
        bool copied = false;
        const auto failure = CopyHeld(held, hold, home, file, copied);
        const std::wstring shown = base::Concat({file.folderSuffix + 1, file.fileName});
        if (failure) {
            done.findings.push_back(
                {Mark::Problem, base::Concat({L"Copying ", shown, L" into ", home, L" failed: ",
                                              failure->description})});
            allInPlace = false;
            break;
        }
        if (copied)
            done.findings.push_back({Mark::Ok, base::Concat({L"Copied ", shown, L" into ", home})});
    }
    if (done.findings.empty()) done.findings.push_back({Mark::Ok, L"Nothing was missing"});
    return done;
}

}  // namespace

Report RepairStart(const CheckPlatform& platform, const std::wstring& programFolder) {
    const Report before = CheckStart(platform, programFolder);
    if (before.status == kCouldNotCheck) return before;
    Section done{L"Repair", {}};
    bool allInPlace = !before.javaHomePath.empty();
    RepairHold hold;  // until the copies are made
    const auto why = allInPlace ? HoldForRepair(platform, before.javaHomePath, hold) : std::nullopt;
    if (before.javaHomePath.empty()) {
        done.findings.push_back(
            {Mark::Problem, L"Nothing was copied: a start chooses no runtime folder, see below"});
    } else if (why) {
        done.findings.push_back(
            {Mark::Problem, base::Concat({L"Nothing was copied", why->description})});
        allInPlace = false;
    } else {
        done = CopyMissingFiles(platform.held, hold, before.javaHomePath, allInPlace);
    }
    Report after = CheckStart(platform, programFolder);
    after.repaired = true;
    after.sections.insert(after.sections.begin(), std::move(done));
    if ((after.status == 0 || after.status == kSupportFilesNotInPlace) && !allInPlace)
        after.status = kCouldNotRepair;
    return after;
}

}  // namespace check
