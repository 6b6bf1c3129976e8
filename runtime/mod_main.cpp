// Choosing the Java runtime and installing the serial-port support files into it.
#include "runtime/mod_main.h"

#include <optional>
#include <string_view>
#include <utility>

#include "platform/failure.h"
#include "registry/MRegistry.h"
#include "runtime/version_number.h"

namespace mod_main {
namespace {

constexpr std::size_t kVersionLength = 3;

bool IsSuitableVersion(const std::wstring& subkeyName) {
    return ReadVersionNumber(std::wstring_view(subkeyName).substr(0, kVersionLength)) >=
           kMinimumJavaVersion;
}

}  // namespace

ModMain::ModMain(platform::Registry& registry, FileSystemFactory createFileSystem,
                 platform::MessageBoxes& messageBoxes, platform::ProgramControl& programControl)
    : registry_(registry),
      createFileSystem_(std::move(createFileSystem)),
      messageBoxes_(messageBoxes),
      programControl_(programControl) {}

void ModMain::FindJavaHome() {
    JavaHomePath_.clear();
    try {
        const auto root = platform::kHKeyLocalMachine;
        if (!MRegistry::RegistryKeyExists(registry_, root, kJavaRuntimeKey)) {
            EndWith(kNoJavaRuntimeMessage, platform::ExitStatus::NoJavaRuntime);
        }
        std::optional<std::wstring> chosen;
        for (const auto& name : MRegistry::ListRegistrySubkeys(registry_, root, kJavaRuntimeKey)) {
            if (IsSuitableVersion(name)) {
                chosen = name;
                break;
            }
        }
        if (!chosen) {
            EndWith(kNoSuitableJavaRuntimeMessage, platform::ExitStatus::NoSuitableJavaRuntime);
        }
        const std::wstring home = MRegistry::ToText(MRegistry::ReadRegistryValue(
            registry_, root, std::wstring(kJavaRuntimeKey) + L"\\" + *chosen, L"JavaHome"));
        if (!home.empty()) {
            JavaHomePath_ = home;
            InstallSerialSupport(home);
        }
    } catch (const Failure& failure) {
        Report(failure, kSearchFailedMessage);
        JavaHomePath_.clear();
    }
}

void ModMain::InstallSerialSupport(const std::wstring& home) {
    try {
        auto& fileSystem = FileSystemService();
        for (const auto& file : kSupportFiles) {
            const std::wstring folder = home + file.folderSuffix;
            if (fileSystem.FileExists(folder + file.fileName)) continue;
            CopyIntoFolder(fileSystem, std::wstring(kSupportSourceFolder) + L"\\" + file.fileName,
                           folder, file.fileName);
        }
    } catch (const Failure& failure) {
        Report(failure, kCopyFailedMessage);
    }
}

platform::FileSystem& ModMain::FileSystemService() {
    if (!fileSystem_) fileSystem_ = createFileSystem_();
    return *fileSystem_;
}

void ModMain::Report(const Failure& failure, const wchar_t* operationMessage) {
    messageBoxes_.Show(failure.description, platform::kMessageBoxOk);
    messageBoxes_.Show(operationMessage, platform::kMessageBoxOk);
}

void ModMain::EndWith(const wchar_t* message, platform::ExitStatus status) {
    messageBoxes_.Show(message, platform::kMessageBoxOk);
    programControl_.EndProgram(status);
}

std::wstring TemporaryNameFor(const std::wstring& name) { return L"~" + name + L".tmp"; }

namespace {

// A copy carries its source's attributes, so the temporary file of a read-only source is
// read-only too, and Windows removes it only once that attribute is cleared.
void RemoveTemporary(platform::FileSystem& fileSystem, const std::wstring& temporary) {
    fileSystem.MakeWritable(temporary);
    fileSystem.Remove(temporary);
}

}  // namespace

void CopyIntoFolder(platform::FileSystem& fileSystem, const std::wstring& source,
                    const std::wstring& folder, const std::wstring& name) {
    const std::wstring temporary = folder + TemporaryNameFor(name);
    // A start that ended between the copy and the rename left its temporary file behind;
    // if it stayed, every later copy onto it would be refused.
    RemoveTemporary(fileSystem, temporary);
    try {
        fileSystem.Copy(source, temporary);
        fileSystem.MoveOver(temporary, folder + name);
    } catch (...) {
        try {
            RemoveTemporary(fileSystem, temporary);
        } catch (...) {
            // The failure that matters is the copy's; the next start clears the leftover.
        }
        throw;
    }
}

}  // namespace mod_main
