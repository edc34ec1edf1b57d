// The value tree is assembled from nlohmann/json's SAX events: its DOM would
// turn 7.50 into 7.5 and merge repeated member names. Nesting is capped so
// that the recursive destructor and serializer stay far from the stack limit.
#include "Json.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstddef>
#include <vector>

namespace nimbral {

namespace {

constexpr std::size_t MaxDepth = 512;

class TTreeBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    std::optional<TJsonValue> Result;

    bool null() override { return Put(TJsonValue()); }
    bool boolean(bool Val) override { return Put(TJsonValue::Bool(Val)); }
    // Integers come without their text. The lexer reports a number without a
    // minus sign as unsigned, so a signed zero here was written "-0".
    bool number_integer(number_integer_t Val) override
    {
        return Put(Val == 0 ? TJsonValue::Number(std::string("-0")) : TJsonValue::Number(std::int64_t{Val}));
    }
    bool number_unsigned(number_unsigned_t Val) override
    {
        return Put(TJsonValue::Number(std::to_string(Val)));
    }
    bool number_float(number_float_t, const string_t& Text) override
    {
        return Put(TJsonValue::Number(Text));
    }
    bool string(string_t& Val) override { return Put(TJsonValue::String(std::move(Val))); }
    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override { return Open(TJsonValue::Object()); }
    bool key(string_t& Val) override
    {
        FOpen.back().Key = std::move(Val);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(TJsonValue::Array()); }
    bool end_array() override { return Close(); }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

private:
    struct TFrame {
        TJsonValue Value;
        std::string Key;  // name of the member being read, objects only
    };
    std::vector<TFrame> FOpen;

    bool Open(TJsonValue Value)
    {
        if (FOpen.size() >= MaxDepth) {
            return false;
        }
        FOpen.push_back({std::move(Value), {}});
        return true;
    }

    bool Close()
    {
        TJsonValue Done = std::move(FOpen.back().Value);
        FOpen.pop_back();
        return Put(std::move(Done));
    }

    bool Put(TJsonValue Value)
    {
        if (FOpen.empty()) {
            Result = std::move(Value);
            return true;
        }
        TFrame& Parent = FOpen.back();
        if (Parent.Value.IsObject()) {
            Parent.Value.Add(std::move(Parent.Key), std::move(Value));
            Parent.Key.clear();
        } else {
            Parent.Value.Push(std::move(Value));
        }
        return true;
    }
};

}  // namespace

TJsonValue TJsonValue::Bool(bool value)
{
    TJsonValue V;
    V.FKind = TJsonKind::Bool;
    V.FBool = value;
    return V;
}

TJsonValue TJsonValue::Number(std::string text)
{
    TJsonValue V;
    V.FKind = TJsonKind::Number;
    V.FText = std::move(text);
    return V;
}

TJsonValue TJsonValue::Number(std::int64_t value)
{
    return Number(std::to_string(value));
}

TJsonValue TJsonValue::String(std::string value)
{
    TJsonValue V;
    V.FKind = TJsonKind::String;
    V.FText = std::move(value);
    return V;
}

TJsonValue TJsonValue::Array()
{
    TJsonValue V;
    V.FKind = TJsonKind::Array;
    return V;
}

TJsonValue TJsonValue::Object()
{
    TJsonValue V;
    V.FKind = TJsonKind::Object;
    return V;
}

const TJsonValue* TJsonValue::Find(std::string_view Key) const
{
    if (FKind != TJsonKind::Object) {
        return nullptr;
    }
    for (const TMember& M : FMembers) {
        if (M.first == Key) {
            return &M.second;
        }
    }
    return nullptr;
}

TJsonValue& TJsonValue::Add(std::string Key, TJsonValue Value)
{
    FMembers.emplace_back(std::move(Key), std::move(Value));
    return FMembers.back().second;
}

TJsonValue& TJsonValue::Push(TJsonValue Value)
{
    FItems.push_back(std::move(Value));
    return FItems.back();
}

std::optional<TJsonValue> ParseJson(std::string_view Text)
{
    TTreeBuilder Builder;
    try {
        if (!nlohmann::json::sax_parse(Text, &Builder, nlohmann::json::input_format_t::json, true)) {
            return std::nullopt;
        }
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    return std::move(Builder.Result);
}

}  // namespace nimbral
