// Questions about files and programs that only the check asks, answered without changing
// anything.
#pragma once

#include <string>

#include "base/failure.h"

namespace platform {

enum class WriteAccess { Allowed, Denied, Unknown };

class FileQueries {
public:
    virtual ~FileQueries() = default;

    // True only for a file, not a folder; names match without regard to case.
    virtual bool FileExists(const std::wstring& path) = 0;
    // True only for a folder, not a file.
    virtual bool FolderExists(const std::wstring& path) = 0;
    // Whether this user may add files to the folder, as far as can be told without writing.
    virtual WriteAccess WriteAccessTo(const std::wstring& folder) = 0;
    // Up to maxBytes from the start of a file; empty when it cannot be read.
    virtual std::string ReadFileStart(const std::wstring& path, std::size_t maxBytes) = 0;
    // The SID of the account this program runs as.
    virtual std::wstring OwnAccount() = 0;
    // The file version of a program ("1.0.0.0"), or empty text when it has none.
    virtual std::wstring FileVersion(const std::wstring& path) = 0;
    // The file that starting a program named without a folder (such as "java") would run,
    // looked for as a process start does, with programFolder as both the starting program's
    // folder and its current folder; empty text when there is none.
    virtual std::wstring FindProgram(const std::wstring& name,
                                     const std::wstring& programFolder) = 0;
};

}  // namespace platform
