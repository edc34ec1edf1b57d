// Code pages through glibc's iconv, which knows them by other names.
#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <type_traits>

namespace nimbral::platform {

namespace {

struct TIconvClose {
    void operator()(iconv_t Cd) const { iconv_close(Cd); }
};
using TIconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, TIconvClose>;

std::string IconvName(std::uint32_t CodePage) {
    switch (CodePage) {
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 20932: return "EUC-JP";
    case 28605: return "ISO-8859-15";
    default: break;
    }
    if (CodePage >= 28591 && CodePage <= 28599)
        return "ISO-8859-" + std::to_string(CodePage - 28590);
    return "CP" + std::to_string(CodePage);
}

// A converter from CodePage to UTF-8; empty when iconv does not know it.
TIconv Open(std::uint32_t CodePage) {
    const iconv_t cd = iconv_open("UTF-8", IconvName(CodePage).c_str());
    return TIconv(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

}  // namespace

std::string CodePageToUtf8(std::string_view Bytes, std::uint32_t CodePage) {
    const TIconv cd = Open(CodePage);
    if (!cd)
        return std::string(Bytes);
    std::string out;
    out.reserve(Bytes.size() * 3 / 2 + 16);
    char buffer[4096];
    char* in = const_cast<char*>(Bytes.data());
    std::size_t inLeft = Bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1) || err == E2BIG)
            continue;
        // EILSEQ, or a sequence cut off at the end (EINVAL): mark it, skip a byte.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::optional<std::string> CodePageToUtf8Strict(std::string_view Bytes, std::uint32_t CodePage) {
    const TIconv cd = Open(CodePage);
    if (!cd)
        return std::nullopt;
    // A character of these code pages (one or two bytes) never grows past
    // three UTF-8 bytes.
    std::string out(Bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(Bytes.data());
    std::size_t inLeft = Bytes.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd.get(), &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace nimbral::platform
