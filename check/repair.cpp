// The repair: the copies a start would make, made now by an administrator or an installer, so
// that a first start by a user who may not write to the runtime finds them in place.
#include "base/text.h"
#include "check/check.h"
#include "runtime/decisions.h"
#include "runtime/mod_main.h"

namespace check {
namespace {

// A start's file operations, but for the copy itself, which reads each source from the handle
// that was checked and held, into a new file that nothing may already have the name of.
class HeldSourceCopies final : public platform::FileSystem {
public:
    HeldSourceCopies(platform::FileSystem& files, platform::HeldFiles& held, RepairHold& hold)
        : files_(files), held_(held), hold_(hold) {}

    bool FileExists(const std::wstring& path) override { return files_.FileExists(path); }
    std::optional<base::Failure> Copy(const std::wstring& source,
                                      const std::wstring& target) override {
        for (auto& [key, item] : hold_.held) {
            if (key == FolderKey(source)) return held_.CopyHeld(*item, target);
        }
        // A source that was not there when the repair held the others: the system's own words
        // when it is still missing, and a refusal when it has come since.
        auto late = held_.Hold(source, false);
        if (!late) return late.failure();
        return base::Failure(
            0, base::Concat({source, L" came after the repair had checked the source folder"}));
    }
    std::optional<base::Failure> Flush(const std::wstring& path) override {
        return files_.Flush(path);
    }
    std::optional<base::Failure> MoveOver(const std::wstring& from,
                                          const std::wstring& to) override {
        return files_.MoveOver(from, to);
    }
    std::optional<base::Failure> MakeWritable(const std::wstring& path) override {
        return files_.MakeWritable(path);
    }
    std::optional<base::Failure> Remove(const std::wstring& path) override {
        return files_.Remove(path);
    }

private:
    platform::FileSystem& files_;
    platform::HeldFiles& held_;
    RepairHold& hold_;
};

// Copies what is missing with a start's own copy, and tells what came of each.
Section CopyMissingFiles(platform::FileSystem& files, platform::ProgramControl& programControl,
                         const std::wstring& home, bool& allInPlace) {
    Section done{L"Repair", {}};
    const auto failure = mod_main::CopyMissingSupportFiles(
        files, programControl, home,
        [&](const mod_main::SupportFile& file, const std::optional<base::Failure>& copyFailure) {
            const std::wstring shown = base::Concat({file.folderSuffix + 1, file.fileName});
            done.findings.push_back(
                copyFailure
                    ? Finding{Mark::Problem, base::Concat({L"Copying ", shown, L" into ", home,
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
    RepairHold hold;  // until the copies are made
    const std::wstring why =
        allInPlace ? HoldForRepair(platform, before.javaHomePath, hold) : std::wstring();
    if (before.javaHomePath.empty()) {
        done.findings.push_back(
            {Mark::Problem, L"Nothing was copied: a start chooses no runtime folder, see below"});
    } else if (!why.empty()) {
        done.findings.push_back({Mark::Problem, base::Concat({L"Nothing was copied", why})});
        allInPlace = false;
    } else {
        HeldSourceCopies copies(files, platform.held, hold);
        done = CopyMissingFiles(copies, programControl, before.javaHomePath, allInPlace);
    }
    Report after = CheckStart(platform, programFolder);
    after.repaired = true;
    after.sections.insert(after.sections.begin(), std::move(done));
    if (after.status == 0 && !allInPlace) after.status = kCouldNotRepair;
    return after;
}

}  // namespace check
