// Paths: the folder of the program file, and whether a path names a file. Kept apart, so that
// both programs link them without anything else.
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

base::Result<std::wstring> ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return LastErrorFailure();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    // The root of a drive keeps its backslash: "D:\", not "D:", which names a current folder.
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace win32
