// Preparing the Java runtime: choosing it from the registry and installing the serial-port
// support files into it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/file_system.h"
#include "platform/message_boxes.h"
#include "platform/program_control.h"
#include "platform/registry.h"

namespace mod_main {

inline constexpr wchar_t kJavaRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
inline constexpr wchar_t kJavaHomeValue[] = L"JavaHome";
inline constexpr wchar_t kSupportSourceFolder[] = L"C:\\sorvel\\GsmModemJar";
inline constexpr double kMinimumJavaVersion = 1.5;

inline constexpr wchar_t kNoJavaRuntimeMessage[] =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tessaly for further help";
inline constexpr wchar_t kNoSuitableJavaRuntimeMessage[] =
    L"Java Runtime Environment version 1.5 or higher version is not avaiable";
inline constexpr wchar_t kSearchFailedMessage[] = L"Error While Searching JVM on Your Machine";
inline constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";

// A serial-port support file: its folder below the runtime (ending in a backslash) and its
// name there, which is also its name in the support source folder.
struct SupportFile {
    const wchar_t* folderSuffix;
    const wchar_t* fileName;
};

inline constexpr std::array<SupportFile, 4> kSupportFiles{{
    {L"\\lib\\ext\\", L"Comm.jar"},
    {L"\\lib\\", L"javax.comm.properties"},
    {L"\\bin\\", L"Win32com.dll"},
    {L"\\lib\\ext\\", L"jdc.jar"},
}};

// The version a runtime's key name stands for: its first three characters read as a number,
// with a point as the decimal separator; nothing when they are not one.
std::optional<double> RuntimeVersionOf(const std::wstring& name);

bool IsSuitableVersion(double version);

// Where the search through the listed runtime names stops: at the first name of version 1.5
// or higher, or at a name that is not a number met before one.
struct RuntimeChoice {
    std::size_t stoppedAt = 0;        // index of that name; the list's length when none
    bool chosen = false;              // the name at stoppedAt is the chosen runtime
    std::optional<Failure> failure;   // 13 "Type mismatch": the name at stoppedAt is no number
};
RuntimeChoice ChooseRuntime(const std::vector<std::wstring>& names);

// The chosen runtime's install folder: its JavaHome value as text, empty when its key cannot
// be opened; nothing when the value is missing or of a type the registry reader does not
// convert, where a start raises 1001 "Unsupported value type". typeRead, when given,
// receives the value's registry type.
std::optional<std::wstring> ReadJavaHome(platform::Registry& registry, const std::wstring& name,
                                         std::uint32_t* typeRead = nullptr);

// A support file's place in the runtime at home, and its source.
std::wstring SupportFolder(const std::wstring& home, const SupportFile& file);
std::wstring SupportSource(const SupportFile& file);

// Makes the file-system service, which its maker keeps until the program ends.
using FileSystemFactory = std::function<platform::FileSystem&()>;

class ModMain {
public:
    ModMain(platform::Registry& registry, FileSystemFactory createFileSystem,
            platform::MessageBoxes& messageBoxes, platform::ProgramControl& programControl);

    // Chooses the first runtime the registry lists whose version is 1.5 or higher, records
    // its folder in JavaHomePath and installs the support files into it. Ends the program
    // when there is no runtime or none recent enough; reports any other failure and
    // returns with JavaHomePath empty.
    void FindJavaHome();

    // Copies each support file that home lacks from the support source folder. Stops at the
    // first failure and reports it; never raises.
    void InstallSerialSupport(const std::wstring& home);

    // The chosen runtime's install folder, or empty text.
    const std::wstring& JavaHomePath() const { return JavaHomePath_; }

private:
    platform::FileSystem& FileSystemService();
    void Report(const Failure& failure, const wchar_t* operationMessage);
    [[noreturn]] void EndWith(const wchar_t* message, platform::ExitStatus status);

    platform::Registry& registry_;
    FileSystemFactory createFileSystem_;
    platform::FileSystem* fileSystem_ = nullptr;  // made at first use
    platform::MessageBoxes& messageBoxes_;
    platform::ProgramControl& programControl_;
    std::wstring JavaHomePath_;
};

// Copies source into folder (which ends in a backslash) under name, so that the folder
// holds either the whole file under that name or no new file at all: the copy goes to a
// temporary file first, which is then renamed over the final name. Once the copy is made,
// a rename or removal that another program holds up is tried again for about two seconds.
void CopyIntoFolder(platform::FileSystem& fileSystem, platform::ProgramControl& programControl,
                    const std::wstring& source, const std::wstring& folder, const std::wstring& name);

// The name of the temporary file that CopyIntoFolder writes for name.
std::wstring TemporaryNameFor(const std::wstring& name);

}  // namespace mod_main
