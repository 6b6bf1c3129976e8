// Which call of which platform operation fails: shared by the fakes of one test, so that a
// test can make any one call of any operation fail and see what the program makes of it.
#pragma once

#include <map>
#include <string>

struct FaultPlan {
    std::string operation;             // e.g. "registry open"; empty: nothing fails
    int failingCall = 0;               // 1 for the operation's first call
    std::map<std::string, int> calls;  // how often each operation has been called

    // Counts a call of the operation; true when it is the call that must fail.
    bool Fails(const std::string& name) { return ++calls[name] == failingCall && name == operation; }
};

// True when a plan is attached and this call of the operation must fail.
inline bool Injected(FaultPlan* plan, const std::string& operation) { return plan && plan->Fails(operation); }
