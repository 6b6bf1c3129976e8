// What the launcher tells when Java ended within its wait with a status other than 0: Java's
// own first words, its status, and what to do about the causes that can be told from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace launcher {

// What of Java's error output the box shows: its first lines, each cut to a line's length.
inline constexpr std::size_t kJavaLinesShown = 15;
inline constexpr std::size_t kJavaCharsShown = 1500;
inline constexpr std::size_t kJavaLineChars = 200;

// The status as a user looks it up: in decimal, or in hexadecimal ("0xC0000005") for the
// status Windows gives a program that crashed, whose top bit is set.
std::wstring JavaStatusText(std::uint32_t status);

// The first lines of Java's error output, without blank lines, at most kJavaLinesShown lines
// and about kJavaCharsShown characters, a line longer than kJavaLineChars cut with "...".
std::wstring JavaFirstLines(const std::wstring& errorOutput);

// What to do, for the first cause that Java's error output shows.
std::wstring JavaEndHint(const std::wstring& errorOutput);

// The box's whole text.
std::wstring JavaEndedText(std::uint32_t status, const std::wstring& errorOutput);

}  // namespace launcher
