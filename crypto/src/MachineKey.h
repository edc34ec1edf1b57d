// The machine identity string and the machine key hashed from it.
#pragma once

#include "Backend.h"

#include <cstddef>
#include <cstdint>

namespace nimbral::crypto {

inline constexpr char kIdentitySuffix[] = "Vostrel-k4";
// 255 characters of identifier, 8 hexadecimal digits, the 10-character suffix.
inline constexpr std::size_t kMaxIdentityLength = 255 + 8 + 10;

// Writes "%s%08X%s" over identifier, serial and suffix into out (at least
// kMaxIdentityLength + 1 bytes) and returns its length without terminator.
std::size_t format_machine_identity(const TMachineIdentityParts& parts, char* out) noexcept;

// SHA-256 of the identity string of the given parts; sha256_digest's codes.
int machine_key_from_parts(const TMachineIdentityParts& parts, std::uint8_t* out) noexcept;

}  // namespace nimbral::crypto
