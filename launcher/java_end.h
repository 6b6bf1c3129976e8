// What the launcher tells when Java ended within its wait with a failure: Java's own first
// words, its status, and what to do about the cause that can be told from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace launcher {

// What of Java's output the box shows: its first lines, each cut to a line's length.
inline constexpr std::size_t kJavaLinesShown = 15;
inline constexpr std::size_t kJavaCharsShown = 1500;
inline constexpr std::size_t kJavaLineChars = 200;

// Whether a Java that ended within the wait failed: a status other than 0, or an exception it
// told of. A frame that fails on the event thread leaves Java to end with 0 once AWT has
// shut itself down; one that the user closed ends with 0 and says nothing.
bool JavaFailed(std::uint32_t status, const std::wstring& output);

// The status as a user looks it up: in decimal, or in hexadecimal ("0xC0000005") for the
// status Windows gives a program that crashed, whose top bit is set.
std::wstring JavaStatusText(std::uint32_t status);

// The first lines of Java's output, without blank lines, at most kJavaLinesShown lines and
// about kJavaCharsShown characters, a line longer than kJavaLineChars cut with "...".
std::wstring JavaFirstLines(const std::wstring& output);

// What to do, for the first cause that Java's status and output show. javaHomePath is the
// runtime the start chose, empty for java from the search path.
std::wstring JavaEndHint(std::uint32_t status, const std::wstring& output,
                         const std::wstring& javaHomePath);

// The box's whole text.
std::wstring JavaEndedText(std::uint32_t status, const std::wstring& output,
                           const std::wstring& javaHomePath);

}  // namespace launcher
