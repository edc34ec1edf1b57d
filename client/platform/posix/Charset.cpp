#include "platform/Charset.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

namespace nimbral {

namespace {

struct TIconvCloser {
    void operator()(iconv_t Cd) const { iconv_close(Cd); }
};
using TIconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, TIconvCloser>;

bool IsUtf8Name(std::string Name)
{
    std::transform(Name.begin(), Name.end(), Name.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return Name.empty() || Name == "utf-8" || Name == "utf8";
}

}  // namespace

std::string ToUtf8(std::string_view Bytes, const std::string& Charset)
{
    if (IsUtf8Name(Charset)) {
        return std::string(Bytes);
    }
    iconv_t Raw = iconv_open("UTF-8", Charset.c_str());
    if (Raw == reinterpret_cast<iconv_t>(-1)) {
        return std::string(Bytes);
    }
    TIconv Cd(Raw);

    std::string Out;
    Out.reserve(Bytes.size() * 3 / 2 + 16);
    char Buffer[4096];
    char* In = const_cast<char*>(Bytes.data());
    std::size_t InLeft = Bytes.size();
    while (InLeft > 0) {
        char* OutPtr = Buffer;
        std::size_t OutLeft = sizeof Buffer;
        const std::size_t Rc = iconv(Cd.get(), &In, &InLeft, &OutPtr, &OutLeft);
        const int Err = errno;
        Out.append(Buffer, static_cast<std::size_t>(OutPtr - Buffer));
        if (Rc != static_cast<std::size_t>(-1) || Err == E2BIG) {
            continue;
        }
        // EILSEQ, or a sequence cut off at the end (EINVAL): mark it, skip a byte.
        Out += "\xEF\xBF\xBD";
        ++In;
        --InLeft;
        iconv(Cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Return to the initial shift state (stateful charsets such as ISO-2022-KR).
    char* OutPtr = Buffer;
    std::size_t OutLeft = sizeof Buffer;
    iconv(Cd.get(), nullptr, nullptr, &OutPtr, &OutLeft);
    Out.append(Buffer, static_cast<std::size_t>(OutPtr - Buffer));
    return Out;
}

}  // namespace nimbral
