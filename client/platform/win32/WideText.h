#pragma once
// UTF-8 inside, UTF-16 at the Windows API: the two conversions every win32
// file needs.

#include <string>
#include <string_view>

namespace nimbral::win32 {

// Invalid sequences become U+FFFD in both directions.
std::wstring Widen(std::string_view Utf8);
std::string Narrow(std::wstring_view Utf16);

}  // namespace nimbral::win32
