// Choosing the Java runtime and installing the serial-port support files into it: the
// steps of a start, with their messages.
#include "runtime/mod_main.h"

#include <utility>

#include "registry/MRegistry.h"

namespace mod_main {

ModMain::ModMain(platform::Registry& registry, FileSystemFactory createFileSystem,
                 platform::MessageBoxes& messageBoxes, platform::ProgramControl& programControl)
    : registry_(registry),
      createFileSystem_(std::move(createFileSystem)),
      messageBoxes_(messageBoxes),
      programControl_(programControl) {}

std::optional<platform::ExitStatus> ModMain::FindJavaHome() {
    JavaHomePath_.clear();
    std::optional<platform::ExitStatus> end;
    if (const auto failure = SearchJavaHome(end)) {
        ReportFailure(*failure, kSearchFailedMessage);
        JavaHomePath_.clear();
    }
    return end;
}

std::optional<base::Failure> ModMain::SearchJavaHome(std::optional<platform::ExitStatus>& end) {
    const auto root = platform::kHKeyLocalMachine;
    if (!MRegistry::RegistryKeyExists(registry_, root, kJavaRuntimeKey)) {
        end = EndWith(kNoJavaRuntimeMessage, platform::ExitStatus::NoJavaRuntime);
        return std::nullopt;
    }
    const auto names = MRegistry::ListRegistrySubkeys(registry_, root, kJavaRuntimeKey).Names();
    const RuntimeChoice choice = ChooseRuntime(names);
    if (choice.failure) return choice.failure;
    if (!choice.chosen) {
        end = EndWith(kNoSuitableJavaRuntimeMessage, platform::ExitStatus::NoSuitableJavaRuntime);
        return std::nullopt;
    }
    const auto home = ReadJavaHome(registry_, names[choice.stoppedAt]);
    if (!home) return home.failure();
    if (!home->empty()) {
        JavaHomePath_ = *home;
        InstallSerialSupport(*home);
    }
    return std::nullopt;
}

void ModMain::InstallSerialSupport(const std::wstring& home) {
    if (const auto failure =
            elevatedCopy_ ? elevatedCopy_->CopyInto(home)
                          : CopyMissingSupportFiles(FileSystemService(), programControl_, home)) {
        ReportFailure(*failure, kCopyFailedMessage);
    }
}

platform::FileSystem& ModMain::FileSystemService() {
    if (!fileSystem_) fileSystem_ = &createFileSystem_();
    return *fileSystem_;
}

void ModMain::ReportFailure(const base::Failure& failure, const wchar_t* operationMessage) {
    messageBoxes_.Show(failure.description, platform::kMessageBoxOk);
    messageBoxes_.Show(operationMessage, platform::kMessageBoxOk);
}

platform::ExitStatus ModMain::EndWith(const wchar_t* message, platform::ExitStatus status) {
    messageBoxes_.Show(message, platform::kMessageBoxOk);
    return status;
}

namespace {

constexpr unsigned kHeldRetryMs = 2000;
constexpr unsigned kHeldRetryStepMs = 100;

// Access denied, a sharing violation or a lock violation: what a virus scanner causes while it
// reads a file that was just written, which it opens without letting others delete it.
bool HeldByAnother(const base::Failure& failure) {
    return failure.Is(platform::kErrorAccessDenied) ||
           failure.Is(platform::kErrorSharingViolation) ||
           failure.Is(platform::kErrorLockViolation);
}

// Runs a step on a file that was just written, again and again for about two seconds while
// another program holds the file.
template <typename Step>
[[nodiscard]] std::optional<base::Failure> RetryWhileHeld(platform::ProgramControl& programControl,
                                                          Step step) {
    for (unsigned waited = 0;; waited += kHeldRetryStepMs) {
        auto failure = step();
        if (!failure || !HeldByAnother(*failure) || waited >= kHeldRetryMs) return failure;
        programControl.Sleep(kHeldRetryStepMs);
    }
}

// A copy carries its source's attributes, so the temporary file of a read-only source is
// read-only too, and Windows removes it only once that attribute is cleared.
[[nodiscard]] std::optional<base::Failure> RemoveTemporary(platform::FileSystem& fileSystem,
                                                           const std::wstring& temporary) {
    if (auto failure = fileSystem.MakeWritable(temporary)) return failure;
    return fileSystem.Remove(temporary);
}

// The folder below home that is a link, told as the copy's failure: a start never copies
// through one into whatever it leads to. home itself is what the registry names.
std::optional<base::Failure> LinkBelow(platform::FileSystem& fileSystem, const std::wstring& home,
                                       const std::wstring& folder) {
    for (std::size_t end = folder.find(L'\\', home.size() + 1); end != std::wstring::npos;
         end = folder.find(L'\\', end + 1)) {
        const std::wstring below = folder.substr(0, end);
        if (fileSystem.IsLink(below))
            return base::Failure::Own(0,
                                      below + L" is a link, which a start never copies through.");
    }
    return std::nullopt;
}

}  // namespace

std::optional<base::Failure> CopyMissingSupportFiles(platform::FileSystem& fileSystem,
                                                     platform::ProgramControl& programControl,
                                                     const std::wstring& home,
                                                     const CopyAttempt& attempted) {
    for (const auto& file : kSupportFiles) {
        const std::wstring folder = SupportFolder(home, file);
        if (fileSystem.FileExists(folder + file.fileName)) continue;
        auto failure = LinkBelow(fileSystem, home, folder);
        if (!failure) {
            failure = CopyIntoFolder(fileSystem, programControl, SupportSource(file), folder,
                                     file.fileName);
        }
        if (attempted) attempted(file, failure);
        if (failure) return failure;
    }
    return std::nullopt;
}

std::optional<base::Failure> CopyIntoFolder(platform::FileSystem& fileSystem,
                                            platform::ProgramControl& programControl,
                                            const std::wstring& source, const std::wstring& folder,
                                            const std::wstring& name) {
    const std::wstring temporary = folder + TemporaryNameFor(name);
    // A start that ended between the copy and the rename left its temporary file behind;
    // if it stayed, every later copy onto it would be refused. Not retried: a runtime this
    // user may not write to fails at once.
    if (auto failure = RemoveTemporary(fileSystem, temporary)) return failure;
    if (auto failure = fileSystem.Copy(source, temporary)) {
        // The failure that matters is the copy's; the next start clears what is left.
        (void)RemoveTemporary(fileSystem, temporary);
        return failure;
    }
    // The data reach the disk before the rename does: after a power cut the runtime holds the
    // whole file under its name, or the temporary file, never a file of zeros under its name.
    auto failure = RetryWhileHeld(programControl, [&] { return fileSystem.Flush(temporary); });
    if (!failure) {
        failure = RetryWhileHeld(programControl,
                                 [&] { return fileSystem.MoveOver(temporary, folder + name); });
    }
    if (failure) {
        (void)RetryWhileHeld(programControl,
                             [&] { return RemoveTemporary(fileSystem, temporary); });
    }
    return failure;
}

}  // namespace mod_main
