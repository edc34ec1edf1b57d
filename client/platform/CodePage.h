#pragma once
// Text in a Windows code page (the single- and double-byte ones, such as
// 949, the ANSI code page of Korean Windows) converted to UTF-8 by the
// system: MultiByteToWideChar on Windows, iconv elsewhere. Which names mean
// which code page is core/CharsetNames' business.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbral::platform {

// Bytes in CodePage as UTF-8; a sequence invalid in it becomes U+FFFD. A code
// page the system cannot convert passes the bytes through.
std::string CodePageToUtf8(std::string_view Bytes, std::uint32_t CodePage);

// The same, but none when Bytes is not valid in CodePage (or the system
// cannot convert it).
std::optional<std::string> CodePageToUtf8Strict(std::string_view Bytes, std::uint32_t CodePage);

}  // namespace nimbral::platform
