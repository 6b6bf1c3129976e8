// The box for a Java that failed at once: its words, its status, and the hint for its cause.
#include "launcher/java_end.h"

#include <string_view>

#include "base/text.h"
#include "product_facts.h"

namespace launcher {
namespace {

constexpr std::size_t kNowhere = std::wstring_view::npos;

// Where the ASCII text part first stands in text, letters matched without regard to case when
// anyCase; kNowhere when nowhere. Compared as it stands, without a wide copy of part.
std::size_t Find(std::wstring_view text, const char* part, bool anyCase = false) {
    const std::size_t length = std::char_traits<char>::length(part);
    for (std::size_t at = 0; at + length <= text.size(); ++at) {
        std::size_t same = 0;
        for (; same < length; ++same) {
            wchar_t c = text[at + same];
            if (anyCase && c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
            if (c != static_cast<unsigned char>(part[same])) break;
        }
        if (same == length) return at;
    }
    return kNowhere;
}

bool Has(std::wstring_view text, const char* part) { return Find(text, part) != kNowhere; }

// Java names the serial library Win32com, win32com or WIN32COM, as the files and the class
// path spell it.
bool HasWin32com(std::wstring_view text) { return Find(text, "win32com", true) != kNowhere; }

// The pattern, plain ASCII and kept narrow to keep the program small, widened, with each "%"
// in it replaced by the next of the values, in order.
std::wstring Filled(const char* pattern, std::initializer_list<std::wstring_view> values) {
    std::wstring text;
    const std::wstring_view* value = values.begin();
    for (; *pattern; ++pattern) {
        if (*pattern == '%' && value != values.end()) {
            text += *value++;
        } else {
            text += static_cast<wchar_t>(*pattern);
        }
    }
    return text;
}

// The line that holds the character at, without HotSpot's "#" and the blanks around it.
std::wstring_view LineAt(std::wstring_view text, std::size_t at) {
    if (at >= text.size()) return {};
    const std::size_t before = text.rfind(L'\n', at);
    std::wstring_view line = text.substr(before == kNowhere ? 0 : before + 1);
    line = line.substr(0, line.find(L'\n'));
    while (!line.empty() && (line.front() == L'#' || line.front() == L' ' || line.front() == L'\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == L'\r' || line.back() == L' ')) line.remove_suffix(1);
    return line;
}

// The line after the first that holds marker; empty when there is none.
std::wstring_view LineAfter(std::wstring_view text, const char* marker) {
    const std::size_t at = Find(text, marker);
    const std::size_t end = at == kNowhere ? kNowhere : text.find(L'\n', at);
    return end == kNowhere ? std::wstring_view() : LineAt(text, end + 1);
}

// The class that a NoClassDefFoundError or ClassNotFoundException names; empty when none.
std::wstring_view ClassNamed(std::wstring_view output) {
    for (const char* error : {"NoClassDefFoundError: ", "ClassNotFoundException: "}) {
        const std::size_t at = Find(output, error);
        if (at == kNowhere) continue;
        const std::wstring_view named = output.substr(at + std::char_traits<char>::length(error));
        return named.substr(0, named.find_first_of(L" \t\r\n"));
    }
    return {};
}

// HotSpot's report of a crash, on its standard output: the fault, the frame it happened in and
// the file of the whole report.
std::wstring CrashHint(std::wstring_view output) {
    const std::size_t pc = Find(output, " at pc=");
    std::wstring_view fault = LineAt(output, pc);
    fault = fault.substr(0, Find(fault, " at pc="));
    const std::wstring_view frame = LineAfter(output, "# Problematic frame:");
    const std::wstring_view report =
        LineAfter(output, "# An error report file with more information is saved as:");
    std::wstring hint = Filled("Java crashed%%%%.", {fault.empty() ? L"" : L" with ", fault,
                                                     frame.empty() ? L"" : L" in ", frame});
    hint += Filled(HasWin32com(frame) ? " That is the serial library Win32com.dll: run "
                                        "SmsServerCheck.exe /repair as administrator, and "
                                        "check the modem's driver."
                                      : " Run SmsServerCheck.exe, in the same folder, to see why.",
                   {});
    if (!report.empty())
        hint += Filled(" Java's report of the crash is %: keep it for support.", {report});
    return hint;
}

// The Java launcher could not load the runtime's own files: java.dll, jvm.dll, or a DLL that
// is missing or of the other bitness (0xC0000135, 0xC000007B).
bool DamagedRuntime(std::uint32_t status, const std::wstring& output) {
    return Has(output, "could not find java.dll") ||
           Has(output, "Could not find Java SE Runtime Environment") ||
           Has(output, "Error: missing `") || Has(output, "Error: loading: ") ||
           status == 0xC0000135u || status == 0xC000007Bu;
}

bool IsApplicationClass(std::wstring_view name) {
    return name.starts_with(L"JavaSwingClasses.") || name.starts_with(L"JavaSwingClasses/");
}

// The main class not found, as Java 8 says it in any language (its message names the class
// and no exception), and as Java 5 and 6 said it.
bool MainClassMissing(std::wstring_view output, std::wstring_view named) {
    return Has(output, "Could not find or load main class") ||
           Has(output, "Could not find the main class") || IsApplicationClass(named) ||
           (Has(output, "JavaSwingClasses.MainFrame") && !Has(output, "Exception"));
}

}  // namespace

bool JavaFailed(std::uint32_t status, const std::wstring& output) {
    return status != 0 || Has(output, "Exception in thread");
}

std::wstring JavaEndHint(std::uint32_t status, const std::wstring& output,
                         const std::wstring& javaHomePath) {
    if (Has(output, "A fatal error has been detected by the Java Runtime Environment"))
        return CrashHint(output);
    const std::wstring_view named = ClassNamed(output);
    std::wstring_view value = named;
    const char* hint = "Run SmsServerCheck.exe, in the same folder, to see why.";
    if (Has(output, "Could not reserve enough space")) {
        hint =
            "A 32-bit Java could not reserve the memory it needs. Close other programs, or "
            "restart Windows, then start " SMS_PRODUCT_NAME " again.";
    } else if (DamagedRuntime(status, output)) {
        hint =
            "The Java runtime is damaged: the Java launcher could not load its own files. "
            "Reinstall a 32-bit Java 8.";
    } else if (Has(output, "UnsupportedClassVersionError") ||
               Has(output, "compiled by a more recent version")) {
        hint =
            "The application needs a newer Java than %, the runtime the start chose: a start "
            "takes the first runtime of 1.5 or higher that the registry lists, not the "
            "newest. SmsServerCheck.exe, in the same folder, shows the order.";
        value = javaHomePath;
        if (value.empty()) value = L"java from the search path";
    } else if (Has(output, "UnsatisfiedLinkError") && HasWin32com(output)) {
        hint =
            "Java could not load the serial library Win32com.dll: the support files are "
            "missing from the runtime, or it is a 64-bit Java. Run SmsServerCheck.exe, in "
            "the same folder, to see which.";
    } else if (!named.empty() && !IsApplicationClass(named)) {
        hint =
            "Java did not find the class %, which the application needs: a jar of "
            "PelmoraHuaweiEC325\\lib is missing or damaged.";
    } else if (MainClassMissing(output, named)) {
        hint =
            "Java did not find the application. Check that the folder PelmoraHuaweiEC325, "
            "with its lib folder, lies beside " SMS_LAUNCHER_FILE
            ", in a folder whose name the system's ANSI code page can hold: Java 8 reads "
            "its command line in that code page. SmsServerCheck.exe, in the same folder, "
            "tells which.";
    }
    return Filled(hint, {value});
}

std::wstring JavaStatusText(std::uint32_t status) {
    if (status < 0x80000000u) return base::DecimalText(static_cast<long>(status));
    std::wstring hex = L"0x00000000";
    for (std::size_t at = hex.size(); status != 0; status >>= 4)
        hex[--at] = L"0123456789ABCDEF"[status & 0xF];
    return hex;
}

std::wstring JavaFirstLines(const std::wstring& output) {
    std::wstring shown;
    std::size_t lines = 0;
    for (std::size_t start = 0; start < output.size() && lines < kJavaLinesShown;) {
        std::size_t end = output.find(L'\n', start);
        if (end == std::wstring::npos) end = output.size();
        std::wstring_view line(output.data() + start, end - start);
        start = end + 1;
        while (!line.empty() &&
               (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
            line.remove_suffix(1);
        // HotSpot frames its crash report with lines of "#" alone.
        if (line.empty() || line == L"#") continue;
        const bool cut = line.size() > kJavaLineChars;
        if (cut) line = line.substr(0, kJavaLineChars - 3);
        if (shown.size() + 2 + line.size() + (cut ? 3 : 0) > kJavaCharsShown) break;
        shown += base::Concat({lines++ == 0 ? L"" : L"\r\n", line, cut ? L"..." : L""});
    }
    return shown;
}

std::wstring JavaEndedText(std::uint32_t status, const std::wstring& output,
                           const std::wstring& javaHomePath) {
    const std::wstring lines = JavaFirstLines(output);
    return base::Concat({L"" SMS_PRODUCT_NAME L" could not start: Java ended at once, with status ",
                         JavaStatusText(status), L".\r\n\r\n",
                         lines.empty() ? L"Java wrote nothing." : L"Java said:\r\n", lines,
                         L"\r\n\r\n", JavaEndHint(status, output, javaHomePath)});
}

}  // namespace launcher
