// The check's report as text for an 80-column console.
#include "check/report.h"

#include "product_facts.h"

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
        const bool drive =
            start + 2 < text.size() && text[start + 1] == L':' && text[start + 2] == L'\\';
        const bool share =
            start + 1 < text.size() && text[start] == L'\\' && text[start + 1] == L'\\';
        if ((!drive && !share) || (start > 0 && text[start - 1] != L' ' && text[start - 1] != L'"'))
            continue;
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

}  // namespace

std::wstring ReportText(const Report& report) {
    std::wstring out = L"" SMS_PRODUCT_NAME L" check " SMS_VERSION_STRING L"\r\n";
    AppendWrapped(out, L"",
                  L"What a start of " SMS_LAUNCHER_FILE L" in " + report.programFolder +
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

}  // namespace check
