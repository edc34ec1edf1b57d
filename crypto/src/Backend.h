// The seam between the portable container code and a platform backend.
// Each backend (openssl/ here, one folder per platform) implements exactly the
// functions below; nothing else of the library touches a crypto API or an OS
// identifier. Status codes are those of the container layer: 0 is success and
// every failure is a small negative number with the meaning given per function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace nimbral::crypto {

inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kNonceSize = 12;
inline constexpr std::size_t kTagSize = 16;
inline constexpr std::size_t kDigestSize = 32;
inline constexpr unsigned kPbkdf2Iterations = 100000;

// The two identifiers a machine key is bound to. Either may be missing: an
// empty Guid, a Serial of 0. Guid holds at most 255 characters and is always
// zero-terminated.
struct TMachineIdentityParts {
    char Guid[256] = {};
    std::uint32_t Serial = 0;
};

// Reads the installation's identifier and the system volume's serial number.
// Never fails: whatever cannot be read stays empty or 0.
void read_machine_identity_parts(TMachineIdentityParts& parts) noexcept;

// Fills the whole buffer from the system's secure random generator. Returns
// false, with the buffer's content unspecified, when the generator fails.
bool fill_random(std::uint8_t* out, std::size_t size) noexcept;

// Overwrites memory in a way the optimiser may not drop.
void secure_zero(void* p, std::size_t size) noexcept;

// The file that fopen opens for the narrow path: read as the C library
// reads it (on Windows in the code page of the file functions, the ANSI one
// unless a program switched them to OEM; elsewhere its bytes as they are).
// Raises std::bad_alloc when memory runs out.
std::filesystem::path file_path(const char* path);

// SHA-256 of data into out (32 bytes).
// -1 the SHA-256 provider cannot be opened; -2 the hash object cannot be
// created or the hashing failed.
int sha256_digest(const void* data, std::size_t size, std::uint8_t* out) noexcept;

// PBKDF2-HMAC-SHA-256, password = machineKey (32 bytes), salt 16 bytes,
// 100,000 iterations, 32 bytes into out.
// -1 the HMAC-SHA-256 provider cannot be opened; -2 the derivation failed.
int derive_key(const std::uint8_t* machineKey, const std::uint8_t* salt, std::uint8_t* out) noexcept;

// AES-256-GCM without associated data, 12-byte nonce, 16-byte tag.
// in and out may be the same buffer, but must not otherwise overlap.
// -1 the AES provider cannot be opened; -2 the key object cannot be created;
// -3 encryption failed (decrypt: failed, or the tag did not match; out is
// then overwritten with zeros).
int aes_gcm_encrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    std::uint8_t* out, std::uint8_t* tag) noexcept;
int aes_gcm_decrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    const std::uint8_t* tag, std::uint8_t* out) noexcept;

}  // namespace nimbral::crypto
