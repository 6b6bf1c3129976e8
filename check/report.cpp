// The check's report as text for an 80-column console, and its command line.
#include "check/check.h"

#include "launcher/version.h"

namespace check {
namespace {

constexpr std::size_t kWidth = 79;
constexpr std::size_t kMarkColumns = 11;  // "  PROBLEM  "

const wchar_t* MarkText(Mark mark) {
    static const wchar_t* const kMarks[] = {L"OK", L"MISSING", L"PROBLEM", L"NOTE", L"HINT"};
    return kMarks[static_cast<int>(mark)];
}

bool EndsPath(const std::wstring& text, std::size_t at, std::size_t pathStart) {
    const wchar_t c = text[at];
    const bool sentenceEnds = c == L'.' && (at + 1 == text.size() || text[at + 1] == L' ');
    return c == L'"' || c == L',' || (c == L':' && at > pathStart + 1) || sentenceEnds;
}

// Where the path that begins at start ends. A path begins with a drive ("C:\\") or two
// backslashes, and ends before a quote, a comma, a colon or a sentence's point; of what lies
// between, it takes the words up to the one that holds its last backslash, so that "C:\\Program
// Files (x86)\\Java" is one path and "D:\\Sms would do" is not.
std::size_t PathEnd(const std::wstring& text, std::size_t start) {
    std::size_t stop = start + 2;
    while (stop < text.size() && !EndsPath(text, stop, start)) ++stop;
    const std::size_t lastBackslash = text.rfind(L'\\', stop - 1);
    const std::size_t blank = text.find(L' ', lastBackslash);
    return blank < stop ? blank : stop;
}

// The path that a blank at position at lies in, as [start, end); {npos, npos} when none does.
std::pair<std::size_t, std::size_t> PathAround(const std::wstring& text, std::size_t at) {
    for (std::size_t start = 0; start < at; ++start) {
        const bool drive = start + 2 < text.size() && text[start + 1] == L':' && text[start + 2] == L'\\';
        const bool share = start + 1 < text.size() && text[start] == L'\\' && text[start + 1] == L'\\';
        if ((!drive && !share) || (start > 0 && text[start - 1] != L' ' && text[start - 1] != L'"')) continue;
        const std::size_t end = PathEnd(text, start);
        if (at < end) return {start, end};
        start = end;
    }
    return {std::wstring::npos, std::wstring::npos};
}

// Appends text after the head, broken at blanks into lines of at most kWidth characters. A
// path that would be broken at one of its blanks goes whole onto the next line when it fits
// there, so that it can be copied; a word longer than a line is cut.
void AppendWrapped(std::wstring& out, std::wstring head, const std::wstring& text) {
    const std::size_t indent = head.size();
    const std::size_t room = kWidth - indent;
    std::size_t at = 0;
    do {
        std::size_t end = text.size();
        if (end - at > room) {
            end = text.rfind(L' ', at + room);
            if (end == std::wstring::npos || end <= at) {
                end = at + room;
            } else if (const auto [path, pathEnd] = PathAround(text, end);
                       path != std::wstring::npos && path > at && pathEnd - path <= room) {
                end = text[path - 1] == L'"' && path - 1 > at ? path - 1 : path;
            }
        }
        std::size_t last = end;
        while (last > at && text[last - 1] == L' ') --last;
        out += head + text.substr(at, last - at) + L"\r\n";
        head.assign(indent, L' ');
        at = end;
        while (at < text.size() && text[at] == L' ') ++at;
    } while (at < text.size());
}

bool IsOption(const std::wstring& argument) {
    return !argument.empty() && (argument[0] == L'/' || argument[0] == L'-');
}

// The value of "/name:value" or "--name=value", when the argument is that option.
bool OptionValue(const std::wstring& argument, const std::wstring& name, std::wstring& value) {
    for (const std::wstring& prefix : {L"/" + name + L":", L"--" + name + L"="}) {
        if (argument.size() >= prefix.size() && argument.compare(0, prefix.size(), prefix) == 0) {
            value = argument.substr(prefix.size());
            return true;
        }
    }
    return false;
}

}  // namespace

const wchar_t kUsage[] =
    L"Usage: SmsServerCheck.exe [folder] [/report:file] [/nowait] [/repair]\r\n"
    L"       SmsServerCheck.exe /register \"Java folder\" | /unregister \"Java folder\"\r\n"
    L"Tells what a start of SMS Server would do on this computer, and why. Without\r\n"
    L"/repair, /register or /unregister it changes nothing.\r\n"
    L"  folder        the folder of SmsServer.exe; by default this program's own\r\n"
    L"  /report:file  writes the report to that file instead of the screen\r\n"
    L"  /nowait       ends without waiting for Enter, also when double-clicked\r\n"
    L"  /repair       first copies the missing support files into the runtime a start\r\n"
    L"                chooses; never waits for Enter\r\n"
    L"  /register     registers a 32-bit Java 1.5 to 8 whose installer did not, where\r\n"
    L"                a start looks for it (as administrator)\r\n"
    L"  /unregister   removes what /register registered for that folder\r\n"
    L"Exit status: 0 a start would reach the application; 1 it would not find its\r\n"
    L"Java launcher; 2 no Java runtime is installed; 3 none is version 1.5 or higher;\r\n"
    L"4 the check could not be made as asked; 5 a repair left a support file missing.\r\n"
    L"/register refused the folder: 6 no bin\\java.exe; 7 not a 32-bit Java; 8 no\r\n"
    L"lib\\ext (Java 9 and later); 9 below 1.5; 10 its key names another folder; 11\r\n"
    L"not run as administrator; 12 others than the administrators may change it.\r\n";

std::wstring ReportText(const Report& report) {
    std::wstring out = L"" SMS_PRODUCT_NAME L" check " SMS_VERSION_STRING L"\r\n";
    AppendWrapped(out, L"",
                  L"What a start of " SMS_EXE_NAME L" in " + report.programFolder +
                      (report.repaired ? L" would do on this computer after the repair, and why. "
                                         L"The repair changed nothing but the files it copied."
                                       : L" would do on this computer, and why. This check changed "
                                         L"nothing."));
    for (const auto& section : report.sections) {
        out += L"\r\n" + section.title + L"\r\n";
        for (const auto& finding : section.findings) {
            std::wstring head = L"  " + std::wstring(MarkText(finding.mark));
            head.resize(kMarkColumns, L' ');
            AppendWrapped(out, head, finding.text);
        }
    }
    out += L"\r\nVerdict\r\n";
    for (const auto& line : report.verdict) AppendWrapped(out, L"  ", line);
    return out;
}

// A folder given as "C:\Java\" reaches the program as C:\Java" (a backslash before a quote
// escapes it), and no Windows path holds a quote: the quote goes, the backslash is lost anyway.
std::wstring AsFolder(std::wstring argument) {
    if (argument.ends_with(L'"')) argument.pop_back();
    return argument;
}

Arguments ParseArguments(const std::vector<std::wstring>& arguments) {
    Arguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool registers = argument == L"/register" || argument == L"--register";
        if (registers || argument == L"/unregister" || argument == L"--unregister") {
            std::wstring& folder = registers ? parsed.registerFolder : parsed.unregisterFolder;
            if (i + 1 < arguments.size() && !arguments[i + 1].empty() && !IsOption(arguments[i + 1])) {
                folder = AsFolder(arguments[++i]);
            } else {
                parsed.error = L"The option " + argument + L" needs a runtime's folder.";
            }
        } else if (argument == L"/?" || argument == L"-h" || argument == L"--help") {
            parsed.help = true;
        } else if (argument == L"/nowait" || argument == L"--nowait") {
            parsed.noWait = true;
        } else if (argument == L"/repair" || argument == L"--repair") {
            parsed.repair = true;
        } else if (OptionValue(argument, L"report", parsed.reportFile)) {
            if (parsed.reportFile.empty()) parsed.error = L"The option /report: needs a file name.";
        } else if (IsOption(argument)) {
            parsed.error = L"Unknown option: " + argument;
        } else if (!parsed.folder.empty()) {
            parsed.error = L"Give one folder at most.";
        } else {
            parsed.folder = AsFolder(argument);
        }
        if (!parsed.error.empty()) break;
    }
    return parsed;
}

bool WaitsForEnter(const platform::ConsoleFacts& console, const Arguments& arguments) {
    // A repair runs unattended, from an installer as LocalSystem, alone on a console of its own.
    return !arguments.noWait && !arguments.repair && console.onConsole && console.aloneOnConsole &&
           console.consoleWindow && !console.startedHidden && console.visibleWindowStation;
}

std::wstring WithoutTrailingBackslash(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\' && !(folder.size() == 3 && folder[1] == L':')) {
        folder.pop_back();
    }
    return folder;
}

}  // namespace check
