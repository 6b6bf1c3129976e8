// Installing the serial-port support files with real files in Wine's C: drive.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/win32_platform.h"
#include "runtime/mod_main.h"
#include "tests/fakes/fake_message_boxes.h"
#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kHome = L"C:\\Java\\jre6";
const std::wstring kSource = L"C:\\sorvel\\GsmModemJar";
const std::wstring kCopyFailed = L"Error While Copying JAR File";
// clang-format off
const std::pair<const wchar_t*, const wchar_t*> kInstalled[] = {
    {L"\\lib\\ext\\", L"Comm.jar"},
    {L"\\lib\\", L"javax.comm.properties"},
    {L"\\bin\\", L"Win32com.dll"},
    {L"\\lib\\ext\\", L"jdc.jar"},
};
// clang-format on

class NoWait final : public platform::ProgramControl {
public:
    void Sleep(unsigned) override {}
};

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class SupportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        InstallSupportSources();
        InstallRuntime(kHome, false);
    }
    void TearDown() override {
        if (!unwritable_.empty()) Shell("chmod u+w " + unwritable_);
        for (unsigned style : boxes_.styles) {
            EXPECT_EQ(style, static_cast<unsigned>(MB_OK | MB_SETFOREGROUND | MB_TOPMOST));
        }
    }

    void Install() { modMain_.InstallSerialSupport(kHome); }

    // Makes a folder unwritable from the Linux side, where the bed's Wine has no right to undo it.
    void MakeUnwritable(const std::wstring& folder) {
        unwritable_ = UnixPathOf(folder);
        Shell("chmod a-w " + unwritable_);
    }

    std::vector<std::wstring> Boxes() const { return boxes_.texts; }
    void ClearBoxes() { boxes_.texts.clear(); }

private:
    win32::Win32Registry registry_;
    FakeMessageBoxes boxes_;
    NoWait programControl_;
    win32::Win32FileSystem fileSystem_;
    mod_main::ModMain modMain_{registry_, [this]() -> platform::FileSystem& { return fileSystem_; }, boxes_,
                               programControl_};
    std::string unwritable_;
};

TEST_F(SupportFiles, CopiesAllFourByteForByteAndNothingElse) {
    Install();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(FilesIn(kHome + L"\\lib\\ext"), (std::vector<std::wstring>{L"Comm.jar", L"jdc.jar"}));
    EXPECT_EQ(FilesIn(kHome + L"\\lib"), std::vector<std::wstring>{L"javax.comm.properties"});
    EXPECT_EQ(FilesIn(kHome + L"\\bin"), std::vector<std::wstring>{L"Win32com.dll"});
    for (const auto& [folder, name] : kInstalled) {
        EXPECT_EQ(ReadBytes(kHome + folder + name), SupportSourceContent(name));
    }
    Install();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SupportFiles, SourceFolderAbsent) {
    for (const auto& [folder, name] : kInstalled) DeleteFileW((kSource + L"\\" + name).c_str());
    RemoveDirectoryW(kSource.c_str());
    Install();
    EXPECT_EQ(Boxes(), (std::vector<std::wstring>{SystemMessage(ERROR_PATH_NOT_FOUND), kCopyFailed}));
    EXPECT_TRUE(FilesIn(kHome + L"\\lib\\ext").empty());
    EXPECT_TRUE(FilesIn(kHome + L"\\lib").empty());
}

TEST_F(SupportFiles, LibExtAbsentIsNotCreated) {
    RemoveDirectoryW((kHome + L"\\lib\\ext").c_str());
    Install();
    EXPECT_EQ(Boxes(), (std::vector<std::wstring>{SystemMessage(ERROR_PATH_NOT_FOUND), kCopyFailed}));
    EXPECT_FALSE(Exists(kHome + L"\\lib\\ext"));
    EXPECT_TRUE(FilesIn(kHome + L"\\lib").empty());  // later rows are not tried
    EXPECT_TRUE(FilesIn(kHome + L"\\bin").empty());
}

TEST_F(SupportFiles, OneSourceFileAbsentStopsThere) {
    DeleteFileW((kSource + L"\\javax.comm.properties").c_str());
    Install();
    EXPECT_EQ(Boxes(), (std::vector<std::wstring>{SystemMessage(ERROR_FILE_NOT_FOUND), kCopyFailed}));
    EXPECT_EQ(FilesIn(kHome + L"\\lib\\ext"), std::vector<std::wstring>{L"Comm.jar"});
    EXPECT_TRUE(FilesIn(kHome + L"\\lib").empty());
    EXPECT_TRUE(FilesIn(kHome + L"\\bin").empty());
}

TEST_F(SupportFiles, UnwritableRuntimeFolderLeavesNoFile) {
    MakeUnwritable(kHome + L"\\lib\\ext");
    Install();
    EXPECT_EQ(Boxes(), (std::vector<std::wstring>{SystemMessage(ERROR_ACCESS_DENIED), kCopyFailed}));
    EXPECT_TRUE(FilesIn(kHome + L"\\lib\\ext").empty());
    EXPECT_TRUE(FilesIn(kHome + L"\\lib").empty());
}

TEST_F(SupportFiles, LowerCaseCommJarCountsAsPresent) {
    WriteBytes(kHome + L"\\lib\\ext\\comm.jar", "lower-case comm.jar");
    Install();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(FilesIn(kHome + L"\\lib\\ext"), (std::vector<std::wstring>{L"comm.jar", L"jdc.jar"}));
    EXPECT_EQ(ReadBytes(kHome + L"\\lib\\ext\\comm.jar"), "lower-case comm.jar");
}

TEST_F(SupportFiles, AnOlderCommJarIsLeftWithItsContentAndDate) {
    const std::wstring comm = kHome + L"\\lib\\ext\\Comm.jar";
    WriteBytes(comm, "Comm.jar of 2005");
    SYSTEMTIME old{2005, 3, 0, 14, 12, 0, 0, 0};
    FILETIME oldTime;
    SystemTimeToFileTime(&old, &oldTime);
    HANDLE file = CreateFileW(comm.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &oldTime);
    CloseHandle(file);

    Install();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ReadBytes(comm), "Comm.jar of 2005");
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExW(comm.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(CompareFileTime(&attributes.ftLastWriteTime, &oldTime), 0);
}

struct LeftoverCase {
    const char* name;
    bool heldOpen;
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> filesInLibExt;  // afterwards
};

// A start that ended between the copy and the rename left a read-only temporary file (the
// sources came from a CD); Windows refuses to copy over it or to delete it as it is.
TEST_F(SupportFiles, ALeftoverOfAnInterruptedStartIsClearedFirst) {
    // clang-format off
    const LeftoverCase cases[] = {
        {"read-only", false, {}, {L"Comm.jar", L"jdc.jar"}},
        {"held open by another program", true,
         {SystemMessage(ERROR_SHARING_VIOLATION), kCopyFailed}, {L"~Comm.jar.tmp"}},
    };
    // clang-format on
    for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
        SetFileAttributesW((kSource + L"\\" + name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    const std::wstring leftover = kHome + L"\\lib\\ext\\~Comm.jar.tmp";
    for (const auto& c : cases) {
        WriteBytes(leftover, "support file Co");
        ASSERT_TRUE(SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
        HANDLE held = c.heldOpen ? CreateFileW(leftover.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        Install();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(Boxes(), c.boxes) << c.name;
        EXPECT_EQ(FilesIn(kHome + L"\\lib\\ext"), c.filesInLibExt) << c.name;
        if (c.boxes.empty()) {
            EXPECT_EQ(ReadBytes(kHome + L"\\lib\\ext\\Comm.jar"), SupportSourceContent(L"Comm.jar")) << c.name;
        }
        for (const wchar_t* path : {L"\\lib\\ext\\Comm.jar", L"\\lib\\ext\\jdc.jar", L"\\lib\\ext\\~Comm.jar.tmp",
                                    L"\\lib\\javax.comm.properties", L"\\bin\\Win32com.dll"}) {
            SetFileAttributesW((kHome + path).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((kHome + path).c_str());
        }
        ClearBoxes();
    }
}

}  // namespace
}  // namespace e2e
