#pragma once
// Small text helpers for protocol text (header names, charset names, hex
// digests): ASCII letter case and blanks only, whatever the locale.

#include <string>
#include <string_view>

namespace nimbral {

// Equal but for the letter case of ASCII letters.
bool SameTextNoCase(std::string_view A, std::string_view B);

// Text with its ASCII capitals in lower case.
std::string AsciiLower(std::string_view Text);

// Text without spaces, tabs, CR and LF at either end.
std::string_view TrimBlanks(std::string_view Text);

}  // namespace nimbral
