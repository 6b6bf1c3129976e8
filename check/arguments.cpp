// The check's command line: its options, its folder, and whether it waits for Enter.
#include "check/arguments.h"

namespace check {
namespace {

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

// Why the arguments cannot be used, as the check prints it before its usage.
base::Failure Unusable(std::wstring why) { return base::Failure::Own(0, std::move(why)); }

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
    L"Exit status: 0 ready: a start would reach the application, support files in\r\n"
    L"place; 14 it would copy them first; 1 it would not find its Java launcher; 2\r\n"
    L"no Java is installed; 3 none is 1.5 or higher; 4 the check could not be made\r\n"
    L"as asked; 5 a repair left a support file missing.\r\n"
    L"/register refused the folder: 6 no bin\\java.exe; 7 not a 32-bit Java; 8 no\r\n"
    L"lib\\ext (Java 9 and later); 9 below 1.5; 10 its key names another folder; 11\r\n"
    L"not run as administrator; 12 others than the administrators may change it.\r\n";

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
            if (i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                !IsOption(arguments[i + 1])) {
                folder = AsFolder(arguments[++i]);
            } else {
                parsed.error = Unusable(L"The option " + argument + L" needs a runtime's folder.");
            }
        } else if (argument == L"/?" || argument == L"-h" || argument == L"--help") {
            parsed.help = true;
        } else if (argument == L"/nowait" || argument == L"--nowait") {
            parsed.noWait = true;
        } else if (argument == L"/repair" || argument == L"--repair") {
            parsed.repair = true;
        } else if (OptionValue(argument, L"report", parsed.reportFile)) {
            if (parsed.reportFile.empty())
                parsed.error = Unusable(L"The option /report: needs a file name.");
        } else if (IsOption(argument)) {
            parsed.error = Unusable(L"Unknown option: " + argument);
        } else if (!parsed.folder.empty()) {
            parsed.error = Unusable(L"Give one folder at most.");
        } else {
            parsed.folder = AsFolder(argument);
        }
        if (parsed.error) break;
    }
    return parsed;
}

bool WaitsForEnter(const platform::ConsoleFacts& console, const Arguments& arguments) {
    // A repair runs unattended, from an installer as LocalSystem, alone on a console of its own.
    return !arguments.noWait && !arguments.repair && console.onConsole && console.aloneOnConsole &&
           console.consoleWindow && !console.startedHidden && console.visibleWindowStation;
}

}  // namespace check
