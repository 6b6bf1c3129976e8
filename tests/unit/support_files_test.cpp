// Installing the serial-port support files into a runtime.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/test_world.h"

namespace {

const std::wstring kHome = L"C:\\Java\\jre6";
const std::wstring kExt = kHome + L"\\lib\\ext\\";
const std::wstring kSource = L"C:\\sorvel\\GsmModemJar\\";

struct Installer : TestWorld {
    Installer() {
        AddSupportSources();
        AddRuntimeFolders(kHome);
    }
    void AddAllInstalled() {
        files->AddFile(kExt + L"Comm.jar", "old comm");
        files->AddFile(kHome + L"\\lib\\javax.comm.properties", "old properties");
        files->AddFile(kHome + L"\\bin\\Win32com.dll", "old dll");
        files->AddFile(kExt + L"jdc.jar", "old jdc");
    }
};

TEST(InstallSerialSupport, AllPresentCopiesNothingAndShowsNothing) {
    Installer world;
    world.AddAllInstalled();
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->copies, 0);
    EXPECT_TRUE(world.boxes.texts.empty());
    EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").content, "old comm");
}

TEST(InstallSerialSupport, CopiesOnlyWhatIsMissingAndOnlyOnce) {
    Installer world;
    world.AddAllInstalled();
    world.files->Remove(kExt + L"jdc.jar");
    const int commWritten = world.files->FileAt(kExt + L"Comm.jar").written;

    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->FileAt(kExt + L"jdc.jar").content, "new jdc.jar");
    EXPECT_EQ(world.files->FileAt(kExt + L"jdc.jar").name, kExt + L"jdc.jar");
    EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").written, commWritten);
    EXPECT_TRUE(world.boxes.texts.empty());

    const int copies = world.files->copies;
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->copies, copies);
    EXPECT_EQ(world.fileSystemsCreated, 1);
}

TEST(InstallSerialSupport, CopiesAllFourIntoTheirFolders) {
    Installer world;
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").content, "new Comm.jar");
    EXPECT_EQ(world.files->FileAt(kHome + L"\\lib\\javax.comm.properties").content, "new javax.comm.properties");
    EXPECT_EQ(world.files->FileAt(kHome + L"\\bin\\Win32com.dll").content, "new Win32com.dll");
    EXPECT_EQ(world.files->FileAt(kExt + L"jdc.jar").content, "new jdc.jar");
    EXPECT_EQ(world.files->existsChecked,
              (std::vector<std::wstring>{kExt + L"Comm.jar", kHome + L"\\lib\\javax.comm.properties",
                                         kHome + L"\\bin\\Win32com.dll", kExt + L"jdc.jar"}));
}

TEST(InstallSerialSupport, LowerCaseCommJarCountsAsPresent) {
    Installer world;
    world.files->AddFile(kExt + L"comm.jar", "lower");
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->FileAt(kExt + L"comm.jar").name, kExt + L"comm.jar");
    EXPECT_EQ(world.files->FileAt(kExt + L"comm.jar").content, "lower");
    EXPECT_EQ(world.files->copies, 3);
}

struct FailureCase {
    const char* name;
    std::function<void(Installer&)> arrange;
    std::wstring description;
    std::vector<std::wstring> checkedBeforeStop;
    std::vector<std::wstring> filesInLibExt;  // afterwards
};

TEST(InstallSerialSupport, AFailureStopsTheLaterRowsAndIsReportedTwice) {
    // clang-format off
    const FailureCase cases[] = {
        {"source files absent",
         [](Installer& w) {
             for (const wchar_t* f : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
                 w.files->Remove(kSource + f);
             }
         },
         L"The system cannot find the file specified.", {kExt + L"Comm.jar"}, {}},
        {"lib\\ext absent",
         [](Installer& w) {
             w.files = std::make_shared<FakeFileSystem>();
             w.AddSupportSources();
             w.files->AddFolder(kHome + L"\\bin");
             w.files->AddFolder(kHome + L"\\lib");
         },
         L"The system cannot find the path specified.", {kExt + L"Comm.jar"}, {}},
        {"properties source absent",
         [](Installer& w) {
             w.files->AddFile(kExt + L"Comm.jar", "old");
             w.files->Remove(kSource + L"javax.comm.properties");
         },
         L"The system cannot find the file specified.",
         {kExt + L"Comm.jar", kHome + L"\\lib\\javax.comm.properties"}, {L"Comm.jar"}},
        {"runtime not writable",
         [](Installer& w) { w.files->MakeUnwritable(kExt); },
         L"Access is denied.", {kExt + L"Comm.jar"}, {}},
        {"a copy cut short by a full disk",
         [](Installer& w) { w.files->FailCopyHalfWay(kExt + L"~Comm.jar.tmp"); },
         L"There is not enough space on the disk.", {kExt + L"Comm.jar"}, {}},
        {"the rename refused",
         [](Installer& w) { w.files->FailMoves(); },
         L"Access is denied.", {kExt + L"Comm.jar"}, {}},
        {"lib\\ext a link", [](Installer& w) { w.files->SetHeldFacts(kExt, {true, 1, L"D:\\x", true}); },
         L"C:\\Java\\jre6\\lib\\ext is a link, which a start never copies through.", {kExt + L"Comm.jar"}, {}},
        {"an elevated start, which copies only through the guarded repair, refused there",
         [](Installer& w) {
             static struct Refusing final : mod_main::ElevatedCopy {
                 std::optional<base::Failure> CopyInto(const std::wstring&) override {
                     return base::Failure(5, L"Nothing was copied.");
                 }
             } repair;
             w.modMain.CopyElevatedThrough(repair);
         },
         L"Nothing was copied.", {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Installer world;
        c.arrange(world);
        world.modMain.InstallSerialSupport(kHome);
        EXPECT_EQ(world.boxes.texts, (std::vector<std::wstring>{c.description, L"Error While Copying JAR File"}))
            << c.name;
        EXPECT_EQ(world.files->existsChecked, c.checkedBeforeStop) << c.name;
        EXPECT_EQ(world.files->FilesIn(kExt), c.filesInLibExt) << c.name;
        EXPECT_TRUE(world.files->FilesIn(kHome + L"\\lib").empty()) << c.name;
        EXPECT_TRUE(world.files->FilesIn(kHome + L"\\bin").empty()) << c.name;
    }
}

struct LeftoverCase {
    const char* name;
    std::function<void(Installer&)> arrange;
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> filesInLibExt;  // afterwards
};

// A start that ended between the copy and the rename left its temporary file behind.
TEST(InstallSerialSupport, ALeftoverOfAnInterruptedStartIsClearedFirst) {
    // clang-format off
    const LeftoverCase cases[] = {
        {"read-only, from a CD",
         [](Installer& w) { w.files->AddFile(kExt + L"~Comm.jar.tmp", "new Co", true); },
         {}, {L"Comm.jar", L"jdc.jar"}},
        {"writable",
         [](Installer& w) { w.files->AddFile(kExt + L"~jdc.jar.tmp", "new j", false); },
         {}, {L"Comm.jar", L"jdc.jar"}},
        {"held open by another program",
         [](Installer& w) {
             w.files->AddFile(kExt + L"~Comm.jar.tmp", "new Co", true);
             w.files->HoldOpen(kExt + L"~Comm.jar.tmp");
         },
         {L"The process cannot access the file because it is being used by another process.",
          L"Error While Copying JAR File"},
         {L"~Comm.jar.tmp"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Installer world;
        world.files = std::make_shared<FakeFileSystem>();
        world.AddSupportSources(true);
        world.AddRuntimeFolders(kHome);
        c.arrange(world);
        world.modMain.InstallSerialSupport(kHome);
        EXPECT_EQ(world.boxes.texts, c.boxes) << c.name;
        EXPECT_EQ(world.files->FilesIn(kExt), c.filesInLibExt) << c.name;
        if (c.boxes.empty() && world.files->HasFile(kExt + L"jdc.jar")) {
            EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").content, "new Comm.jar") << c.name;
            // The copies keep the read-only attribute of their source.
            EXPECT_TRUE(world.files->FileAt(kExt + L"jdc.jar").readOnly) << c.name;
        }
    }
}

struct ScannerCase {
    const char* name;
    int tries;        // how many attempts the scanner holds each new file for; -1: for good
    bool unwritable;  // lib\ext may not be written
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> filesInLibExt;  // afterwards
    int waits;                                // of 100 ms each
    bool locksRange = false;                  // the scanner locks a part of the file rather than share it
};

// A virus scanner holds each file just written; the rename and the removal wait for it.
TEST(InstallSerialSupport, WaitsAboutTwoSecondsForAScannerThatHoldsANewFile) {
    const std::wstring held = L"The process cannot access the file because it is being used by another process.";
    // clang-format off
    const ScannerCase cases[] = {
        {"a short hold", 3, false, {}, {L"Comm.jar", L"jdc.jar"}, 4 * 3},
        {"a short lock of a part of each file", 3, false, {}, {L"Comm.jar", L"jdc.jar"}, 4 * 3, true},
        {"longer than the rename waits, over before the removal gives up", 30, false,
         {held, L"Error While Copying JAR File"}, {}, 20 + 9},
        {"a hold for good", -1, false, {held, L"Error While Copying JAR File"}, {L"~Comm.jar.tmp"},
         20 + 20},
        {"a runtime this user may not write fails at once", 3, true,
         {L"Access is denied.", L"Error While Copying JAR File"}, {}, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        Installer world;
        world.files->HoldNewFiles(c.tries, c.locksRange);
        if (c.unwritable) world.files->MakeUnwritable(kExt);
        world.modMain.InstallSerialSupport(kHome);
        EXPECT_EQ(world.boxes.texts, c.boxes) << c.name;
        EXPECT_EQ(world.files->FilesIn(kExt), c.filesInLibExt) << c.name;
        EXPECT_EQ(std::count(world.log.events.begin(), world.log.events.end(), "sleep 100"), c.waits) << c.name;
        if (c.boxes.empty()) {
            EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").content, "new Comm.jar") << c.name;
            EXPECT_EQ(world.files->FileAt(kHome + L"\\bin\\Win32com.dll").content, "new Win32com.dll") << c.name;
        }
    }
}

// The program dies after any step of a start that changes files, then the power fails; the
// next start ends with every support file whole and no temporary file left.
TEST(InstallSerialSupport, ACrashAndAPowerCutAtAnyStepLeaveTheNextStartWhole) {
    Installer dryRun;
    dryRun.AddSupportSources(true);
    dryRun.modMain.InstallSerialSupport(kHome);
    const int steps = dryRun.files->steps;
    ASSERT_EQ(steps, 4 * 5);  // per file: clear, remove, copy, flush, rename
    for (int crashAfter = 0; crashAfter <= steps; ++crashAfter) {
        Installer world;
        world.AddSupportSources(true);  // from a CD: the copies are read-only too
        world.files->CrashAfterSteps(crashAfter);
        world.modMain.InstallSerialSupport(kHome);
        world.files->PowerCut();
        world.boxes.texts.clear();
        world.modMain.InstallSerialSupport(kHome);
        EXPECT_TRUE(world.boxes.texts.empty()) << "crash after " << crashAfter;
        for (const auto& [folder, name] : {std::pair{kExt, L"Comm.jar"},
                                           {kHome + L"\\lib\\", L"javax.comm.properties"},
                                           {kHome + L"\\bin\\", L"Win32com.dll"},
                                           {kExt, L"jdc.jar"}}) {
            ASSERT_TRUE(world.files->HasFile(folder + name)) << "crash after " << crashAfter;
            EXPECT_EQ(world.files->FileAt(folder + name).content, "new " + Narrow(name))
                << "crash after " << crashAfter;
        }
        EXPECT_EQ(world.files->FilesIn(kExt), (std::vector<std::wstring>{L"Comm.jar", L"jdc.jar"}))
            << "crash after " << crashAfter;
    }
}

TEST(InstallSerialSupport, CopiesMadeBeforeAFailureStayAndTheNextRunCompletes) {
    Installer world;
    world.files->Remove(kSource + L"javax.comm.properties");
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").content, "new Comm.jar");
    const int commWritten = world.files->FileAt(kExt + L"Comm.jar").written;

    world.files->AddFile(kSource + L"javax.comm.properties", "put back");
    world.boxes.texts.clear();
    world.modMain.InstallSerialSupport(kHome);
    EXPECT_TRUE(world.boxes.texts.empty());
    EXPECT_EQ(world.files->FileAt(kExt + L"Comm.jar").written, commWritten);
    EXPECT_EQ(world.files->FileAt(kHome + L"\\lib\\javax.comm.properties").content, "put back");
    EXPECT_TRUE(world.files->HasFile(kExt + L"jdc.jar"));
}

}  // namespace
