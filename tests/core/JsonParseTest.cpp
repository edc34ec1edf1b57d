#include "core/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbral {
namespace {

TEST(JsonParse, KeepsNumberTextKindsAndMemberOrder)
{
    const auto Doc = ParseJson(R"( {"b":7.50,"a":[1,-0.5e-3,"s",true,null,{},-0,0,-7],"c":12.0} )");
    ASSERT_TRUE(Doc.has_value());
    ASSERT_TRUE(Doc->IsObject());
    ASSERT_EQ(Doc->Members().size(), 3u);
    EXPECT_EQ(Doc->Members()[0].first, "b");
    EXPECT_EQ(Doc->Members()[1].first, "a");
    EXPECT_EQ(Doc->Find("b")->Text(), "7.50");
    EXPECT_EQ(Doc->Find("c")->Text(), "12.0");
    const auto& Items = Doc->Find("a")->Items();
    ASSERT_EQ(Items.size(), 9u);
    EXPECT_EQ(Items[0].Text(), "1");
    EXPECT_EQ(Items[1].Text(), "-0.5e-3");
    EXPECT_TRUE(Items[2].IsString());
    EXPECT_TRUE(Items[3].IsBool() && Items[3].AsBool());
    EXPECT_TRUE(Items[4].IsNull());
    EXPECT_TRUE(Items[5].IsObject() && Items[5].Members().empty());
    EXPECT_EQ(Items[6].Text(), "-0");  // the sign is part of the text
    EXPECT_EQ(Items[7].Text(), "0");
    EXPECT_EQ(Items[8].Text(), "-7");
    EXPECT_EQ(Doc->Find("missing"), nullptr);
    EXPECT_EQ(Items[0].Find("x"), nullptr);
}

TEST(JsonParse, ScalarsAtTopLevelAndUnicodeEscapes)
{
    EXPECT_TRUE(ParseJson("[]")->IsArray());
    EXPECT_TRUE(ParseJson("null")->IsNull());
    EXPECT_EQ(ParseJson("\"\\uD55C\\uAE00 \\uD83D\\uDE00\"")->Text(), "한글 \xF0\x9F\x98\x80");
    EXPECT_EQ(ParseJson("123456789012345678901234567890")->Text(), "123456789012345678901234567890");
}

// One spoilt value does not cost the whole document.
TEST(JsonParse, InvalidTextInsideAValueIsReadAsWellAsPossible)
{
    const struct {
        const char* Name;
        std::string Json;  // the value of "v"
        std::string Text;  // what it reads as
    } Cases[] = {
        {"invalid byte", "\"a\xFF" "b\"", "a\uFFFD" "b"},
        {"cut-off sequence", "\"\xED\x95\"", "\uFFFD\uFFFD"},
        {"overlong form", "\"\xC0\xAF\"", "\uFFFD\uFFFD"},
        {"encoded surrogate", "\"\xED\xA0\x80\"", "\uFFFD\uFFFD\uFFFD"},
        {"lone high surrogate", R"("x\ud800y")", "x\uFFFDy"},
        {"lone low surrogate", R"("\uDC00")", "\uFFFD"},
        {"high surrogate before another escape", R"("\uD800\u0041")", "\uFFFDA"},
        {"pair kept", R"("\uD83D\uDE00\\uD800")", "\xF0\x9F\x98\x80\\uD800"},
        {"number too large", "1e400", "1e400"},
        {"number too small", "-2.5E-999", "-2.5E-999"},
        {"integer too large", "1" + std::string(400, '0'), "1" + std::string(400, '0')},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const auto Doc = ParseJson(R"({"success":true,"before":7,"v":)" + C.Json + R"(,"after":[8,"\u00e9"]})");
        ASSERT_TRUE(Doc.has_value());
        EXPECT_EQ(Doc->Find("v")->Text(), C.Text);
        EXPECT_TRUE(JsonBool(&*Doc, "success", false));
        EXPECT_EQ(Doc->Find("before")->Text(), "7");
        EXPECT_EQ(Doc->Find("after")->Items()[0].Text(), "8");
        EXPECT_EQ(Doc->Find("after")->Items()[1].Text(), "\xC3\xA9");
    }
    // Its reader refuses a number out of range, as it refuses any it cannot convert.
    const auto Doc = ParseJson(R"({"n":1e400,"m":"\uD800"})");
    ASSERT_TRUE(Doc.has_value());
    EXPECT_THROW(JsonInt(&*Doc, "n", 0), EConvertError);
    EXPECT_THROW(JsonFloat(&*Doc, "n", 0), EConvertError);
    EXPECT_EQ(JsonStr(&*Doc, "n", ""), "1e400");
    EXPECT_EQ(ParseJson("\"\xFF\"")->Text(), "\uFFFD");
}

TEST(JsonParse, MalformedInputGivesNoValue)
{
    const char* Bad[] = {"", " ", "{", "{\"a\":}", "[1,]", "{\"a\":1}x", "{'a':1}", "<html></html>",
                         "tru", "01", "1.", "\"\\x\"", "\"a\nb\"", "NaN", "{\"a\" 1}",
                         "\xFF", "[1e400", "\"\\uD800", "\"\\u12\"", "{\"a\xFF\":1"};
    for (const char* Text : Bad) {
        SCOPED_TRACE(Text);
        EXPECT_FALSE(ParseJson(Text).has_value());
    }
}

TEST(JsonParse, NestingIsCapped)
{
    const auto Nested = [](int Depth) { return std::string(Depth, '[') + std::string(Depth, ']'); };
    EXPECT_TRUE(ParseJson(Nested(512)).has_value());
    EXPECT_FALSE(ParseJson(Nested(513)).has_value());
    // Far deeper than any stack would survive if it were built recursively.
    EXPECT_FALSE(ParseJson(Nested(1'000'000)).has_value());
}

}  // namespace
}  // namespace nimbral
