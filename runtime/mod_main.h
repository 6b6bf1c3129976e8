// Preparing the Java runtime: choosing it from the registry and installing the serial-port
// support files into it, with the messages of a start.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/failure.h"
#include "platform/file_system.h"
#include "platform/message_boxes.h"
#include "platform/program_control.h"
#include "platform/registry.h"
#include "runtime/decisions.h"

namespace mod_main {

inline constexpr wchar_t kNoJavaRuntimeMessage[] =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tessaly for further help";
inline constexpr wchar_t kNoSuitableJavaRuntimeMessage[] =
    L"Java Runtime Environment version 1.5 or higher version is not avaiable";
inline constexpr wchar_t kSearchFailedMessage[] = L"Error While Searching JVM on Your Machine";
inline constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";

// Makes the file-system service, which its maker keeps until the program ends.
using FileSystemFactory = std::function<platform::FileSystem&()>;

// How a start that runs elevated puts the support files into home: not by the plain copy,
// which would write with an administrator's rights wherever a link leads, but through the
// check's guarded repair.
class ElevatedCopy {
public:
    virtual ~ElevatedCopy() = default;
    [[nodiscard]] virtual std::optional<base::Failure> CopyInto(const std::wstring& home) = 0;
};

class ModMain {
public:
    ModMain(platform::Registry& registry, FileSystemFactory createFileSystem,
            platform::MessageBoxes& messageBoxes, platform::ProgramControl& programControl);

    // Chooses the first runtime the registry lists whose version is 1.5 or higher, records
    // its folder in JavaHomePath and installs the support files into it. When there is no
    // runtime or none recent enough, it says so and gives the status the program must end
    // with; it reports any other failure itself and returns nothing, with JavaHomePath empty.
    [[nodiscard]] std::optional<platform::ExitStatus> FindJavaHome();

    // Copies each support file that home lacks from the support source folder. Stops at the
    // first failure and reports it.
    void InstallSerialSupport(const std::wstring& home);

    // An elevated start copies through copy from then on.
    void CopyElevatedThrough(ElevatedCopy& copy) { elevatedCopy_ = &copy; }

    // The chosen runtime's install folder, or empty text.
    const std::wstring& JavaHomePath() const { return JavaHomePath_; }

private:
    // The bodies of the two operations: a failure skips the rest and is given back to the
    // operation's one failure check.
    [[nodiscard]] std::optional<base::Failure> SearchJavaHome(
        std::optional<platform::ExitStatus>& end);

    platform::FileSystem& FileSystemService();
    // An operation's failure check: the failure's words, then the operation's own message.
    void ReportFailure(const base::Failure& failure, const wchar_t* operationMessage);
    // A fatal message, and the status the program ends with after it.
    platform::ExitStatus EndWith(const wchar_t* message, platform::ExitStatus status);

    platform::Registry& registry_;
    FileSystemFactory createFileSystem_;
    platform::FileSystem* fileSystem_ = nullptr;  // made at first use
    platform::MessageBoxes& messageBoxes_;
    platform::ProgramControl& programControl_;
    ElevatedCopy* elevatedCopy_ = nullptr;
    std::wstring JavaHomePath_;
};

// Hears of each support file whose copy was tried, and how the copy ended.
using CopyAttempt =
    std::function<void(const SupportFile& file, const std::optional<base::Failure>& failure)>;

// Copies each support file that home lacks from the support source folder, in order, and
// stops at the first failure, which it gives back. The start and the repair both copy so.
[[nodiscard]] std::optional<base::Failure> CopyMissingSupportFiles(
    platform::FileSystem& fileSystem, platform::ProgramControl& programControl,
    const std::wstring& home, const CopyAttempt& attempted = {});

// Copies source into folder (which ends in a backslash) under name, so that the folder
// holds either the whole file under that name or no new file at all: the copy goes to a
// temporary file first, which is written through to the disk and then renamed over the final
// name. Once the copy is made, a flush, rename or removal that another program holds up is
// tried again for about two seconds.
[[nodiscard]] std::optional<base::Failure> CopyIntoFolder(platform::FileSystem& fileSystem,
                                                          platform::ProgramControl& programControl,
                                                          const std::wstring& source,
                                                          const std::wstring& folder,
                                                          const std::wstring& name);

}  // namespace mod_main
