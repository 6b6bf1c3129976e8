// The Java runtimes installed on this computer, wherever their installers registered them,
// and whether a start could use each were it registered where the launcher looks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "check/check.h"

namespace check {

// Why a runtime cannot serve, as the check, its hints and /register all say it.
inline constexpr wchar_t kNo64Bit[] =
    L"a 64-bit Java cannot load the 32-bit serial library Win32com.dll";
inline constexpr wchar_t kNoLibExtReason[] =
    L"Java 9 and later no longer load lib\\ext, where the serial-port files go";

struct InstalledRuntime {
    std::wstring folder;   // as registered, without a trailing backslash
    std::wstring name;     // the uninstall entry's display name, else the vendor's
    int bits = 0;          // of bin\java.exe: 32, 64, or 0 when it is no program
    std::wstring version;  // the release file's JAVA_VERSION, else the registry key's name
    bool hasLibExt = false;
    std::wstring vendorOption;  // how the vendor's installer registers it where a start looks
};

// Each runtime with a bin\java.exe that a JavaSoft key, a vendor's key or an uninstall entry
// names, in either registry view, once, in the order found, but for those that the key a start
// reads names.
std::vector<InstalledRuntime> RuntimesAStartDoesNotSee(const CheckPlatform& platform);

// What one of those is, and the command that would make it usable, or why none can.
std::wstring HintFor(const InstalledRuntime& runtime);

// Why a start could not use it even if it were registered, as the program's own failure,
// number 0, whose description is the reason; none when it could.
std::optional<base::Failure> WhyUnusable(const InstalledRuntime& runtime);

// The bits of a program from the start of its file: 32 for an x86 PE image, 64 for an x64 or
// ARM64 one, 0 for anything else.
int ProgramBits(const std::string& fileStart);

// The release file's JAVA_VERSION ("1.8.0_402"); empty text when it has none.
std::wstring ReleaseVersion(const std::string& releaseFile);

// The Java version's feature number: 8 for "1.8.0_402", "8.0.402.6" and "zulu-8"; 0 for none.
int FeatureVersion(const std::wstring& version);

}  // namespace check
