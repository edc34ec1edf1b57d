#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace nimbral::platform {

namespace {
struct TIconvClose {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
}  // namespace

std::optional<std::string> Cp949ToUtf8(std::string_view Bytes) {
    iconv_t raw = iconv_open("UTF-8", "CP949");
    if (raw == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::unique_ptr<void, TIconvClose> cd(raw);

    // A CP949 character (one or two bytes) never grows past three UTF-8 bytes.
    std::string out(Bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(Bytes.data());
    size_t inLeft = Bytes.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    if (iconv(raw, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace nimbral::platform
