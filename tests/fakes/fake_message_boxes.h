// The one stand-in for the message boxes: it records each box's text and style, and, where a
// test gives it an event log and a fault plan, logs the box and fails the call the plan names.
// Free of any test framework, so that the unit tests, the fuzz target and the Windows tests
// all use it; each checks the styles in its own way.
#pragma once

#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fault_plan.h"

class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    FakeMessageBoxes() = default;
    explicit FakeMessageBoxes(EventLog& log) : log_(&log) {}

    void Show(const std::wstring& text, unsigned style) override {
        styles.push_back(style);
        if (Injected(faults, "message box")) {
            if (log_) log_->Add("box not shown");  // MessageBox failed, as with no desktop to show it on
            return;
        }
        texts.push_back(text);
        if (log_) log_->Add("box " + Narrow(text));
    }

    std::vector<std::wstring> texts;  // the boxes shown
    std::vector<unsigned> styles;     // the style of each box asked for, shown or not
    FaultPlan* faults = nullptr;

private:
    EventLog* log_ = nullptr;
};
