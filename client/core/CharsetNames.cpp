#include "core/CharsetNames.h"

#include "core/Text.h"

#include <algorithm>
#include <array>

namespace nimbral {

namespace {

struct TCharsetName {
    std::string_view Name;
    std::uint32_t CodePage;
};

// Korean servers send CP949 text under the labels EUC-KR and ks_c_5601-1987
// alike; CP949 is a superset that reads real EUC-KR text unchanged, so every
// Korean label reads as CP949, as Windows does.
constexpr std::array<TCharsetName, 33> Names{{
    {"utf-8", kCodePageUtf8},         {"utf8", kCodePageUtf8},
    {"utf-16", kCodePageUtf16Le},     {"utf-16le", kCodePageUtf16Le},  {"utf-16be", kCodePageUtf16Be},
    {"euc-kr", kCodePageKorean},      {"euckr", kCodePageKorean},      {"cseuckr", kCodePageKorean},
    {"ks_c_5601-1987", kCodePageKorean}, {"ks_c_5601", kCodePageKorean}, {"ks_c_5601-1989", kCodePageKorean},
    {"ksc5601", kCodePageKorean},     {"cp949", kCodePageKorean},      {"windows-949", kCodePageKorean},
    {"x-windows-949", kCodePageKorean}, {"uhc", kCodePageKorean},
    {"iso-8859-1", 28591},            {"latin1", 28591},               {"iso_8859-1", 28591},
    {"windows-1252", 1252},           {"cp1252", 1252},
    {"us-ascii", 20127},              {"ascii", 20127},
    {"iso-8859-15", 28605},           {"windows-1251", 1251},          {"koi8-r", 20866},
    {"shift_jis", 932},               {"windows-31j", 932},            {"euc-jp", 20932},
    {"gb2312", 936},                  {"gbk", 936},                    {"big5", 950},
    {"cp1251", 1251},
}};

}  // namespace

std::optional<std::uint32_t> CodePageOfCharset(std::string_view Name)
{
    const std::string_view Trimmed = TrimBlanks(Name);
    const auto Found = std::find_if(Names.begin(), Names.end(),
                                    [&](const TCharsetName& C) { return SameTextNoCase(C.Name, Trimmed); });
    return Found == Names.end() ? std::nullopt : std::optional<std::uint32_t>(Found->CodePage);
}

}  // namespace nimbral
