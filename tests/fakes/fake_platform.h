// Fakes of the processes, message boxes, program control and splash window.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/program_control.h"
#include "platform/splash_window.h"
#include "tests/fakes/event_log.h"

// Thrown by FakeProgramControl::EndProgram so that nothing after the call runs.
struct ProgramEnded {
    platform::ExitStatus status;
};

class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    explicit FakeMessageBoxes(EventLog& log) : log_(log) {}
    void Show(const std::wstring& text, unsigned style) override {
        texts.push_back(text);
        styles.push_back(style);
        log_.Add("box " + Narrow(text));
    }
    std::vector<std::wstring> texts;
    std::vector<unsigned> styles;

private:
    EventLog& log_;
};

class FakeProgramControl final : public platform::ProgramControl {
public:
    explicit FakeProgramControl(EventLog& log) : log_(log) {}
    void Sleep(unsigned milliseconds) override {
        log_.Add("sleep " + std::to_string(milliseconds));
    }

protected:
    void End(platform::ExitStatus status) override {
        log_.Add("end " + std::to_string(static_cast<int>(status)));
        throw ProgramEnded{status};
    }

private:
    EventLog& log_;
};

class FakeProcesses final : public platform::Processes {
public:
    explicit FakeProcesses(EventLog& log) : log_(log) {}

    std::wstring ProgramFolder() override { return programFolder; }
    std::wstring CurrentFolder() override { return currentFolder; }
    void SetCurrentFolder(const std::wstring& folder) override {
        log_.Add("cd " + Narrow(folder));
        currentFolder = folder;
    }
    std::uint32_t StartProcess(const std::wstring& commandLine, int showState) override {
        log_.Add("start show=" + std::to_string(showState) + " cwd=" + Narrow(currentFolder));
        if (startFailure) throw *startFailure;
        started.push_back(commandLine);
        return 4242;
    }

    std::wstring programFolder = L"D:\\Sms";
    std::wstring currentFolder = L"C:\\Users\\ann";
    std::optional<Failure> startFailure;
    std::vector<std::wstring> started;

private:
    EventLog& log_;
};

// RunUntilClosed either lets the timer tick once or returns as if the user closed the window.
class FakeSplashWindow final : public platform::SplashWindow {
public:
    explicit FakeSplashWindow(EventLog& log) : log_(log) {}
    void Load(const platform::SplashDesign& loaded, std::function<void()> onTick) override {
        log_.Add("load");
        design = loaded;
        onTick_ = std::move(onTick);
    }
    void Unload() override { log_.Add("unload"); }
    void RunUntilClosed() override {
        if (userClosesBeforeTick) {
            log_.Add("closed by user");
            return;
        }
        onTick_();
    }

    bool userClosesBeforeTick = false;
    std::optional<platform::SplashDesign> design;

private:
    EventLog& log_;
    std::function<void()> onTick_;
};
