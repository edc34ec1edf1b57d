// The "NBSC" container and the four sealing and opening operations behind the
// exported functions. They take their machine identity, random bytes and key
// derivation from a TCryptoSources so that tests can stand in for another
// machine or a failing random generator, and a fuzz target for the 100,000
// rounds of PBKDF2; the exports pass kSystemSources.
#pragma once

#include "Backend.h"

#include <climits>
#include <cstdint>

namespace nimbral::crypto {

struct TCryptoSources {
    void (*ReadIdentity)(TMachineIdentityParts& parts) noexcept;
    bool (*FillRandom)(std::uint8_t* out, std::size_t size) noexcept;
    int (*DeriveKey)(const std::uint8_t* machineKey, const std::uint8_t* salt, std::uint8_t* out) noexcept = derive_key;
};

inline constexpr TCryptoSources kSystemSources{read_machine_identity_parts, fill_random};

inline constexpr std::uint8_t kMagic[4] = {'N', 'B', 'S', 'C'};
inline constexpr std::uint8_t kFormatVersion = 1;
inline constexpr std::size_t kHeaderSize = 4 + 1 + kSaltSize + kNonceSize;  // 33
inline constexpr std::size_t kOverhead = kHeaderSize + kTagSize;              // 49
// Largest payload whose container length still fits a 32-bit signed length.
inline constexpr std::int32_t kMaxPayload = INT_MAX - static_cast<std::int32_t>(kOverhead);

// The machine key of the machine the sources describe; sha256_digest's codes.
int get_machine_key(const TCryptoSources& sources, std::uint8_t* out) noexcept;

// The operations behind Nimbral_EncryptBuffer, Nimbral_DecryptBuffer,
// Nimbral_EncryptFile and Nimbral_DecryptFile, with the same arguments and codes.
int seal_buffer(const TCryptoSources& sources, const std::uint8_t* src, std::int32_t srcLen, std::uint8_t* out,
                std::int32_t* outLen) noexcept;
int open_buffer(const TCryptoSources& sources, const std::uint8_t* in, std::int32_t inLen, std::uint8_t* out,
                std::int32_t* outLen) noexcept;
int seal_file(const TCryptoSources& sources, const char* path, const std::uint8_t* data, std::int32_t size) noexcept;
int open_file(const TCryptoSources& sources, const char* path, std::uint8_t** outData, std::int32_t* outSize) noexcept;

// Removes the regular file that a failed seal_file left at path (through a
// symbolic link, the file it points to; the link stays). Anything else, a
// device or a pipe given as the path, is left alone.
void remove_partial_file(const char* path) noexcept;

}  // namespace nimbral::crypto
