// The repair: the copies a start would make, made now by an administrator or an installer, so
// that a first start by a user who may not write to the runtime finds them in place.
#include "base/text.h"
#include "check/check.h"
#include "runtime/decisions.h"
#include "runtime/mod_main.h"

namespace check {
namespace {

// Copies what is missing with a start's own copy, and tells what came of each.
Section CopyMissingFiles(platform::FileSystem& files, platform::ProgramControl& programControl,
                         const std::wstring& home, bool& allInPlace) {
    Section done{L"Repair", {}};
    const auto failure = mod_main::CopyMissingSupportFiles(
        files, programControl, home,
        [&](const mod_main::SupportFile& file, const std::optional<base::Failure>& copyFailure) {
            const std::wstring shown = base::Concat({file.folderSuffix + 1, file.fileName});
            done.findings.push_back(
                copyFailure ? Finding{Mark::Problem, base::Concat({L"Copying ", shown, L" into ", home,
                                                                  L" failed: ", copyFailure->description})}
                            : Finding{Mark::Ok, base::Concat({L"Copied ", shown, L" into ", home})});
        });
    if (failure) allInPlace = false;
    if (done.findings.empty()) done.findings.push_back({Mark::Ok, L"Nothing was missing"});
    return done;
}

}  // namespace

Report RepairStart(const CheckPlatform& platform, platform::FileSystem& files,
                   platform::ProgramControl& programControl, const std::wstring& programFolder) {
    const Report before = CheckStart(platform, programFolder);
    if (before.status == kCouldNotCheck) return before;
    Section done{L"Repair", {}};
    bool allInPlace = !before.javaHomePath.empty();
    if (before.javaHomePath.empty()) {
        done.findings.push_back(
            {Mark::Problem, L"Nothing was copied: a start chooses no runtime folder, see below"});
    } else if (const std::wstring openToOthers = OthersMayChangeSupportSource(platform.files);
               !openToOthers.empty()) {
        done.findings.push_back({Mark::Problem, base::Concat({L"Nothing was copied", kSourceRule, openToOthers})});
        allInPlace = false;
    } else {
        done = CopyMissingFiles(files, programControl, before.javaHomePath, allInPlace);
    }
    Report after = CheckStart(platform, programFolder);
    after.repaired = true;
    after.sections.insert(after.sections.begin(), std::move(done));
    if (after.status == 0 && !allInPlace) after.status = kCouldNotRepair;
    return after;
}

}  // namespace check
