#include "core/Utf8.h"

namespace nimbral {

std::optional<char32_t> DecodeUtf8(std::string_view Text, std::size_t& At)
{
    const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Text[I]); };
    const unsigned char Lead = Byte(At);
    if (Lead < 0x80) {
        ++At;
        return Lead;
    }
    std::size_t Extra = 0;
    char32_t Cp = 0;
    char32_t Min = 0;
    if (Lead >= 0xC2 && Lead <= 0xDF) {
        Extra = 1, Cp = Lead & 0x1F, Min = 0x80;
    } else if (Lead >= 0xE0 && Lead <= 0xEF) {
        Extra = 2, Cp = Lead & 0x0F, Min = 0x800;
    } else if (Lead >= 0xF0 && Lead <= 0xF4) {
        Extra = 3, Cp = Lead & 0x07, Min = 0x10000;
    } else {
        return std::nullopt;
    }
    if (Text.size() - At <= Extra) {
        return std::nullopt;
    }
    for (std::size_t K = 1; K <= Extra; ++K) {
        const unsigned char C = Byte(At + K);
        if ((C & 0xC0) != 0x80) {
            return std::nullopt;
        }
        Cp = (Cp << 6) | (C & 0x3F);
    }
    if (Cp < Min || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) {
        return std::nullopt;
    }
    At += Extra + 1;
    return Cp;
}

bool IsValidUtf8(std::string_view Text)
{
    for (std::size_t I = 0; I < Text.size();) {
        if (!DecodeUtf8(Text, I)) {
            return false;
        }
    }
    return true;
}

void AppendUtf8(std::string& Out, char32_t Cp)
{
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Cp >> 18));
        Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

std::string Utf16ToUtf8(std::string_view Bytes, bool BigEndian)
{
    const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Bytes[I]); };
    std::size_t I = 0;
    if (Bytes.size() >= 2 && ((Byte(0) == 0xFF && Byte(1) == 0xFE) || (Byte(0) == 0xFE && Byte(1) == 0xFF))) {
        BigEndian = Byte(0) == 0xFE;
        I = 2;
    }
    const auto Unit = [&](std::size_t At) -> char32_t {
        return BigEndian ? (Byte(At) << 8 | Byte(At + 1)) : (Byte(At + 1) << 8 | Byte(At));
    };
    std::string Out;
    Out.reserve(Bytes.size() * 3 / 2);
    for (; I + 1 < Bytes.size(); I += 2) {
        const char32_t High = Unit(I);
        if (High >= 0xD800 && High <= 0xDBFF && I + 3 < Bytes.size()) {
            const char32_t Low = Unit(I + 2);
            if (Low >= 0xDC00 && Low <= 0xDFFF) {
                AppendUtf8(Out, 0x10000 + ((High - 0xD800) << 10) + (Low - 0xDC00));
                I += 2;
                continue;
            }
        }
        AppendUtf8(Out, High >= 0xD800 && High <= 0xDFFF ? kReplacementCharacter : High);
    }
    if (I < Bytes.size()) {
        AppendUtf8(Out, kReplacementCharacter);
    }
    return Out;
}

}  // namespace nimbral
