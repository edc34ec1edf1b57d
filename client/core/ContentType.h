#pragma once
// Reading the parameters of a Content-Type header value.

#include <string>
#include <string_view>

namespace nimbral {

// The charset parameter of a Content-Type value ("text/html; charset=EUC-KR"
// gives "EUC-KR"), unquoted; empty when none is named.
std::string CharsetOf(std::string_view ContentType);

}  // namespace nimbral
