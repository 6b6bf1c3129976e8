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
            CopyIntoFolder(fileSystem, programControl_, SupportSource(file), folder, file.fileName);
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

constexpr unsigned kHeldRetryMs = 2000;
constexpr unsigned kHeldRetryStepMs = 100;

// Access denied, a sharing violation or a lock violation: what a virus scanner causes while it
// reads a file that was just written, which it opens without letting others delete it.
bool HeldByAnother(const Failure& failure) {
    return failure.number == 5 || failure.number == 32 || failure.number == 33;
}

// Runs a step on a file that was just written, again and again for about two seconds while
// another program holds the file.
template <typename Step>
void RetryWhileHeld(platform::ProgramControl& programControl, Step step) {
    for (unsigned waited = 0;; waited += kHeldRetryStepMs) {
        try {
            step();
            return;
        } catch (const Failure& failure) {
            if (!HeldByAnother(failure) || waited >= kHeldRetryMs) throw;
        }
        programControl.Sleep(kHeldRetryStepMs);
    }
}

// A copy carries its source's attributes, so the temporary file of a read-only source is
// read-only too, and Windows removes it only once that attribute is cleared.
void RemoveTemporary(platform::FileSystem& fileSystem, const std::wstring& temporary) {
    fileSystem.MakeWritable(temporary);
    fileSystem.Remove(temporary);
}

}  // namespace

void CopyIntoFolder(platform::FileSystem& fileSystem, platform::ProgramControl& programControl,
                    const std::wstring& source, const std::wstring& folder, const std::wstring& name) {
    const std::wstring temporary = folder + TemporaryNameFor(name);
    // A start that ended between the copy and the rename left its temporary file behind;
    // if it stayed, every later copy onto it would be refused. Not retried: a runtime this
    // user may not write to fails at once.
    RemoveTemporary(fileSystem, temporary);
    bool copied = false;
    try {
        fileSystem.Copy(source, temporary);
        copied = true;
        RetryWhileHeld(programControl, [&] { fileSystem.MoveOver(temporary, folder + name); });
    } catch (...) {
        try {
            if (copied) {
                RetryWhileHeld(programControl, [&] { RemoveTemporary(fileSystem, temporary); });
            } else {
                RemoveTemporary(fileSystem, temporary);
            }
        } catch (...) {
            // The failure that matters is the copy's; the next start clears the leftover.
        }
        throw;
    }
}

}  // namespace mod_main
