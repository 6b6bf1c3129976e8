// How the check writes and compares folders.
#pragma once

#include <string>
#include <string_view>

namespace check {

// The folder without trailing backslashes, but for the one of a drive's root ("D:\").
std::wstring WithoutTrailingBackslash(std::wstring folder);

// The folder as compared: lower case, no trailing backslash.
std::wstring FolderForComparison(const std::wstring& folder);

// Whether two texts name the same folder, as FolderForComparison compares them.
bool SameFolder(const std::wstring& a, const std::wstring& b);

// name inside folder, with one backslash between them, also after a drive's root ("D:\").
std::wstring PathIn(std::wstring_view folder, std::wstring_view name);

}  // namespace check
