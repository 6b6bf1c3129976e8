// The splash form and the start sequence on its timer's tick.
#include <gtest/gtest.h>

#include "launcher/command_line.h"
#include "launcher/frmSplash.h"
#include "tests/unit/test_world.h"

namespace {

using platform::ExitStatus;

struct StartSequence : TestWorld {
    launcher::frmSplash form{{window, processes, boxes, control}, modMain};

    // Runs the program as its entry does; returns how it ended.
    ExitStatus Run() {
        try {
            return form.Show();
        } catch (const ProgramEnded& ended) {
            return ended.status;
        }
    }
};

TEST(SplashFormDesign, IsTheFixedDesign) {
    const auto design = launcher::SplashFormDesign();
    EXPECT_EQ(design.caption, L"SMS Server");
    EXPECT_EQ(design.clientWidth, 487);
    EXPECT_EQ(design.clientHeight, 492);
    EXPECT_EQ(design.imageWidth, 488);
    EXPECT_EQ(design.imageHeight, 492);
    EXPECT_EQ(design.timerIntervalMs, 2000u);
}

TEST(StartSequence, RunsInOrderAndEndsAfterTheWait) {
    StartSequence program;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.AddRuntimeFolders(L"C:\\Java\\jre6");
    program.AddSupportSources();
    program.processes.currentFolder = L"E:\\work";

    EXPECT_EQ(program.Run(), ExitStatus::Ended);
    EXPECT_EQ(program.log.events,
              (std::vector<std::string>{"load", "unload", "cd D:\\Sms", "start show=0 cwd=D:\\Sms",
                                        "cd E:\\work", "sleep 10000", "end 0"}));
    ASSERT_EQ(program.processes.started.size(), 1u);
    EXPECT_EQ(program.processes.started[0],
              launcher::BuildJavaCommandLine(L"C:\\Java\\jre6", L"D:\\Sms"));
    EXPECT_EQ(program.files->copies, 4);
}

TEST(StartSequence, ClosingTheSplashEndsWithNothingStarted) {
    StartSequence program;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.window.userClosesBeforeTick = true;

    EXPECT_EQ(program.Run(), ExitStatus::Ended);
    EXPECT_EQ(program.log.events, (std::vector<std::string>{"load", "closed by user"}));
    EXPECT_EQ(program.registry.opens, 0);
}

TEST(StartSequence, NoRuntimeEndsAfterTheMessageWithNothingStarted) {
    StartSequence program;

    EXPECT_EQ(program.Run(), ExitStatus::NoJavaRuntime);
    ASSERT_EQ(program.log.events.size(), 4u);
    EXPECT_EQ(program.log.events[1], "unload");
    EXPECT_EQ(program.log.events[3], "end 2");
    EXPECT_TRUE(program.processes.started.empty());
}

TEST(StartSequence, AFailedStartIsReportedAndEndsAtOnce) {
    StartSequence program;
    program.AddRuntime("1.6", "C:\\Java\\jre6");
    program.AddRuntimeFolders(L"C:\\Java\\jre6");
    program.AddSupportSources();
    program.processes.startFailure = Failure(2, L"The system cannot find the file specified.");

    EXPECT_EQ(program.Run(), ExitStatus::UnhandledFailure);
    EXPECT_EQ(program.boxes.texts, std::vector<std::wstring>{
                                       L"Run-time error '2':\r\n\r\nThe system cannot find the "
                                       L"file specified."});
    EXPECT_EQ(program.log.events.back(), "end 1");
    for (const auto& event : program.log.events) EXPECT_NE(event.rfind("sleep", 0), 0u) << event;
}

TEST(StartSequence, ASearchFailureStillStartsJavaFromTheSearchPath) {
    StartSequence program;
    program.registry.AddKey(kRuntimesKey + "\\1.6");  // no JavaHome value

    EXPECT_EQ(program.Run(), ExitStatus::Ended);
    EXPECT_EQ(program.boxes.texts,
              (std::vector<std::wstring>{L"Unsupported value type", mod_main::kSearchFailedMessage}));
    ASSERT_EQ(program.processes.started.size(), 1u);
    EXPECT_EQ(program.processes.started[0].rfind(L"java -classpath ", 0), 0u);
}

}  // namespace
