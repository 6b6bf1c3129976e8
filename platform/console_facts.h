// What a console program can tell of the console it runs in, read once at its end to decide
// whether a user is there to read what it wrote.
#pragma once

namespace platform {

struct ConsoleFacts {
    bool onConsole = false;             // input and output are the console, neither redirected
    bool aloneOnConsole = false;        // no other process shares it: it was made for this one
    bool consoleWindow = false;         // the console has a window (GetConsoleWindow)
    bool startedHidden = false;         // the starter asked for a hidden window (GetStartupInfo)
    bool visibleWindowStation = false;  // the window station is one a user sees (WSF_VISIBLE)
};

}  // namespace platform
