#include "ContainerKeys.h"

#include "MachineKey.h"

#include <cstring>

namespace nimbral::crypto {

int get_machine_key(const TCryptoSources& sources, std::uint8_t* out) noexcept {
    TMachineIdentityParts parts;
    sources.ReadIdentity(parts);
    const int status = machine_key_from_parts(parts, out);
    secure_zero(&parts, sizeof parts);
    return status;
}

ESealingFailure prepare_sealing_keys(const TCryptoSources& sources, TSealingKeys& keys) noexcept {
    TSecret<kKeySize> machineKey;
    if (get_machine_key(sources, machineKey.Bytes) != 0) return ESealingFailure::MachineKey;
    if (!sources.FillRandom(keys.Salt, sizeof keys.Salt) || !sources.FillRandom(keys.Nonce, sizeof keys.Nonce))
        return ESealingFailure::Random;
    if (sources.DeriveKey(machineKey.Bytes, keys.Salt, keys.ContainerKey.Bytes) != 0)
        return ESealingFailure::ContainerKey;
    return ESealingFailure::None;
}

EOpeningFailure prepare_opening_key(const TCryptoSources& sources, const std::uint8_t* salt,
                                TSecret<kKeySize>& containerKey) noexcept {
    TSecret<kKeySize> machineKey;
    if (get_machine_key(sources, machineKey.Bytes) != 0) return EOpeningFailure::MachineKey;
    if (sources.DeriveKey(machineKey.Bytes, salt, containerKey.Bytes) != 0) return EOpeningFailure::ContainerKey;
    return EOpeningFailure::None;
}

void write_header(const TSealingKeys& keys, std::uint8_t* out) noexcept {
    std::memcpy(out, kMagic, sizeof kMagic);
    out[4] = kFormatVersion;
    std::memcpy(out + 5, keys.Salt, kSaltSize);
    std::memcpy(out + 5 + kSaltSize, keys.Nonce, kNonceSize);
}

bool has_magic(const std::uint8_t* container) noexcept {
    return std::memcmp(container, kMagic, sizeof kMagic) == 0;
}

bool has_known_version(const std::uint8_t* container) noexcept { return container[4] == kFormatVersion; }

}  // namespace nimbral::crypto
