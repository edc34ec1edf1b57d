#pragma once
// UTF-8 as the client reads and writes it: strict decoding (no overlong
// forms, no surrogates, nothing past U+10FFFF) and encoding.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nimbral {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point of the UTF-8 sequence that starts at Text[At], moving At
// past it; none, with At unchanged, when no valid sequence starts there.
std::optional<char32_t> DecodeUtf8(std::string_view Text, std::size_t& At);

bool IsValidUtf8(std::string_view Text);

// Appends the UTF-8 form of Cp (a Unicode scalar value).
void AppendUtf8(std::string& Out, char32_t Cp);

// UTF-16 bytes as UTF-8. A byte order mark decides the order and is dropped;
// without one BigEndian does. An unpaired surrogate, or an odd byte at the
// end, becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view Bytes, bool BigEndian);

}  // namespace nimbral
