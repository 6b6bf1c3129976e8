// The box for a Java that ended at once: its words, its status, and the hint for its cause.
#include "launcher/java_end.h"

#include <string_view>

#include "base/text.h"
#include "launcher/version.h"

namespace launcher {
namespace {

// The texts are plain ASCII, kept narrow to keep the program small, and widened when used.
std::wstring Widened(const char* ascii) {
    return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}

bool Has(const std::wstring& text, const char* part) {
    return text.find(Widened(part)) != std::wstring::npos;
}

// Java names the serial library Win32com, win32com or WIN32COM, as the files and the class
// path spell it.
bool HasWin32com(std::wstring text) {
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    }
    return Has(text, "win32com");
}

const char* Hint(const std::wstring& errorOutput) {
    if (Has(errorOutput, "Could not find or load main class") ||
        (Has(errorOutput, "JavaSwingClasses") && (Has(errorOutput, "ClassNotFoundException") ||
                                                  Has(errorOutput, "NoClassDefFoundError")))) {
        return "Java did not find the application. Check that the folder PelmoraHuaweiEC325, "
               "with its lib folder, lies beside " SMS_EXE_NAME
               ", in a folder whose name the "
               "system's ANSI code page can hold: Java 8 reads its command line in that code "
               "page. SmsServerCheck.exe, in the same folder, tells which.";
    }
    if (Has(errorOutput, "Could not reserve enough space")) {
        return "A 32-bit Java could not reserve the memory it needs. Close other programs, or "
               "restart Windows, then start " SMS_PRODUCT_NAME " again.";
    }
    if (Has(errorOutput, "UnsatisfiedLinkError") && HasWin32com(errorOutput)) {
        return "Java could not load the serial library Win32com.dll: the support files are "
               "missing from the runtime, or it is a 64-bit Java. Run SmsServerCheck.exe, in "
               "the same folder, to see which.";
    }
    if (Has(errorOutput, "compiled by a more recent version") ||
        Has(errorOutput, "UnsupportedClassVersionError")) {
        return "The application needs a newer Java than the one installed: install a 32-bit "
               "Java 8.";
    }
    return "Run SmsServerCheck.exe, in the same folder, to see why.";
}

}  // namespace

std::wstring JavaStatusText(std::uint32_t status) {
    if (status < 0x80000000u) return base::DecimalText(static_cast<long>(status));
    std::wstring hex = L"0x00000000";
    for (std::size_t at = hex.size(); status != 0; status >>= 4)
        hex[--at] = L"0123456789ABCDEF"[status & 0xF];
    return hex;
}

std::wstring JavaFirstLines(const std::wstring& errorOutput) {
    std::wstring shown;
    std::size_t lines = 0;
    for (std::size_t start = 0; start < errorOutput.size() && lines < kJavaLinesShown;) {
        std::size_t end = errorOutput.find(L'\n', start);
        if (end == std::wstring::npos) end = errorOutput.size();
        std::wstring_view line(errorOutput.data() + start, end - start);
        start = end + 1;
        while (!line.empty() &&
               (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
            line.remove_suffix(1);
        if (line.empty()) continue;
        const bool cut = line.size() > kJavaLineChars;
        if (cut) line = line.substr(0, kJavaLineChars - 3);
        if (shown.size() + 2 + line.size() + (cut ? 3 : 0) > kJavaCharsShown) break;
        shown += base::Concat({lines++ == 0 ? L"" : L"\r\n", line, cut ? L"..." : L""});
    }
    return shown;
}

std::wstring JavaEndHint(const std::wstring& errorOutput) { return Widened(Hint(errorOutput)); }

std::wstring JavaEndedText(std::uint32_t status, const std::wstring& errorOutput) {
    const std::wstring lines = JavaFirstLines(errorOutput);
    return base::Concat(
        {L"" SMS_PRODUCT_NAME L" could not start: Java ended at once, with status ",
         JavaStatusText(status), L".\r\n\r\n",
         lines.empty() ? L"Java wrote nothing to its error output." : L"Java said:\r\n", lines,
         L"\r\n\r\n", JavaEndHint(errorOutput)});
}

}  // namespace launcher
