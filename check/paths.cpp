// How the check writes and compares folders.
#include "check/paths.h"

#include "base/text.h"

namespace check {

std::wstring WithoutTrailingBackslash(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\' &&
           !(folder.size() == 3 && folder[1] == L':')) {
        folder.pop_back();
    }
    return folder;
}

std::wstring FolderForComparison(const std::wstring& registered) {
    std::wstring folder = WithoutTrailingBackslash(registered);
    for (auto& c : folder) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    }
    return folder;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return FolderForComparison(a) == FolderForComparison(b);
}

std::wstring PathIn(std::wstring_view folder, std::wstring_view name) {
    return base::Concat({folder, folder.ends_with(L'\\') ? L"" : L"\\", name});
}

}  // namespace check
