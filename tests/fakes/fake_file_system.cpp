// The in-memory file system of the unit tests.
#include "tests/fakes/fake_file_system.h"

#include <cwctype>
#include <stdexcept>

namespace {

const Failure kFileNotFound(2, L"The system cannot find the file specified.");
const Failure kPathNotFound(3, L"The system cannot find the path specified.");
const Failure kAccessDenied(5, L"Access is denied.");
const Failure kDiskFull(112, L"There is not enough space on the disk.");

}  // namespace

std::wstring FakeFileSystem::Key(const std::wstring& path) {
    std::wstring key = path;
    for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
    while (key.size() > 3 && key.back() == L'\\') key.pop_back();
    return key;
}

std::wstring FakeFileSystem::FolderOf(const std::wstring& path) {
    return Key(path.substr(0, path.find_last_of(L'\\')));
}

void FakeFileSystem::AddFolder(const std::wstring& path) {
    std::wstring key = Key(path);
    while (key.size() > 2) {
        folders_.insert(key);
        key = key.substr(0, key.find_last_of(L'\\'));
    }
}

void FakeFileSystem::AddFile(const std::wstring& path, std::string content) {
    AddFolder(path.substr(0, path.find_last_of(L'\\')));
    files_[Key(path)] = File{path, std::move(content), ++writes_};
}

void FakeFileSystem::MakeUnwritable(const std::wstring& folder) { unwritable_.insert(Key(folder)); }

void FakeFileSystem::FailCopyHalfWay(const std::wstring& target) {
    failHalfWay_.insert(Key(target));
}

bool FakeFileSystem::HasFile(const std::wstring& path) const { return files_.count(Key(path)) > 0; }

const FakeFileSystem::File& FakeFileSystem::FileAt(const std::wstring& path) const {
    return files_.at(Key(path));
}

std::vector<std::wstring> FakeFileSystem::FilesIn(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    for (const auto& [key, file] : files_) {
        if (FolderOf(key) == Key(folder)) names.push_back(file.name.substr(file.name.find_last_of(L'\\') + 1));
    }
    return names;
}

void FakeFileSystem::CheckWritable(const std::wstring& path) const {
    if (folders_.count(FolderOf(path)) == 0) throw kPathNotFound;
    if (unwritable_.count(FolderOf(path)) > 0) throw kAccessDenied;
}

bool FakeFileSystem::FileExists(const std::wstring& path) {
    existsChecked.push_back(path);
    return HasFile(path);
}

void FakeFileSystem::Copy(const std::wstring& source, const std::wstring& target) {
    ++copies;
    const auto found = files_.find(Key(source));
    if (found == files_.end()) throw folders_.count(FolderOf(source)) ? kFileNotFound : kPathNotFound;
    CheckWritable(target);
    std::string content = found->second.content;
    if (failHalfWay_.count(Key(target)) > 0) {
        files_[Key(target)] = File{target, content.substr(0, content.size() / 2), ++writes_};
        throw kDiskFull;
    }
    files_[Key(target)] = File{target, std::move(content), ++writes_};
}

void FakeFileSystem::MoveOver(const std::wstring& from, const std::wstring& to) {
    const auto found = files_.find(Key(from));
    if (found == files_.end()) throw kFileNotFound;
    CheckWritable(to);
    if (failMoves_) throw kAccessDenied;
    File file = found->second;
    file.name = to;
    files_.erase(found);
    files_[Key(to)] = std::move(file);
}

void FakeFileSystem::Remove(const std::wstring& path) noexcept { files_.erase(Key(path)); }
