#pragma once
// The character sets a response body may declare, by name, as Windows code
// page numbers: one table for every platform, so that the same declared
// charset reads the same everywhere.

#include <cstdint>
#include <optional>
#include <string_view>

namespace nimbral {

inline constexpr std::uint32_t kCodePageUtf8 = 65001;
inline constexpr std::uint32_t kCodePageUtf16Le = 1200;
inline constexpr std::uint32_t kCodePageUtf16Be = 1201;
// Korean Windows' ANSI code page, a superset of EUC-KR.
inline constexpr std::uint32_t kCodePageKorean = 949;

// The code page of a charset name (IANA names and the aliases servers use,
// any letter case); none for a name the client does not read.
std::optional<std::uint32_t> CodePageOfCharset(std::string_view Name);

}  // namespace nimbral
