#include "ContainerKeys.h"

namespace nimbral::crypto {

int seal_buffer(const TCryptoSources& sources, const std::uint8_t* src, std::int32_t srcLen, std::uint8_t* out,
                std::int32_t* outLen) noexcept {
    if (src == nullptr || srcLen <= 0 || out == nullptr || outLen == nullptr || srcLen > kMaxPayload) return -1;
    const std::int32_t needed = srcLen + static_cast<std::int32_t>(kOverhead);
    if (*outLen < needed) {
        *outLen = needed;
        return -2;
    }

    TSealingKeys keys;
    switch (prepare_sealing_keys(sources, keys)) {
        case ESealingFailure::None: break;
        case ESealingFailure::MachineKey: return -3;
        case ESealingFailure::Random: return -6;
        case ESealingFailure::ContainerKey: return -4;
    }

    write_header(keys, out);
    std::uint8_t* const ciphertext = out + kHeaderSize;
    if (aes_gcm_encrypt(keys.ContainerKey.Bytes, keys.Nonce, src, srcLen, ciphertext, ciphertext + srcLen) != 0)
        return -5;
    *outLen = needed;
    return 0;
}

int open_buffer(const TCryptoSources& sources, const std::uint8_t* in, std::int32_t inLen, std::uint8_t* out,
                std::int32_t* outLen) noexcept {
    if (in == nullptr || inLen <= static_cast<std::int32_t>(kOverhead) || out == nullptr || outLen == nullptr)
        return -1;
    if (!has_magic(in)) return -2;
    if (!has_known_version(in)) return -3;
    const std::int32_t size = inLen - static_cast<std::int32_t>(kOverhead);
    if (*outLen < size) {
        *outLen = size;
        return -4;
    }

    TSecret<kKeySize> containerKey;
    switch (prepare_opening_key(sources, salt_of(in), containerKey)) {
        case EOpeningFailure::None: break;
        case EOpeningFailure::MachineKey: return -5;
        case EOpeningFailure::ContainerKey: return -6;
    }

    const std::uint8_t* const tag = in + inLen - kTagSize;
    if (aes_gcm_decrypt(containerKey.Bytes, nonce_of(in), in + kHeaderSize, size, tag, out) != 0) {
        // Plaintext that failed its tag check must not look usable.
        secure_zero(out, static_cast<std::size_t>(size));
        return -7;
    }
    *outLen = size;
    return 0;
}

}  // namespace nimbral::crypto
