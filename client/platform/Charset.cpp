// The same on every platform: the name table and UTF-16 are the core's, and
// only the conversion of a code page is the system's.
#include "platform/Charset.h"

#include "core/CharsetNames.h"
#include "core/Utf8.h"
#include "platform/CodePage.h"

namespace nimbral {

std::string ToUtf8(std::string_view Bytes, const std::string& Charset)
{
    const std::optional<std::uint32_t> CodePage = CodePageOfCharset(Charset);
    if (!CodePage || *CodePage == kCodePageUtf8) {
        return std::string(Bytes);
    }
    if (*CodePage == kCodePageUtf16Le || *CodePage == kCodePageUtf16Be) {
        return Utf16ToUtf8(Bytes, *CodePage == kCodePageUtf16Be);
    }
    return platform::CodePageToUtf8(Bytes, *CodePage);
}

}  // namespace nimbral
