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

std::string Lower(std::string Name)
{
    std::transform(Name.begin(), Name.end(), Name.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return Name;
}

bool IsUtf8Name(const std::string& Name)
{
    const std::string L = Lower(Name);
    return L.empty() || L == "utf-8" || L == "utf8";
}

// Korean servers send CP949 text under the labels EUC-KR and ks_c_5601-1987
// alike. glibc's EUC-KR holds only the KS X 1001 syllables and it does not
// know the second label at all, so both are read as CP949, a superset that
// decodes real EUC-KR text unchanged (as Windows does).
std::string IconvName(const std::string& Charset)
{
    const std::string L = Lower(Charset);
    if (L == "euc-kr" || L == "euckr" || L == "ks_c_5601-1987" || L == "ks_c_5601") {
        return "CP949";
    }
    return Charset;
}

}  // namespace

std::string ToUtf8(std::string_view Bytes, const std::string& Charset)
{
    if (IsUtf8Name(Charset)) {
        return std::string(Bytes);
    }
    iconv_t Raw = iconv_open("UTF-8", IconvName(Charset).c_str());
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
