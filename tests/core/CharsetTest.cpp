// A declared charset reads the same on every platform: one table of names,
// the system's own conversion of each code page. This suite runs on Linux
// and under Wine alike.
#include "platform/Charset.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbral {
namespace {

TEST(Charset, DeclaredCharsetsReadTheSameEverywhere)
{
    const std::string Hangul = "\xC7\xD1\xB1\xDB";  // "한글" in EUC-KR and CP949
    const struct {
        const char* Charset;
        std::string Bytes;
        std::string Utf8;
    } Cases[] = {
        // Every Korean label reads as CP949, which holds every Hangul syllable.
        {"EUC-KR", Hangul, "한글"},
        {"euckr", Hangul, "한글"},
        {"ks_c_5601-1987", Hangul, "한글"},
        {"KS_C_5601", Hangul, "한글"},
        {"x-windows-949", Hangul, "한글"},
        {"euc-kr", "\x8C" "c", "똠"},  // beyond EUC-KR
        {"euc-kr", "a\xFF" "b", "a\uFFFD" "b"},
        {"euc-kr", "\xC7", "\uFFFD"},  // cut off
        {"ISO-8859-1", "caf\xE9", "café"},
        {"windows-1252", "\x80", "€"},
        {"Shift_JIS", "\x82\xA0", "あ"},
        {"utf-16le", std::string("A\0\x5C\xD5", 4), "A한"},
        {"UTF-16BE", std::string("\0A\xD5\x5C", 4), "A한"},
        {"utf-16", std::string("\xFE\xFF\0A", 4), "A"},  // the byte order mark decides
        {"utf-16", std::string("A\0", 2), "A"},
        {"utf-16le", std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},
        {"utf-16le", std::string("\x00\xD8" "A\0", 4), "\uFFFD" "A"},  // an unpaired surrogate
        {"utf-16le", std::string("A\0B", 3), "A\uFFFD"},
        // Passed through as they are.
        {"utf-8", "\xED\x95\x9C\xFF", "\xED\x95\x9C\xFF"},
        {"", Hangul, Hangul},
        {"x-unknown", Hangul, Hangul},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Charset) + " " + C.Utf8);
        EXPECT_EQ(ToUtf8(C.Bytes, C.Charset), C.Utf8);
    }
}

}  // namespace
}  // namespace nimbral
