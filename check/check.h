// The administrator's check: what a start of SMS Server would do on this computer, and why,
// found with the launcher's own decisions and without changing anything.
#pragma once

#include <string>
#include <vector>

#include "check/paths.h"
#include "platform/file_queries.h"
#include "platform/held_files.h"
#include "platform/registry.h"
#include "platform/registry_writer.h"

namespace check {

// The exit status when the check could not be made as asked: bad arguments, a folder that
// does not exist, a report that could not be written. The others are the launcher's.
inline constexpr int kCouldNotCheck = 4;
// The exit status of a repair that could not put every support file in place.
inline constexpr int kCouldNotRepair = 5;
// The exit statuses of a /register that refused the folder it was given.
inline constexpr int kNoJavaInFolder = 6;
inline constexpr int kNot32Bit = 7;
inline constexpr int kNoLibExt = 8;
inline constexpr int kVersionBelow15 = 9;
inline constexpr int kKeyNamesAnother = 10;
inline constexpr int kMayNotWrite = 11;
inline constexpr int kOthersMayChange = 12;
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
    platform::FileQueries& files;
    platform::HeldFiles& held;
};

// Looks at the program in programFolder (full path, no trailing backslash but at the root of
// a drive), the registered runtimes and the support files. Only reads.
Report CheckStart(const CheckPlatform& platform, const std::wstring& programFolder);

// Copies the support files that a start would copy into the runtime a start chooses, through
// folders held from the drive's root (check/hold.h), then checks again. Creates no folder and
// writes to no other runtime. The report begins with a section of what the repair did. Its status:
// 0 when a start would now find every support file and reach the application; the status a start
// would end with when that is not 0; kCouldNotRepair when a support file is still missing.
Report RepairStart(const CheckPlatform& platform, const std::wstring& programFolder);

struct Registration {
    int status;
    std::vector<std::wstring> lines;
};

// Registers folder as a runtime where a start looks, in the 32-bit view under the name
// Oracle's installer gives it, with a mark of its own: only a 32-bit Java 1.5 to 8 with
// lib\ext, and never over a key that names another folder. A second run changes nothing.
Registration RegisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                             const std::wstring& folder);

// Removes the keys that RegisterRuntime made for folder, and no other.
Registration UnregisterRuntime(const CheckPlatform& platform, platform::RegistryWriter& writer,
                               const std::wstring& folder);

// Whether /register made the key below HKEY_LOCAL_MACHINE: it bears /register's mark.
bool MadeByRegister(platform::Registry& registry, const std::wstring& key);

// The report as text in lines of at most 79 characters, each ending in CR LF.
std::wstring ReportText(const Report& report);

}  // namespace check
