#pragma once
// Text of a response body in a declared character set, converted to UTF-8.

#include <string>
#include <string_view>

namespace nimbral {

// Bytes in Charset (a name of core/CharsetNames' table such as "EUC-KR", any
// letter case) as UTF-8. An empty or UTF-8 charset, or a name not in the
// table, passes the bytes through unchanged; a sequence invalid in Charset
// becomes U+FFFD.
std::string ToUtf8(std::string_view Bytes, const std::string& Charset);

}  // namespace nimbral
