#pragma once
// Text of a Windows error code, as the system words it in the user's language.

#include <string>

namespace nimbral::win32 {

// FormatMessageW's text for Code (WinHTTP's own codes are looked up in
// winhttp.dll), without the trailing line break; "error N" when the system
// has no text for it.
std::string SystemErrorText(unsigned long Code);

}  // namespace nimbral::win32
