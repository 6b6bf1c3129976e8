// Files and folders in memory, matched without regard to case, with Windows' rules for
// read-only and open files and Windows' failure texts.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/file_queries.h"
#include "platform/file_system.h"
#include "platform/held_files.h"
#include "tests/fakes/fault_plan.h"

class FakeFileSystem final : public platform::FileSystem,
                             public platform::FileQueries,
                             public platform::HeldFiles,
                             public platform::HeldFolders {
public:
    // An account as an access list names it, and as a refusal words it.
    struct Account {
        std::wstring sid;
        std::wstring name;
    };
    struct File {
        std::wstring name;  // the path as it was written, case kept
        std::string content;
        int written = 0;  // stands in for the file's date: which write made it
        bool readOnly = false;

        bool operator==(const File&) const = default;
    };

    void AddFolder(const std::wstring& path);
    void AddFile(const std::wstring& path, std::string content, bool readOnly = false);
    // Removes a folder with all that is in it, at once and for good.
    void RemoveFolder(const std::wstring& path);
    void MakeUnwritable(const std::wstring& folder);
    // Another program holds the file open without sharing it: it can be neither replaced
    // nor removed.
    void HoldOpen(const std::wstring& path);
    // A virus scanner opens each file a copy writes and holds it for the first tries attempts
    // to rename or remove it; -1 holds it for good.
    void HoldNewFiles(int tries, bool locksRange = false) {
        scannerTries_ = tries;
        scannerLocksRange_ = locksRange;
    }
    // A copy to target writes half of the source, then fails as a full disk would.
    void FailCopyHalfWay(const std::wstring& target);
    void FailMoves() { failMoves_ = true; }
    // The program dies after this many more steps that change files: later steps change
    // nothing and fail. -1: it never does.
    void CrashAfterSteps(int steps) { stepsBeforeCrash_ = steps; }
    // The power fails: what was not on the disk is lost. New files whose data were not
    // flushed hold zeros; removals and attribute changes are undone; flushed data and renames
    // made with write-through stay. The program then starts afresh.
    void PowerCut();
    // Whether this user may write to a folder cannot be told, as when its permissions
    // cannot be read.
    void HideAccessOf(const std::wstring& folder) { accessUnknown_.insert(Key(folder)); }
    // Access lists are locked unless changed: owned by Administrators, SYSTEM and
    // Administrators with full control, Users with read and execute.
    void SetOwner(const std::wstring& path, Account owner);
    void Grant(const std::wstring& path, Account account, std::uint32_t rights,
               platform::EntryKind kind = platform::EntryKind::Allows);
    // Opening it by handle is refused, as a folder whose list denies the opener is.
    void DenyOpen(const std::wstring& path) { unopenable_.insert(Key(path)); }
    // The file is put there by someone else after the first looks by handle have missed it.
    void AppearAfterLooks(const std::wstring& path, int looks) { lateFiles_[Key(path)] = looks; }
    void DropAccessList(const std::wstring& path) { AccessAt(path).unrestricted = true; }
    // What a handle held on path finds there: a link, another final path, more names.
    void SetHeldFacts(const std::wstring& path, platform::HeldFacts facts) { heldFacts_[Key(path)] = std::move(facts); }
    void SetFileVersion(const std::wstring& path, std::wstring version) { versions_[Key(path)] = std::move(version); }

    bool HasFile(const std::wstring& path) const;
    const File& FileAt(const std::wstring& path) const;
    std::vector<std::wstring> FilesIn(const std::wstring& folder) const;
    // Every file, by its path in lower case.
    const std::map<std::wstring, File>& Files() const { return files_; }

    bool FileExists(const std::wstring& path) override;
    // A link, as SetHeldFacts says of it.
    bool IsLink(const std::wstring& path) override {
        const auto found = heldFacts_.find(Key(path));
        return found != heldFacts_.end() && found->second.reparsePoint;
    }
    std::optional<base::Failure> Copy(const std::wstring& source, const std::wstring& target) override;
    std::optional<base::Failure> Flush(const std::wstring& path) override;
    std::optional<base::Failure> MoveOver(const std::wstring& from, const std::wstring& to) override;
    std::optional<base::Failure> MakeWritable(const std::wstring& path) override;
    std::optional<base::Failure> Remove(const std::wstring& path) override;
    bool FolderExists(const std::wstring& path) override;
    platform::WriteAccess WriteAccessTo(const std::wstring& folder) override;
    // What a handle held on path reads of its owner and access list.
    base::Result<platform::AccessList> AccessOf(const std::wstring& path);
    std::wstring OwnAccount() override { return ownAccount; }
    std::string ReadFileStart(const std::wstring& path, std::size_t maxBytes) override {
        return HasFile(path) ? FileAt(path).content.substr(0, maxBytes) : std::string();
    }
    std::wstring FileVersion(const std::wstring& path) override;
    std::wstring FindProgram(const std::wstring& name, const std::wstring& programFolder) override;
    base::Result<std::unique_ptr<platform::HeldItem>> HoldRoot(const std::wstring& root) override;
    base::Result<std::unique_ptr<platform::HeldItem>> HoldChild(platform::HeldItem& parent, const std::wstring& name,
                                                                platform::HoldAs as) override;
    std::optional<base::Failure> CopyInto(platform::HeldItem& folder, platform::HeldItem& source,
                                          const std::wstring& temporaryName, const std::wstring& name) override;
    std::optional<base::Failure> Remove(platform::HeldItem& leftover) override;
    std::wstring AccountName(const std::wstring& sid) override;
    // A new folder gets the locked access list, as every folder here has unless changed.
    base::Result<std::unique_ptr<platform::HeldItem>> MakeFolder(platform::HeldItem& parent,
                                                                 const std::wstring& name) override;
    std::optional<base::Failure> Rename(platform::HeldItem& parent, const std::wstring& name,
                                        const std::wstring& newName) override;

    int copies = 0;
    int steps = 0;                                      // steps that change files, as CrashAfterSteps counts them
    std::map<std::wstring, std::wstring> onSearchPath;  // a program's name, the file found
    std::vector<std::wstring> existsChecked;
    FaultPlan* faults = nullptr;
    std::wstring ownAccount = L"S-1-5-21-7-7-7-1001";

private:
    static std::wstring Key(const std::wstring& path);
    platform::AccessList& AccessAt(const std::wstring& path);
    static std::wstring FolderOf(const std::wstring& path);
    std::optional<base::Failure> CheckWritable(const std::wstring& path) const;
    bool Crashed();
    std::optional<base::Failure> CheckReplaceable(const std::wstring& path);
    bool Held(const std::wstring& path);
    base::Failure HeldFailure(const std::wstring& path) const;

    std::map<std::wstring, File> files_;
    std::map<std::wstring, File> disk_;  // what a power cut leaves
    int stepsBeforeCrash_ = -1;
    std::set<std::wstring> folders_;
    std::set<std::wstring> unwritable_;
    std::map<std::wstring, int> heldOpen_;  // tries left, -1 for good
    int scannerTries_ = 0;
    bool scannerLocksRange_ = false;
    std::set<std::wstring> rangeLocked_;
    std::set<std::wstring> accessUnknown_;
    std::map<std::wstring, std::wstring> versions_;
    std::map<std::wstring, platform::AccessList> accessLists_;
    std::map<std::wstring, platform::HeldFacts> heldFacts_;
    std::set<std::wstring> unopenable_;
    std::map<std::wstring, int> lateFiles_;
    std::map<std::wstring, std::wstring> accountNames_;
    base::Result<std::unique_ptr<platform::HeldItem>> HoldPath(const std::wstring& path, bool folder);
    std::set<std::wstring> failHalfWay_;
    bool failMoves_ = false;
    int writes_ = 0;
};
