// Splitting a command line into arguments by the rules of the Microsoft C runtime, which the
// Java launcher uses, with the program name read as CreateProcess reads it.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::wstring> SplitWindowsCommandLine(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::size_t at = 0;
    // The program name: quotes group, backslashes are plain characters.
    std::wstring program;
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const wchar_t c = line[at];
        if (c == L'"') {
            quoted = !quoted;
        } else if (!quoted && (c == L' ' || c == L'\t')) {
            break;
        } else {
            program += c;
        }
    }
    arguments.push_back(program);
    for (;;) {
        while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
        if (at >= line.size()) break;
        std::wstring argument;
        quoted = false;
        while (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) {
            std::size_t backslashes = 0;
            while (at < line.size() && line[at] == L'\\') {
                ++backslashes;
                ++at;
            }
            if (at < line.size() && line[at] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument += L'"';
                } else if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
                    argument += L'"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(backslashes, L'\\');
                if (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) {
                    argument += line[at++];
                }
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}
