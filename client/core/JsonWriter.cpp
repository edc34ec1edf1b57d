// Request bodies are written as plain ASCII: every UTF-16 code unit above
// U+007F becomes \uXXXX (a pair of them outside the BMP), upper-case hex, and
// the solidus is escaped too, which is how the service has always received them.
#include "Json.h"

#include "core/Utf8.h"

#include <cstdint>

namespace nimbral {

namespace {

void PutUnit(std::string& Out, std::uint32_t Unit)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    Out += "\\u";
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
        Out += Hex[(Unit >> Shift) & 0xF];
    }
}

// Decodes one UTF-8 sequence at Text[I]; a malformed one yields U+FFFD and
// consumes a single byte, so a broken string still gives valid JSON.
std::uint32_t NextCodePoint(const std::string& Text, std::size_t& I)
{
    if (const std::optional<char32_t> Cp = DecodeUtf8(Text, I)) {
        return *Cp;
    }
    ++I;
    return kReplacementCharacter;
}

void PutString(std::string& Out, const std::string& Text)
{
    Out += '"';
    for (std::size_t I = 0; I < Text.size();) {
        const unsigned char C = static_cast<unsigned char>(Text[I]);
        if (C >= 0x80) {
            const std::uint32_t Cp = NextCodePoint(Text, I);
            if (Cp >= 0x10000) {
                PutUnit(Out, 0xD800 + ((Cp - 0x10000) >> 10));
                PutUnit(Out, 0xDC00 + ((Cp - 0x10000) & 0x3FF));
            } else {
                PutUnit(Out, Cp);
            }
            continue;
        }
        ++I;
        switch (C) {
        case '"': Out += "\\\""; break;
        case '\\': Out += "\\\\"; break;
        case '/': Out += "\\/"; break;
        case '\b': Out += "\\b"; break;
        case '\t': Out += "\\t"; break;
        case '\n': Out += "\\n"; break;
        case '\f': Out += "\\f"; break;
        case '\r': Out += "\\r"; break;
        default:
            if (C < 0x20) {
                PutUnit(Out, C);
            } else {
                Out += static_cast<char>(C);
            }
        }
    }
    Out += '"';
}

void PutValue(std::string& Out, const TJsonValue& Value)
{
    switch (Value.Kind()) {
    case TJsonKind::Null: Out += "null"; break;
    case TJsonKind::Bool: Out += Value.AsBool() ? "true" : "false"; break;
    case TJsonKind::Number: Out += Value.Text(); break;
    case TJsonKind::String: PutString(Out, Value.Text()); break;
    case TJsonKind::Array: {
        Out += '[';
        bool First = true;
        for (const TJsonValue& Item : Value.Items()) {
            if (!First) {
                Out += ',';
            }
            First = false;
            PutValue(Out, Item);
        }
        Out += ']';
        break;
    }
    case TJsonKind::Object: {
        Out += '{';
        bool First = true;
        for (const auto& [Key, Member] : Value.Members()) {
            if (!First) {
                Out += ',';
            }
            First = false;
            PutString(Out, Key);
            Out += ':';
            PutValue(Out, Member);
        }
        Out += '}';
        break;
    }
    }
}

}  // namespace

std::string SerializeJson(const TJsonValue& Value)
{
    std::string Out;
    PutValue(Out, Value);
    return Out;
}

}  // namespace nimbral
