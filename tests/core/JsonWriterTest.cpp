#include "core/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbral {
namespace {

std::string Str(const std::string& S)
{
    return SerializeJson(TJsonValue::String(S));
}

TEST(JsonWriter, StringEscaping)
{
    const std::pair<std::string, std::string> Cases[] = {
        {"plain", R"("plain")"},
        {"a\"b\\c/d", R"("a\"b\\c\/d")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("\x00\x01\x1F", 3), R"("\u0000\u0001\u001F")"},
        {"\x7F~ ", "\"\x7F~ \""},
        {"한글", R"("\uD55C\uAE00")"},
        {"é€", R"("\u00E9\u20AC")"},
        {"\xF0\x9F\x98\x80", R"("\uD83D\uDE00")"},  // non-BMP: surrogate pair
        {"\xF4\x8F\xBF\xBF", R"("\uDBFF\uDFFF")"},
        {"a\xFF" "b", R"("a\uFFFDb")"},              // broken UTF-8 still gives valid JSON
        {"\xED\xA0\x80", R"("\uFFFD\uFFFD\uFFFD")"},  // encoded surrogate
        {"\xE2\x82", R"("\uFFFD\uFFFD")"},          // truncated sequence
    };
    for (const auto& [In, Out] : Cases) {
        SCOPED_TRACE(Out);
        EXPECT_EQ(Str(In), Out);
    }
}

TEST(JsonWriter, CompactDocumentRoundTrips)
{
    TJsonValue Body = TJsonValue::Object();
    Body.Add("email", TJsonValue::String("사용자@example.com"));
    Body.Add("n", TJsonValue::Number(std::int64_t{-12}));
    Body.Add("f", TJsonValue::Number("7.50"));
    TJsonValue& List = Body.Add("list", TJsonValue::Array());
    List.Push(TJsonValue::Bool(true));
    List.Push(TJsonValue());
    List.Push(TJsonValue::Object());
    const std::string Text = SerializeJson(Body);
    EXPECT_EQ(Text, R"({"email":"\uC0AC\uC6A9\uC790@example.com","n":-12,"f":7.50,"list":[true,null,{}]})");
    for (char C : Text) {
        EXPECT_LT(static_cast<unsigned char>(C), 0x80);
    }
    const auto Back = ParseJson(Text);
    ASSERT_TRUE(Back.has_value());
    EXPECT_EQ(SerializeJson(*Back), Text);
    EXPECT_EQ(Back->Find("email")->Text(), "사용자@example.com");
    EXPECT_EQ(SerializeJson(TJsonValue::Object()), "{}");
}

}  // namespace
}  // namespace nimbral
