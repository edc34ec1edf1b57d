// Declared charsets decoded with MultiByteToWideChar. IANA names are mapped
// to Windows code pages; a name not in the table passes the bytes through,
// as the interface promises. MultiByteToWideChar replaces bad bytes with the
// code page's own default character, so invalid input is walked character by
// character to put U+FFFD in its place instead.
#include "platform/Charset.h"

#include "platform/win32/WideText.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <string_view>

namespace nimbral {

namespace {

struct TCodePageName {
    std::string_view Name;
    UINT CodePage;
};

constexpr std::array<TCodePageName, 16> CodePages{{
    {"euc-kr", 949},         {"ks_c_5601-1987", 949}, {"cp949", 949},           {"windows-949", 949},
    {"iso-8859-1", 28591},   {"latin1", 28591},       {"windows-1252", 1252},   {"us-ascii", 20127},
    {"shift_jis", 932},      {"euc-jp", 20932},       {"gb2312", 936},          {"gbk", 936},
    {"big5", 950},           {"koi8-r", 20866},       {"windows-1251", 1251},   {"iso-8859-15", 28605},
}};

std::string Lower(std::string_view S)
{
    std::string Out(S);
    std::transform(Out.begin(), Out.end(), Out.begin(), [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return Out;
}

bool Convert(UINT CodePage, std::string_view Bytes, std::wstring& Out)
{
    const int Size = static_cast<int>(Bytes.size());
    const int Needed = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, nullptr, 0);
    if (Needed <= 0) {
        return false;
    }
    const std::size_t At = Out.size();
    Out.resize(At + static_cast<std::size_t>(Needed));
    MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, Out.data() + At, Needed);
    return true;
}

// One character at a time: a lead byte with its trail byte for double-byte
// code pages, else one byte; what does not convert becomes U+FFFD.
std::wstring ConvertLeniently(UINT CodePage, std::string_view Bytes)
{
    std::wstring Out;
    std::size_t I = 0;
    while (I < Bytes.size()) {
        std::size_t Length = 1;
        if (IsDBCSLeadByteEx(CodePage, static_cast<BYTE>(Bytes[I])) && I + 1 < Bytes.size()) {
            Length = 2;
        }
        if (Convert(CodePage, Bytes.substr(I, Length), Out)) {
            I += Length;
        } else {
            Out.push_back(L'\xFFFD');
            ++I;
        }
    }
    return Out;
}

}  // namespace

std::string ToUtf8(std::string_view Bytes, const std::string& Charset)
{
    const std::string Name = Lower(Charset);
    const auto Found = std::find_if(CodePages.begin(), CodePages.end(),
                                    [&Name](const TCodePageName& C) { return C.Name == Name; });
    if (Bytes.empty() || Found == CodePages.end() || Bytes.size() > INT_MAX) {
        return std::string(Bytes);
    }
    std::wstring Wide;
    if (!Convert(Found->CodePage, Bytes, Wide)) {
        Wide = ConvertLeniently(Found->CodePage, Bytes);
    }
    return win32::Narrow(Wide);
}

}  // namespace nimbral
