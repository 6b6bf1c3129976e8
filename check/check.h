// The administrator's check: what a start of SMS Server would do on this computer, and why,
// found with the launcher's own decisions and without changing anything.
#pragma once

#include <string>
#include <vector>

#include "check/paths.h"
#include "platform/file_queries.h"
#include "platform/held_files.h"
#include "platform/registry.h"

namespace check {

// The exit status when the check could not be made as asked: bad arguments, a folder that
// does not exist, a report that could not be written. The others are the launcher's.
inline constexpr int kCouldNotCheck = 4;
// The exit status of a check whose start would reach the application, but would not find
// every support file in the runtime it chooses: it would copy them first, or fail to. Only 0
// means ready.
inline constexpr int kSupportFilesNotInPlace = 14;

enum class Mark { Ok, Missing, Problem, Note, Hint };

struct Finding {
    Mark mark;
    std::wstring text;
};

struct Section {
    std::wstring title;
    std::vector<Finding> findings;
};

struct Report {
    std::wstring programFolder;
    bool repaired = false;  // a repair ran first; its section comes first
    std::vector<Section> sections;
    std::vector<std::wstring> verdict;
    int status = 0;  // the launcher's exit status, kSupportFilesNotInPlace or kCouldNotCheck
    // What a start would do, as the launcher decides it.
    std::wstring chosenRuntime;             // the runtime key's name; empty when none is chosen
    std::wstring javaHomePath;              // the folder a start takes the runtime from
    std::wstring javaLauncher;              // the program at the head of the command line
    std::wstring javaFound;                 // the file Windows runs for it; empty when none
    std::vector<std::wstring> filesToCopy;  // support files a start copies
    std::vector<std::wstring> classPathMissing;  // class-path entries missing or of the wrong kind
};

struct CheckPlatform {
    platform::Registry& registry;    // the view the launcher reads: the 32-bit one
    platform::Registry* registry64;  // the 64-bit view; null on 32-bit Windows
    platform::FileQueries& queries;
    platform::HeldFiles& held;
};

// Looks at the program in programFolder (full path, no trailing backslash but at the root of
// a drive), the registered runtimes and the support files. Only reads.
Report CheckStart(const CheckPlatform& platform, const std::wstring& programFolder);

}  // namespace check
