// The conversion table of the field readers, one row per (value, reader).
#include "core/Json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace nimbral {
namespace {

struct TRaises {
    bool operator==(const TRaises&) const = default;
};
using TExpected = std::variant<TRaises, bool, std::string, std::int64_t, double>;

enum class TReader { Bool, Str, Int, Int64, Float };

struct TCase {
    const char* Json;  // the value of member "v"
    TReader Reader;
    TExpected Expected;
};

std::string Name(TReader R)
{
    switch (R) {
    case TReader::Bool: return "JsonBool";
    case TReader::Str: return "JsonStr";
    case TReader::Int: return "JsonInt";
    case TReader::Int64: return "JsonInt64";
    case TReader::Float: return "JsonFloat";
    }
    return "?";
}

TExpected Read(TReader R, const TJsonValue* Obj)
{
    switch (R) {
    case TReader::Bool: return JsonBool(Obj, "v", false);
    case TReader::Str: return JsonStr(Obj, "v", "default");
    case TReader::Int: return std::int64_t{JsonInt(Obj, "v", -1)};
    case TReader::Int64: return JsonInt64(Obj, "v", -1);
    case TReader::Float: return JsonFloat(Obj, "v", -1.0);
    }
    return TRaises{};
}

const TCase Cases[] = {
    // strings
    {R"("abc")", TReader::Str, std::string("abc")},
    {R"("7")", TReader::Int, std::int64_t{7}},
    {R"("-2147483648")", TReader::Int, std::int64_t{INT32_MIN}},
    {R"("2147483648")", TReader::Int, TRaises{}},
    {R"("2147483648")", TReader::Int64, std::int64_t{2147483648LL}},
    {R"("9223372036854775808")", TReader::Int64, TRaises{}},
    {R"("+5")", TReader::Int, std::int64_t{5}},
    {R"(" 7")", TReader::Int, TRaises{}},
    {R"("7.0")", TReader::Int, TRaises{}},
    {R"("1e3")", TReader::Int, TRaises{}},
    {R"("")", TReader::Int, TRaises{}},
    {R"("abc")", TReader::Int, TRaises{}},
    {R"("-")", TReader::Int, TRaises{}},
    {R"("true")", TReader::Bool, true},
    {R"("TRUE")", TReader::Bool, true},
    {R"("False")", TReader::Bool, false},
    {R"("0")", TReader::Bool, false},
    {R"("0.00")", TReader::Bool, false},
    {R"("-2.5")", TReader::Bool, true},
    {R"("yes")", TReader::Bool, TRaises{}},
    {R"("")", TReader::Bool, TRaises{}},
    {R"("2.5")", TReader::Float, 2.5},
    {R"("-1.25e2")", TReader::Float, -125.0},
    {R"("2,5")", TReader::Float, TRaises{}},
    {R"("nan")", TReader::Float, TRaises{}},
    {R"("inf")", TReader::Float, TRaises{}},
    {R"("1e999")", TReader::Float, TRaises{}},
    // numbers keep their text
    {"7.50", TReader::Str, std::string("7.50")},
    {"-0.0e+1", TReader::Str, std::string("-0.0e+1")},
    {"18446744073709551615", TReader::Str, std::string("18446744073709551615")},
    {"7", TReader::Int, std::int64_t{7}},
    {"12.0", TReader::Int, TRaises{}},
    {"7.5", TReader::Int, TRaises{}},
    {"1E2", TReader::Int, TRaises{}},
    {"2147483647", TReader::Int, std::int64_t{INT32_MAX}},
    {"-2147483649", TReader::Int, TRaises{}},
    {"-9223372036854775808", TReader::Int64, std::int64_t{INT64_MIN}},
    {"18446744073709551615", TReader::Int64, TRaises{}},
    {"0", TReader::Bool, false},
    {"0.0", TReader::Bool, false},
    {"0.001", TReader::Bool, true},
    {"1e-999", TReader::Bool, true},
    {"-3", TReader::Bool, true},
    {"7.50", TReader::Float, 7.5},
    {"1e2", TReader::Float, 100.0},
    // booleans
    {"true", TReader::Str, std::string("true")},
    {"false", TReader::Str, std::string("false")},
    {"true", TReader::Int, std::int64_t{1}},
    {"false", TReader::Int64, std::int64_t{0}},
    {"true", TReader::Bool, true},
    {"false", TReader::Float, 0.0},
    {"true", TReader::Float, 1.0},
    // objects and arrays never convert
    {"{}", TReader::Str, TRaises{}},
    {"[]", TReader::Int, TRaises{}},
    {"[1]", TReader::Int64, TRaises{}},
    {"{}", TReader::Bool, TRaises{}},
    {"[]", TReader::Float, TRaises{}},
};

TEST(JsonReaders, ConversionTable)
{
    for (const TCase& C : Cases) {
        SCOPED_TRACE(Name(C.Reader) + " on " + C.Json);
        const auto Doc = ParseJson(std::string(R"({"v":)") + C.Json + "}");
        ASSERT_TRUE(Doc.has_value());
        if (std::holds_alternative<TRaises>(C.Expected)) {
            EXPECT_THROW(Read(C.Reader, &*Doc), EConvertError);
        } else {
            EXPECT_EQ(Read(C.Reader, &*Doc), C.Expected);
        }
    }
}

TEST(JsonReaders, MissingNullAndNoObjectGiveTheDefault)
{
    const auto Doc = ParseJson(R"({"n":null,"v":{}})");
    ASSERT_TRUE(Doc.has_value());
    const TJsonValue NotAnObject = TJsonValue::String("v");
    const std::pair<const TJsonValue*, const char*> Lookups[] = {
        {&*Doc, "n"}, {&*Doc, "missing"}, {&*Doc, "V"}, {nullptr, "v"}, {&NotAnObject, "v"}};
    for (const auto& [Obj, Key] : Lookups) {
        SCOPED_TRACE(Key);
        EXPECT_EQ(JsonBool(Obj, Key, true), true);
        EXPECT_EQ(JsonStr(Obj, Key, "d"), "d");
        EXPECT_EQ(JsonInt(Obj, Key, 42), 42);
        EXPECT_EQ(JsonInt64(Obj, Key, 1LL << 40), 1LL << 40);
        EXPECT_EQ(JsonFloat(Obj, Key, 0.5), 0.5);
    }
}

TEST(JsonReaders, RepeatedNameReadsTheFirst)
{
    const auto Doc = ParseJson(R"({"v":1,"v":"x"})");
    ASSERT_TRUE(Doc.has_value());
    EXPECT_EQ(JsonInt(&*Doc, "v", 0), 1);
    EXPECT_EQ(Doc->Members().size(), 2u);
}

}  // namespace
}  // namespace nimbral
