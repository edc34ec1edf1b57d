#include "core/ContentType.h"

#include <gtest/gtest.h>

#include <utility>

namespace nimbral {
namespace {

TEST(ContentType, CharsetParameter)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"application/json", ""},
        {"application/json; charset=EUC-KR", "EUC-KR"},
        {"text/html;CHARSET=utf-8", "utf-8"},
        {"text/plain; format=flowed; charset = \"iso-8859-1\" ", "iso-8859-1"},
        {"text/plain; name=\"a;charset=x\"; charset=euc-kr", "euc-kr"},
        {"text/plain; charset=\"a\\\"b\"", "a\"b"},
        {"text/plain; charset", ""},
        {"text/plain; ; charset=cp949;", "cp949"},
        {"", ""},
    };
    for (const auto& [Value, Charset] : Cases) {
        EXPECT_EQ(CharsetOf(Value), Charset) << Value;
    }
}

}  // namespace
}  // namespace nimbral
