// A start with an administrator's rights: the launcher copies the support files only through
// SmsServerCheck.exe /repair beside it, which refuses a source that others may change; the
// start goes on either way. (This program asks to run as administrator; Wine starts its
// children elevated.)
#include <gtest/gtest.h>

#include "tests/win/e2e_support.h"

namespace e2e {
namespace {

const std::wstring kFolder = L"C:\\e2e\\Sms", kHome = L"C:\\Java\\jre6", kRecord = L"C:\\e2e\\record.txt";

LaunchReport StartElevated() {
    InstallUsualLayout();
    CopyFileW(CheckExe().c_str(), (kFolder + L"\\SmsServerCheck.exe").c_str(), FALSE);
    LaunchOptions options;
    options.program = kFolder + L"\\SmsServer.exe";
    options.workingFolder = L"C:\\e2e";
    options.environment[L"SMS_RECORD"] = kRecord;
    return RunLauncher(options);
}

TEST(Elevated, AStartCopiesThroughTheGuardedRepair) {
    const LaunchReport report = StartElevated();
    EXPECT_TRUE(report.boxes.empty());
    EXPECT_EQ(ReadBytes(kHome + L"\\bin\\Win32com.dll"), SupportSourceContent(L"Win32com.dll"));
    EXPECT_EQ(ReadRecords(kRecord).size(), 1u);
}

TEST(Elevated, AStartCopiesNothingFromASourceOthersMayChangeAndGoesOn) {
    MakeFolders(L"C:\\sorvel\\GsmModemJar");
    Shell("chmod o+w " + UnixPathOf(L"C:\\sorvel"));
    const LaunchReport report = StartElevated();
    ASSERT_EQ(report.boxes.size(), 2u);
    EXPECT_EQ(report.boxes[0].text,
              L"An elevated start copies only through SmsServerCheck.exe /repair, which did not put every support "
              L"file in place: run it as administrator to see why.");
    EXPECT_EQ(report.boxes[1].text, L"Error While Copying JAR File");
    EXPECT_EQ(GetFileAttributesW((kHome + L"\\bin\\Win32com.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadRecords(kRecord).size(), 1u);
}

}  // namespace
}  // namespace e2e
