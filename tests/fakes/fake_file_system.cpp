// The in-memory file system of the unit tests.
#include "tests/fakes/fake_file_system.h"

#include <cwctype>

namespace {

const base::Failure kFileNotFound(2, L"The system cannot find the file specified.");
const base::Failure kPathNotFound(3, L"The system cannot find the path specified.");
const base::Failure kAccessDenied(5, L"Access is denied.");
const base::Failure kSharingViolation(
    32, L"The process cannot access the file because it is being used by another process.");
const base::Failure kAlreadyExists(183, L"Cannot create a file when that file already exists.");
const base::Failure kDiskFull(112, L"There is not enough space on the disk.");
const base::Failure kNotReady(21, L"The device is not ready.");
const base::Failure kDeviceError(1117, L"The request could not be performed because of an I/O device error.");

}  // namespace

// Windows takes a slash for a backslash and two for one, and matches names without regard to case.
std::wstring FakeFileSystem::Key(const std::wstring& path) {
    std::wstring key;
    for (wchar_t c : path) {
        c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
        if (c != L'\\' || key.empty() || key.back() != L'\\') key += c;
    }
    while (key.size() > 3 && key.back() == L'\\') key.pop_back();
    return key;
}

std::wstring FakeFileSystem::FolderOf(const std::wstring& path) {
    const std::wstring key = Key(path);
    return Key(key.substr(0, key.find_last_of(L'\\')));
}

void FakeFileSystem::AddFolder(const std::wstring& path) {
    std::wstring key = Key(path);
    while (key.size() > 2) {
        folders_.insert(key);
        key = key.substr(0, key.find_last_of(L'\\'));
    }
}

void FakeFileSystem::AddFile(const std::wstring& path, std::string content, bool readOnly) {
    AddFolder(path.substr(0, path.find_last_of(L'\\')));
    files_[Key(path)] = File{path, std::move(content), ++writes_, readOnly};
    disk_[Key(path)] = files_[Key(path)];
}

void FakeFileSystem::RemoveFolder(const std::wstring& path) {
    const std::wstring key = Key(path);
    const auto below = [&](const std::wstring& other) { return other == key || other.rfind(key + L"\\", 0) == 0; };
    std::erase_if(folders_, below);
    std::erase_if(files_, [&](const auto& entry) { return below(entry.first); });
    std::erase_if(disk_, [&](const auto& entry) { return below(entry.first); });
}

bool FakeFileSystem::Crashed() {
    ++steps;
    if (stepsBeforeCrash_ < 0) return false;
    if (stepsBeforeCrash_ == 0) return true;
    --stepsBeforeCrash_;
    return false;
}

void FakeFileSystem::PowerCut() {
    files_ = disk_;
    stepsBeforeCrash_ = -1;
}

void FakeFileSystem::MakeUnwritable(const std::wstring& folder) { unwritable_.insert(Key(folder)); }

void FakeFileSystem::HoldOpen(const std::wstring& path) { heldOpen_[Key(path)] = -1; }

base::Failure FakeFileSystem::HeldFailure(const std::wstring& path) const {
    if (!rangeLocked_.count(Key(path))) return kSharingViolation;
    return {33, L"The process cannot access the file because another process has locked a portion of the file."};
}

// Each attempt on a held file uses up one of its tries.
bool FakeFileSystem::Held(const std::wstring& path) {
    const auto found = heldOpen_.find(Key(path));
    if (found == heldOpen_.end()) return false;
    if (found->second == 0) {
        heldOpen_.erase(found);
        return false;
    }
    if (found->second > 0) --found->second;
    return true;
}

void FakeFileSystem::FailCopyHalfWay(const std::wstring& target) { failHalfWay_.insert(Key(target)); }

bool FakeFileSystem::HasFile(const std::wstring& path) const { return files_.count(Key(path)) > 0; }

const FakeFileSystem::File& FakeFileSystem::FileAt(const std::wstring& path) const { return files_.at(Key(path)); }

std::vector<std::wstring> FakeFileSystem::FilesIn(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    for (const auto& [key, file] : files_) {
        if (FolderOf(key) == Key(folder)) names.push_back(file.name.substr(file.name.find_last_of(L'\\') + 1));
    }
    return names;
}

std::optional<base::Failure> FakeFileSystem::CheckWritable(const std::wstring& path) const {
    if (folders_.count(FolderOf(path)) == 0) return kPathNotFound;
    if (unwritable_.count(FolderOf(path)) > 0) return kAccessDenied;
    return std::nullopt;
}

// Windows neither overwrites nor removes a read-only file, nor one that is open elsewhere.
std::optional<base::Failure> FakeFileSystem::CheckReplaceable(const std::wstring& path) {
    if (Held(path)) return HeldFailure(path);
    const auto found = files_.find(Key(path));
    if (found != files_.end() && found->second.readOnly) return kAccessDenied;
    return std::nullopt;
}

bool FakeFileSystem::FileExists(const std::wstring& path) {
    existsChecked.push_back(path);
    if (Injected(faults, "file exists")) return false;  // as when the folder cannot be read
    return HasFile(path);
}

std::optional<base::Failure> FakeFileSystem::Copy(const std::wstring& source, const std::wstring& target) {
    if (Crashed()) return kNotReady;
    ++copies;
    const auto found = files_.find(Key(source));
    if (found == files_.end()) return folders_.count(FolderOf(source)) ? kFileNotFound : kPathNotFound;
    if (Held(source)) return HeldFailure(source);
    if (auto failure = CheckWritable(target)) return failure;
    if (auto failure = CheckReplaceable(target)) return failure;
    // A copy takes the source's attributes from the moment it is created.
    File copy{target, found->second.content, ++writes_, found->second.readOnly};
    const bool cutShort = failHalfWay_.count(Key(target)) > 0 || Injected(faults, "file copy");
    if (cutShort) copy.content.resize(copy.content.size() / 2);
    // The new file is on the disk at once; its data only once they are flushed.
    disk_[Key(target)] = File{target, std::string(copy.content.size(), '\0'), copy.written, copy.readOnly};
    files_[Key(target)] = std::move(copy);
    if (cutShort) return kDiskFull;
    if (scannerTries_ != 0) heldOpen_[Key(target)] = scannerTries_;
    if (scannerLocksRange_) rangeLocked_.insert(Key(target));
    return std::nullopt;
}

std::optional<base::Failure> FakeFileSystem::Flush(const std::wstring& path) {
    if (Crashed()) return kNotReady;
    if (Injected(faults, "file flush")) return kDeviceError;
    const auto found = files_.find(Key(path));
    if (found == files_.end()) return kFileNotFound;
    if (Held(path)) return HeldFailure(path);
    auto& onDisk = disk_[Key(path)];
    onDisk.content = found->second.content;
    onDisk.name = found->second.name;
    return std::nullopt;
}

std::optional<base::Failure> FakeFileSystem::MoveOver(const std::wstring& from, const std::wstring& to) {
    if (Crashed()) return kNotReady;
    if (Injected(faults, "file rename")) return kAccessDenied;
    const auto found = files_.find(Key(from));
    if (found == files_.end()) return kFileNotFound;
    if (auto failure = CheckWritable(to)) return failure;
    if (Held(from)) return HeldFailure(from);
    if (auto failure = CheckReplaceable(to)) return failure;
    if (failMoves_) return kAccessDenied;
    File file = found->second;
    file.name = to;
    files_.erase(found);
    files_[Key(to)] = std::move(file);
    // Written through: the rename is on the disk, with whatever of the data is there.
    const auto onDisk = disk_.find(Key(from));
    if (onDisk != disk_.end()) {
        File moved = onDisk->second;
        moved.name = to;
        disk_.erase(onDisk);
        disk_[Key(to)] = std::move(moved);
    }
    return std::nullopt;
}

std::optional<base::Failure> FakeFileSystem::MakeWritable(const std::wstring& path) {
    if (Crashed()) return kNotReady;
    if (Injected(faults, "file make writable")) return kAccessDenied;
    const auto found = files_.find(Key(path));
    if (found != files_.end()) found->second.readOnly = false;
    return std::nullopt;
}

bool FakeFileSystem::FolderExists(const std::wstring& path) { return folders_.count(Key(path)) > 0; }

platform::WriteAccess FakeFileSystem::WriteAccessTo(const std::wstring& folder) {
    if (!FolderExists(folder) || accessUnknown_.count(Key(folder))) {
        return platform::WriteAccess::Unknown;
    }
    return unwritable_.count(Key(folder)) ? platform::WriteAccess::Denied : platform::WriteAccess::Allowed;
}

platform::AccessList& FakeFileSystem::AccessAt(const std::wstring& path) {
    return accessLists_
        .try_emplace(
            Key(path),
            platform::AccessList{L"S-1-5-32-544",
                                 false,
                                 {{L"S-1-5-18", 0x1f01ff}, {L"S-1-5-32-544", 0x1f01ff}, {L"S-1-5-32-545", 0x1200a9}}})
        .first->second;
}

void FakeFileSystem::SetOwner(const std::wstring& path, Account owner) {
    accountNames_[owner.sid] = owner.name;
    AccessAt(path).owner = owner.sid;
}

void FakeFileSystem::Grant(const std::wstring& path, Account account, std::uint32_t rights, platform::EntryKind kind) {
    accountNames_[account.sid] = account.name;
    AccessAt(path).entries.push_back({account.sid, rights, kind});
}

std::wstring FakeFileSystem::AccountName(const std::wstring& sid) {
    const auto found = accountNames_.find(sid);
    return found == accountNames_.end() ? sid : found->second;
}

base::Result<platform::AccessList> FakeFileSystem::AccessOf(const std::wstring& path) {
    if (accessUnknown_.count(Key(path))) return kAccessDenied;
    return AccessAt(path);
}

std::wstring FakeFileSystem::FileVersion(const std::wstring& path) {
    const auto found = versions_.find(Key(path));
    return found == versions_.end() ? std::wstring() : found->second;
}

std::wstring FakeFileSystem::FindProgram(const std::wstring& name, const std::wstring&) {
    const auto found = onSearchPath.find(name);
    return found == onSearchPath.end() ? std::wstring() : found->second;
}

std::optional<base::Failure> FakeFileSystem::Remove(const std::wstring& path) {
    if (Crashed()) return kNotReady;
    if (Injected(faults, "file remove")) return kAccessDenied;
    if (files_.count(Key(path)) == 0) return std::nullopt;
    if (unwritable_.count(FolderOf(path)) > 0) return kAccessDenied;
    if (auto failure = CheckReplaceable(path)) return failure;
    files_.erase(Key(path));
    return std::nullopt;
}

namespace {

class FakeHeldItem final : public platform::HeldItem {
public:
    FakeHeldItem(FakeFileSystem& files, std::wstring path, platform::HeldFacts facts)
        : files_(files), path_(std::move(path)), facts_(std::move(facts)) {}
    const platform::HeldFacts& Facts() const override { return facts_; }
    base::Result<platform::AccessList> Access() override { return files_.AccessOf(path_); }
    const std::wstring& Path() const { return path_; }

private:
    FakeFileSystem& files_;
    std::wstring path_;
    platform::HeldFacts facts_;
};

// Where name lies in the held folder.
std::wstring ChildPath(platform::HeldItem& folder, const std::wstring& name) {
    const std::wstring& path = static_cast<FakeHeldItem&>(folder).Path();
    return path + (path.ends_with(L'\\') ? L"" : L"\\") + name;
}

}  // namespace

base::Result<std::unique_ptr<platform::HeldItem>> FakeFileSystem::HoldPath(const std::wstring& path, bool folder) {
    if (unopenable_.count(Key(path))) return kAccessDenied;
    if (auto late = lateFiles_.find(Key(path)); late != lateFiles_.end() && late->second-- > 0) return kFileNotFound;
    const bool root = Key(path).size() == 3;
    if (!root && !(folder ? FolderExists(path) : HasFile(path))) {
        if (!folder && FolderExists(path)) return kAccessDenied;  // a folder opened as a file
        return folders_.count(FolderOf(path)) || FolderOf(path).size() == 2 ? kFileNotFound : kPathNotFound;
    }
    const auto found = heldFacts_.find(Key(path));
    platform::HeldFacts facts = found != heldFacts_.end() ? found->second : platform::HeldFacts{false, 1, path, folder};
    return std::unique_ptr<platform::HeldItem>(std::make_unique<FakeHeldItem>(*this, path, std::move(facts)));
}

base::Result<std::unique_ptr<platform::HeldItem>> FakeFileSystem::HoldRoot(const std::wstring& root) {
    return HoldPath(root, true);
}

base::Result<std::unique_ptr<platform::HeldItem>> FakeFileSystem::HoldChild(platform::HeldItem& parent,
                                                                            const std::wstring& name,
                                                                            platform::HoldAs as) {
    return HoldPath(ChildPath(parent, name), as == platform::HoldAs::Folder);
}

// A new file only, as FILE_CREATE makes it, renamed never over a name that is taken; a failure
// takes the new file back.
std::optional<base::Failure> FakeFileSystem::CopyInto(platform::HeldItem& folder, platform::HeldItem& source,
                                                      const std::wstring& temporaryName, const std::wstring& name) {
    const std::wstring& into = static_cast<FakeHeldItem&>(folder).Path();
    const std::wstring temporary = into + L"\\" + temporaryName;
    if (HasFile(temporary) || FolderExists(temporary)) return base::Failure(80, L"The file exists.");
    if (unwritable_.count(Key(into))) return kAccessDenied;
    if (failHalfWay_.count(Key(temporary))) return kDiskFull;
    if (HasFile(into + L"\\" + name)) return kAlreadyExists;
    ++copies;
    const std::wstring target = into + L"\\" + name;
    files_[Key(target)] = File{target, FileAt(static_cast<FakeHeldItem&>(source).Path()).content, ++writes_, false};
    disk_[Key(target)] = files_[Key(target)];
    return std::nullopt;
}

std::optional<base::Failure> FakeFileSystem::Remove(platform::HeldItem& leftover) {
    const std::wstring& path = static_cast<FakeHeldItem&>(leftover).Path();
    if (unwritable_.count(FolderOf(path))) return kAccessDenied;
    files_.erase(Key(path));
    disk_.erase(Key(path));
    return std::nullopt;
}

base::Result<std::unique_ptr<platform::HeldItem>> FakeFileSystem::MakeFolder(platform::HeldItem& parent,
                                                                             const std::wstring& name) {
    const std::wstring path = ChildPath(parent, name);
    if (HasFile(path) || FolderExists(path)) return kAlreadyExists;
    AddFolder(path);
    return HoldPath(path, true);
}

// What is below the folder moves with it, its access lists too.
std::optional<base::Failure> FakeFileSystem::Rename(platform::HeldItem& parent, const std::wstring& name,
                                                    const std::wstring& newName) {
    const std::wstring from = Key(ChildPath(parent, name)), to = Key(ChildPath(parent, newName));
    if (HasFile(to) || FolderExists(to)) return kAlreadyExists;
    const auto moved = [&](const std::wstring& key) {
        return key == from || key.rfind(from + L"\\", 0) == 0 ? to + key.substr(from.size()) : key;
    };
    const auto move = [&](auto& table) {
        std::remove_reference_t<decltype(table)> renamed;
        for (auto& [key, value] : table) renamed.emplace(moved(key), std::move(value));
        table = std::move(renamed);
    };
    std::set<std::wstring> folders;
    for (const auto& key : folders_) folders.insert(moved(key));
    folders_ = std::move(folders);
    move(files_);
    move(disk_);
    move(accessLists_);
    return std::nullopt;
}
