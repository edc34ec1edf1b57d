#pragma once
// Conversion of legacy Korean text: code page 949 (the ANSI code page of
// Korean Windows, a superset of EUC-KR) to UTF-8. ZIP archives made on Korean
// Windows store entry names in it without saying so.

#include <optional>
#include <string>
#include <string_view>

namespace nimbral::platform {

// The UTF-8 form of Bytes read as code page 949; none when Bytes is not valid
// in that code page.
std::optional<std::string> Cp949ToUtf8(std::string_view Bytes);

}  // namespace nimbral::platform
