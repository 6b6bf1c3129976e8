// Choosing the Java runtime and installing the serial-port support files into it: the
// steps of a start, with their messages.
#include "runtime/mod_main.h"

#include <utility>

#include "platform/failure.h"
#include "registry/MRegistry.h"

namespace mod_main {

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
        const auto names = MRegistry::ListRegistrySubkeys(registry_, root, kJavaRuntimeKey).Names();
        const RuntimeChoice choice = ChooseRuntime(names);
        if (choice.failure) Raise(*choice.failure);
        if (!choice.chosen) {
            EndWith(kNoSuitableJavaRuntimeMessage, platform::ExitStatus::NoSuitableJavaRuntime);
        }
        const auto read = ReadJavaHome(registry_, names[choice.stoppedAt]);
        if (!read) Raise(MRegistry::UnsupportedValueType());
        const std::wstring& home = *read;
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
            const std::wstring folder = SupportFolder(home, file);
            if (fileSystem.FileExists(folder + file.fileName)) continue;
            CopyIntoFolder(fileSystem, SupportSource(file), folder, file.fileName);
        }
    } catch (const Failure& failure) {
        Report(failure, kCopyFailedMessage);
    }
}

platform::FileSystem& ModMain::FileSystemService() {
    if (!fileSystem_) fileSystem_ = &createFileSystem_();
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
