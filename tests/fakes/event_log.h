// The order in which the fakes were asked to do things.
#pragma once

#include <string>
#include <vector>

struct EventLog {
    std::vector<std::string> events;
    void Add(std::string event) { events.push_back(std::move(event)); }
};

// Wide text as UTF-8-ish narrow text for event names and messages in test output.
inline std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}
