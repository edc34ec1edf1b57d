// The value tree is assembled from nlohmann/json's SAX events: its DOM would
// turn 7.50 into 7.5 and merge repeated member names. Nesting is capped so
// that the recursive destructor and serializer stay far from the stack limit.
//
// A service answer is read as well as it can be: one bad byte must not cost
// a whole envelope (a session created on the service would read as a failure
// with no message). The parser refuses invalid UTF-8, a lone surrogate escape
// and a number past the range of a double, so the text is mended first:
// invalid UTF-8 and lone surrogates become U+FFFD, and such a number is
// parsed as 0 and given back its own text, for its reader to refuse.
#include "Json.h"

#include "core/Utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <vector>

namespace nimbral {

namespace {

constexpr std::size_t MaxDepth = 512;

// A number the parser would refuse: its place among the document's numbers
// and its text.
struct TOutOfRange {
    std::size_t Ordinal;
    std::string Text;
};

struct TMended {
    std::string Text;
    std::vector<TOutOfRange> Numbers;
};

bool IsHex4(std::string_view S, std::size_t At)
{
    if (S.size() - At < 4) {
        return false;
    }
    for (std::size_t I = At; I < At + 4; ++I) {
        if (!std::isxdigit(static_cast<unsigned char>(S[I]))) {
            return false;
        }
    }
    return true;
}

unsigned Hex4(std::string_view S, std::size_t At)
{
    unsigned Value = 0;
    std::from_chars(S.data() + At, S.data() + At + 4, Value, 16);
    return Value;
}

// The code unit of the escape "\uXXXX" at S[At], when there is one.
std::optional<unsigned> EscapedUnit(std::string_view S, std::size_t At)
{
    if (S.size() - At >= 6 && S[At] == '\\' && S[At + 1] == 'u' && IsHex4(S, At + 2)) {
        return Hex4(S, At + 2);
    }
    return std::nullopt;
}

// Walks the text as the parser will (strings, and numbers outside them) and
// mends what it would refuse; none when nothing needed mending. Malformed
// text is left for the parser to refuse.
std::optional<TMended> Mend(std::string_view Text)
{
    static constexpr std::string_view Replacement = "\xEF\xBF\xBD";
    TMended Out;
    Out.Text.reserve(Text.size());
    bool Changed = false;
    bool InString = false;
    std::size_t Numbers = 0;
    for (std::size_t I = 0; I < Text.size();) {
        const char C = Text[I];
        if (!InString) {
            if (C == '-' || (C >= '0' && C <= '9')) {
                const std::size_t End = std::min(Text.find_first_not_of("0123456789+-.eE", I), Text.size());
                const std::string_view Number = Text.substr(I, End - I);
                double Ignored = 0;
                if (std::from_chars(Number.data(), Number.data() + Number.size(), Ignored).ec ==
                    std::errc::result_out_of_range) {
                    Out.Numbers.push_back({Numbers, std::string(Number)});
                    Out.Text += '0';
                    Changed = true;
                } else {
                    Out.Text += Number;
                }
                ++Numbers;
                I = End;
                continue;
            }
            InString = C == '"';
            Out.Text += C;
            ++I;
            continue;
        }
        if (C == '"') {
            InString = false;
        } else if (C == '\\') {
            const std::optional<unsigned> Unit = EscapedUnit(Text, I);
            if (!Unit) {  // another escape, or a broken one the parser refuses
                Out.Text += Text.substr(I, std::min<std::size_t>(2, Text.size() - I));
                I += 2;
                continue;
            }
            const std::optional<unsigned> Low =
                *Unit >= 0xD800 && *Unit <= 0xDBFF ? EscapedUnit(Text, I + 6) : std::nullopt;
            if (Low && *Low >= 0xDC00 && *Low <= 0xDFFF) {
                Out.Text += Text.substr(I, 12);
                I += 12;
            } else if (*Unit >= 0xD800 && *Unit <= 0xDFFF) {
                Out.Text += "\\uFFFD";
                Changed = true;
                I += 6;
            } else {
                Out.Text += Text.substr(I, 6);
                I += 6;
            }
            continue;
        } else if (static_cast<unsigned char>(C) >= 0x80) {
            const std::size_t Start = I;
            if (DecodeUtf8(Text, I)) {
                Out.Text += Text.substr(Start, I - Start);
            } else {
                Out.Text += Replacement;
                Changed = true;
                ++I;
            }
            continue;
        }
        Out.Text += C;
        ++I;
    }
    if (!Changed) {
        return std::nullopt;
    }
    return Out;
}

class TTreeBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit TTreeBuilder(const std::vector<TOutOfRange>& OutOfRange) : FOutOfRange(OutOfRange) {}

    std::optional<TJsonValue> Result;

    bool null() override { return Put(TJsonValue()); }
    bool boolean(bool Val) override { return Put(TJsonValue::Bool(Val)); }
    // Integers come without their text. The lexer reports a number without a
    // minus sign as unsigned, so a signed zero here was written "-0".
    bool number_integer(number_integer_t Val) override
    {
        return PutNumber(Val == 0 ? std::string("-0") : std::to_string(Val));
    }
    bool number_unsigned(number_unsigned_t Val) override { return PutNumber(std::to_string(Val)); }
    bool number_float(number_float_t, const string_t& Text) override { return PutNumber(Text); }
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
    const std::vector<TOutOfRange>& FOutOfRange;
    std::size_t FNumbers = 0;
    std::size_t FNextOutOfRange = 0;

    // A number mended to 0 gets its own text back.
    bool PutNumber(std::string Text)
    {
        if (FNextOutOfRange < FOutOfRange.size() && FOutOfRange[FNextOutOfRange].Ordinal == FNumbers) {
            Text = FOutOfRange[FNextOutOfRange++].Text;
        }
        ++FNumbers;
        return Put(TJsonValue::Number(std::move(Text)));
    }

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
    const std::optional<TMended> Mended = Mend(Text);
    static const std::vector<TOutOfRange> None;
    TTreeBuilder Builder(Mended ? Mended->Numbers : None);
    try {
        if (!nlohmann::json::sax_parse(Mended ? std::string_view(Mended->Text) : Text, &Builder,
                                       nlohmann::json::input_format_t::json, true)) {
            return std::nullopt;
        }
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    return std::move(Builder.Result);
}

}  // namespace nimbral
