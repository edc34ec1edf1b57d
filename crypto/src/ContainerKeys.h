// Key preparation shared by the buffer and file forms: each form maps the
// failing step to its own return code.
#pragma once

#include "Container.h"
#include "Secret.h"

namespace nimbral::crypto {

struct TSealingKeys {
    TSecret<kKeySize> ContainerKey;
    std::uint8_t Salt[kSaltSize] = {};
    std::uint8_t Nonce[kNonceSize] = {};
};

enum class ESealingFailure { None, MachineKey, Random, ContainerKey };
enum class EOpeningFailure { None, MachineKey, ContainerKey };

// Machine key, then salt, then nonce, then the container key. Salt and nonce
// are never used unless the random source filled them.
ESealingFailure prepare_sealing_keys(const TCryptoSources& sources, TSealingKeys& keys) noexcept;

// Machine key, then the container key for the salt stored in a container.
EOpeningFailure prepare_opening_key(const TCryptoSources& sources, const std::uint8_t* salt,
                                TSecret<kKeySize>& containerKey) noexcept;

void write_header(const TSealingKeys& keys, std::uint8_t* out) noexcept;
bool has_magic(const std::uint8_t* container) noexcept;
bool has_known_version(const std::uint8_t* container) noexcept;

inline const std::uint8_t* salt_of(const std::uint8_t* container) noexcept { return container + 5; }
inline const std::uint8_t* nonce_of(const std::uint8_t* container) noexcept { return container + 5 + kSaltSize; }

}  // namespace nimbral::crypto
