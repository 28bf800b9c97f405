#pragma once
// Text conversions between UTF-16, the ANSI code page and UTF-8, and the locale's
// case-insensitive comparison.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// Converts to the ANSI code page without best-fit substitutes. `lossless` (when given)
// tells whether every character could be represented.
std::string ToAnsi(std::wstring_view text, bool* lossless = nullptr);
std::wstring FromAnsi(std::string_view text);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// Locale-aware comparison that ignores letter case: negative, zero or positive.
int CompareTextIgnoreCase(std::wstring_view a, std::wstring_view b);
bool SameTextIgnoreCase(std::wstring_view a, std::wstring_view b);
// Paths as the file system compares names: character by character, without regard to case.
bool SamePathIgnoreCase(std::wstring_view a, std::wstring_view b);

// Index of the first entry equal to `text` ignoring case, or -1.
int IndexOfIgnoreCase(const std::vector<std::wstring>& list, std::wstring_view text);

// Lower-cases the letters A to Z only.
std::wstring LowerAsciiLetters(std::wstring_view text);

// Splits a comma text ("exe,com,dll") into its entries.
std::vector<std::wstring> SplitCommaText(std::wstring_view text);

bool EndsWith(std::wstring_view text, std::wstring_view suffix);
bool StartsWith(std::wstring_view text, std::wstring_view prefix);
std::wstring IncludeTrailingBackslash(std::wstring path);

} // namespace quarrow
