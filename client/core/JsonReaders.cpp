// The field readers. A number keeps the text it was written with, so the
// integer readers apply one rule to numbers and numeric strings alike: 12.0
// and 1e3 are not integers, whatever value they denote.
#include "Json.h"

#include "core/Text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace nimbral {

namespace {

[[noreturn]] void Fail(std::string_view Key, std::string_view Why)
{
    throw EConvertError("\"" + std::string(Key) + "\": " + std::string(Why));
}

const TJsonValue* Member(const TJsonValue* Obj, std::string_view Key)
{
    if (Obj == nullptr) {
        return nullptr;
    }
    const TJsonValue* V = Obj->Find(Key);
    return (V == nullptr || V->IsNull()) ? nullptr : V;
}

// Decimal integer: an optional sign and at least one digit, nothing else.
template <typename TInt>
bool ReadInteger(std::string_view Text, TInt& Out)
{
    std::string_view Digits = Text;
    bool Negative = false;
    if (!Digits.empty() && (Digits.front() == '+' || Digits.front() == '-')) {
        Negative = Digits.front() == '-';
        Digits.remove_prefix(1);
    }
    if (Digits.empty() || !std::all_of(Digits.begin(), Digits.end(),
                                       [](char C) { return C >= '0' && C <= '9'; })) {
        return false;
    }
    // from_chars takes a '-' but not a '+'; keep the minus so INT_MIN reads.
    std::string_view Parse = Negative ? Text.substr(Text.size() - Digits.size() - 1) : Digits;
    auto [End, Err] = std::from_chars(Parse.data(), Parse.data() + Parse.size(), Out);
    return Err == std::errc() && End == Parse.data() + Parse.size();
}

// Decimal number with '.' as the separator: [+-] digits [. digits] [e [+-] digits],
// where either side of the point may be empty but not both. Sets IsZero from
// the digits themselves, so a value too small for a double is still non-zero.
bool IsDecimalNumber(std::string_view Text, bool& IsZero)
{
    std::size_t I = 0;
    auto Digit = [&](std::size_t At) { return At < Text.size() && Text[At] >= '0' && Text[At] <= '9'; };
    if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) {
        ++I;
    }
    std::size_t Mantissa = 0;
    IsZero = true;
    while (Digit(I)) {
        IsZero = IsZero && Text[I] == '0';
        ++I;
        ++Mantissa;
    }
    if (I < Text.size() && Text[I] == '.') {
        ++I;
        while (Digit(I)) {
            IsZero = IsZero && Text[I] == '0';
            ++I;
            ++Mantissa;
        }
    }
    if (Mantissa == 0) {
        return false;
    }
    if (I < Text.size() && (Text[I] == 'e' || Text[I] == 'E')) {
        ++I;
        if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) {
            ++I;
        }
        if (!Digit(I)) {
            return false;
        }
        while (Digit(I)) {
            ++I;
        }
    }
    return I == Text.size();
}

bool ReadDouble(std::string_view Text, double& Out)
{
    bool IsZero = false;
    if (!IsDecimalNumber(Text, IsZero)) {
        return false;
    }
    if (!Text.empty() && Text.front() == '+') {
        Text.remove_prefix(1);
    }
    // A value beyond the range of a double (either way) does not convert.
    auto [End, Err] = std::from_chars(Text.data(), Text.data() + Text.size(), Out);
    return Err == std::errc() && End == Text.data() + Text.size();
}

template <typename TInt>
TInt ReadIntMember(const TJsonValue* Obj, std::string_view Key, TInt Default)
{
    const TJsonValue* V = Member(Obj, Key);
    if (V == nullptr) {
        return Default;
    }
    switch (V->Kind()) {
    case TJsonKind::Bool:
        return V->AsBool() ? 1 : 0;
    case TJsonKind::Number:
    case TJsonKind::String: {
        TInt Out{};
        if (!ReadInteger(V->Text(), Out)) {
            Fail(Key, "'" + V->Text() + "' is not a valid integer value");
        }
        return Out;
    }
    default:
        Fail(Key, "an object or array is not an integer");
    }
}

}  // namespace

bool JsonBool(const TJsonValue* Obj, std::string_view Key, bool Default)
{
    const TJsonValue* V = Member(Obj, Key);
    if (V == nullptr) {
        return Default;
    }
    switch (V->Kind()) {
    case TJsonKind::Bool:
        return V->AsBool();
    case TJsonKind::Number:
    case TJsonKind::String: {
        if (V->IsString() && SameTextNoCase(V->Text(), "true")) {
            return true;
        }
        if (V->IsString() && SameTextNoCase(V->Text(), "false")) {
            return false;
        }
        bool IsZero = false;
        if (!IsDecimalNumber(V->Text(), IsZero)) {
            Fail(Key, "'" + V->Text() + "' is not a valid boolean value");
        }
        return !IsZero;
    }
    default:
        Fail(Key, "an object or array is not a boolean");
    }
}

std::string JsonStr(const TJsonValue* Obj, std::string_view Key, const std::string& Default)
{
    const TJsonValue* V = Member(Obj, Key);
    if (V == nullptr) {
        return Default;
    }
    switch (V->Kind()) {
    case TJsonKind::Bool:
        return V->AsBool() ? "true" : "false";
    case TJsonKind::Number:
    case TJsonKind::String:
        return V->Text();
    default:
        Fail(Key, "an object or array is not a string");
    }
}

std::int32_t JsonInt(const TJsonValue* Obj, std::string_view Key, std::int32_t Default)
{
    return ReadIntMember<std::int32_t>(Obj, Key, Default);
}

std::int64_t JsonInt64(const TJsonValue* Obj, std::string_view Key, std::int64_t Default)
{
    return ReadIntMember<std::int64_t>(Obj, Key, Default);
}

double JsonFloat(const TJsonValue* Obj, std::string_view Key, double Default)
{
    const TJsonValue* V = Member(Obj, Key);
    if (V == nullptr) {
        return Default;
    }
    switch (V->Kind()) {
    case TJsonKind::Bool:
        return V->AsBool() ? 1.0 : 0.0;
    case TJsonKind::Number:
    case TJsonKind::String: {
        double Out = 0;
        if (!ReadDouble(V->Text(), Out)) {
            Fail(Key, "'" + V->Text() + "' is not a valid floating point value");
        }
        return Out;
    }
    default:
        Fail(Key, "an object or array is not a number");
    }
}

}  // namespace nimbral
