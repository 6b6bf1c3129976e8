// Fakes of the processes, program control and splash window, and the message boxes' one.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/processes.h"
#include "platform/program_control.h"
#include "platform/splash_window.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_message_boxes.h"
#include "tests/fakes/fault_plan.h"

class FakeProgramControl final : public platform::ProgramControl {
public:
    explicit FakeProgramControl(EventLog& log) : log_(log) {}
    void Sleep(unsigned milliseconds) override { log_.Add("sleep " + std::to_string(milliseconds)); }

private:
    EventLog& log_;
};

class FakeProcesses final : public platform::Processes {
public:
    explicit FakeProcesses(EventLog& log) : log_(log) {}

    base::Result<std::wstring> ProgramFolder() override {
        if (Injected(faults, "program folder")) {
            return base::Failure(122, L"The data area passed to a system call is too small.");
        }
        return programFolder;
    }
    base::Result<std::wstring> CurrentFolder() override {
        if (Injected(faults, "current folder get")) return base::Failure(5, L"Access is denied.");
        return currentFolder;
    }
    std::optional<base::Failure> SetCurrentFolder(const std::wstring& folder) override {
        log_.Add("cd " + Narrow(folder));
        if (Injected(faults, "current folder set")) {
            return base::Failure(3, L"The system cannot find the path specified.");
        }
        currentFolder = folder;
        return std::nullopt;
    }
    base::Result<std::unique_ptr<platform::StartedProgram>> StartProcess(const std::wstring& commandLine,
                                                                         int showState) override {
        log_.Add("start show=" + std::to_string(showState) + " cwd=" + Narrow(currentFolder));
        if (Injected(faults, "process start")) {
            return base::Failure(2, L"The system cannot find the file specified.");
        }
        if (startFailure) return *startFailure;
        started.push_back(commandLine);
        return std::unique_ptr<platform::StartedProgram>(std::make_unique<Started>(*this));
    }

    std::wstring programFolder = L"D:\\Sms";
    std::wstring currentFolder = L"C:\\Users\\ann";
    std::optional<base::Failure> startFailure;
    std::optional<platform::ProgramEnd> javaEnd;
    std::vector<std::wstring> started;
    FaultPlan* faults = nullptr;

private:
    // Java runs on through the wait, unless a test has it end.
    struct Started final : platform::StartedProgram {
        explicit Started(FakeProcesses& processes) : processes(processes) {}
        std::optional<platform::ProgramEnd> Wait(unsigned milliseconds) override {
            processes.log_.Add("wait " + std::to_string(milliseconds));
            const auto& end = processes.javaEnd;
            if (end)
                processes.log_.Add("java ended " + std::to_string(end->status) + " after " +
                                   std::to_string(end->afterMs));
            return end;
        }
        FakeProcesses& processes;
    };

    EventLog& log_;
};

// RunUntilClosed either lets the timer tick once or returns as if the user closed the window.
class FakeSplashWindow final : public platform::SplashWindow {
public:
    explicit FakeSplashWindow(EventLog& log) : log_(log) {}
    std::optional<base::Failure> Load(const platform::SplashDesign& loaded, std::function<void()> onTick) override {
        log_.Add("load");
        if (Injected(faults, "splash load")) return base::Failure(1407, L"Cannot find window class.");
        design = loaded;
        onTick_ = std::move(onTick);
        return std::nullopt;
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
    FaultPlan* faults = nullptr;

private:
    EventLog& log_;
    std::function<void()> onTick_;
};
