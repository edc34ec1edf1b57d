#pragma once
// The JSON value tree of the client and its field readers.
//
// Values are built from nlohmann/json's SAX events rather than its own DOM so
// that a number keeps the exact text it was written with (7.50 stays "7.50",
// 12.0 stays a non-integer), an object keeps every member in document order
// (a lookup returns the first of a repeated name), and malformed input gives
// no value instead of an exception.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbral {

// Raised by the field readers when a member holds a value that does not convert.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TJsonKind { Null, Bool, Number, String, Array, Object };

class TJsonValue {
public:
    using TMember = std::pair<std::string, TJsonValue>;

    TJsonValue() = default;  // JSON null
    static TJsonValue Bool(bool value);
    static TJsonValue Number(std::string text);  // text as written, e.g. "7.50"
    static TJsonValue Number(std::int64_t value);
    static TJsonValue String(std::string value);
    static TJsonValue Array();
    static TJsonValue Object();

    TJsonKind Kind() const { return FKind; }
    bool IsNull() const { return FKind == TJsonKind::Null; }
    bool IsBool() const { return FKind == TJsonKind::Bool; }
    bool IsNumber() const { return FKind == TJsonKind::Number; }
    bool IsString() const { return FKind == TJsonKind::String; }
    bool IsArray() const { return FKind == TJsonKind::Array; }
    bool IsObject() const { return FKind == TJsonKind::Object; }

    bool AsBool() const { return FBool; }
    // The string's value, or the number's text as written.
    const std::string& Text() const { return FText; }
    const std::vector<TJsonValue>& Items() const { return FItems; }
    const std::vector<TMember>& Members() const { return FMembers; }

    // First member named Key (exact, case-sensitive); nullptr when absent or
    // when this value is not an object.
    const TJsonValue* Find(std::string_view Key) const;

    // Building (request bodies, tests). Add appends a member to an object,
    // Push an element to an array; both return the stored value.
    TJsonValue& Add(std::string Key, TJsonValue Value);
    TJsonValue& Push(TJsonValue Value);

private:
    TJsonKind FKind = TJsonKind::Null;
    bool FBool = false;
    std::string FText;
    std::vector<TJsonValue> FItems;
    std::vector<TMember> FMembers;
};

// Parses one JSON text. Malformed text (or nesting deeper than the parser
// accepts) gives no value; parsing never raises for bad input. What only
// spoils a value is read as well as possible: invalid UTF-8 and a lone
// surrogate escape become U+FFFD, and a number beyond the range of a double
// keeps its text (its reader then refuses it).
std::optional<TJsonValue> ParseJson(std::string_view Text);

// Compact JSON for request bodies: no whitespace; inside strings a backslash
// before '"', '\\' and '/', \b \t \n \f \r, and \uXXXX (upper-case hex) for
// every other character below U+0020 and every UTF-16 code unit above U+007F,
// so the result is plain ASCII.
std::string SerializeJson(const TJsonValue& Value);

// Field readers: look up Key in Obj and convert it. A none Obj, a missing
// member or a JSON null gives Default; a value that does not convert raises
// EConvertError.
bool JsonBool(const TJsonValue* Obj, std::string_view Key, bool Default);
std::string JsonStr(const TJsonValue* Obj, std::string_view Key, const std::string& Default);
std::int32_t JsonInt(const TJsonValue* Obj, std::string_view Key, std::int32_t Default);
std::int64_t JsonInt64(const TJsonValue* Obj, std::string_view Key, std::int64_t Default);
double JsonFloat(const TJsonValue* Obj, std::string_view Key, double Default);

}  // namespace nimbral
