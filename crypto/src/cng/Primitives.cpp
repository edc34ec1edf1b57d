// CNG implementation of the primitives. Every call opens and closes its own
// algorithm provider and key or hash object, so nothing is shared between
// calls or threads.
//
// CNG reads a NULL output buffer as a size query: with zero-length data it
// would then skip the tag check. The cipher calls therefore always hand it a
// real buffer, a local byte when there is no data.
#include "../Backend.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <memory>
#include <type_traits>

namespace nimbral::crypto {
namespace {

struct TProviderClose {
    void operator()(BCRYPT_ALG_HANDLE h) const noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
using TProvider = std::unique_ptr<std::remove_pointer_t<BCRYPT_ALG_HANDLE>, TProviderClose>;

struct THashDestroy {
    void operator()(BCRYPT_HASH_HANDLE h) const noexcept { BCryptDestroyHash(h); }
};
using THash = std::unique_ptr<std::remove_pointer_t<BCRYPT_HASH_HANDLE>, THashDestroy>;

struct TKeyDestroy {
    void operator()(BCRYPT_KEY_HANDLE h) const noexcept { BCryptDestroyKey(h); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<BCRYPT_KEY_HANDLE>, TKeyDestroy>;

TProvider open_provider(const wchar_t* algorithm, ULONG flags) noexcept {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, flags))) return TProvider();
    return TProvider(handle);
}

// The AES provider in GCM mode and a key object for the 32-byte key; -1 or
// -2 as the cipher functions report them.
int open_gcm_key(const std::uint8_t* key, TProvider& provider, TKey& keyObject) noexcept {
    provider = open_provider(BCRYPT_AES_ALGORITHM, 0);
    if (!provider) return -1;
    BCryptSetProperty(provider.get(), BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                      sizeof BCRYPT_CHAIN_MODE_GCM, 0);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(provider.get(), &handle, nullptr, 0, const_cast<PUCHAR>(key),
                                                   static_cast<ULONG>(kKeySize), 0)))
        return -2;
    keyObject.reset(handle);
    return 0;
}

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO auth_info(const std::uint8_t* nonce, std::uint8_t* tag) noexcept {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = const_cast<PUCHAR>(nonce);
    info.cbNonce = static_cast<ULONG>(kNonceSize);
    info.pbTag = tag;
    info.cbTag = static_cast<ULONG>(kTagSize);
    return info;
}

// CNG ciphers here work in place: the input is copied into the output first.
// For zero-length data the call gets a one-byte dummy instead of the caller's
// pointer, which may be NULL: Windows reads a NULL buffer as a size query and
// would skip the tag check.
std::uint8_t* in_place_buffer(const std::uint8_t* in, std::uint8_t* out, std::int32_t size, std::uint8_t& none) noexcept {
    if (size == 0) return &none;
    if (in != out) std::memmove(out, in, static_cast<std::size_t>(size));
    return out;
}

}  // namespace

bool fill_random(std::uint8_t* out, std::size_t size) noexcept {
    while (size > 0) {
        const ULONG chunk = size > 0x10000000u ? 0x10000000u : static_cast<ULONG>(size);
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return false;
        out += chunk;
        size -= chunk;
    }
    return true;
}

void secure_zero(void* p, std::size_t size) noexcept { SecureZeroMemory(p, size); }

int sha256_digest(const void* data, std::size_t size, std::uint8_t* out) noexcept {
    const TProvider provider = open_provider(BCRYPT_SHA256_ALGORITHM, 0);
    if (!provider) return -1;
    BCRYPT_HASH_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(provider.get(), &handle, nullptr, 0, nullptr, 0, 0))) return -2;
    const THash hash(handle);
    if (size > 0xFFFFFFFFu ||
        !BCRYPT_SUCCESS(BCryptHashData(hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)), static_cast<ULONG>(size), 0)) ||
        !BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), out, static_cast<ULONG>(kDigestSize), 0)))
        return -2;
    return 0;
}

int derive_key(const std::uint8_t* machineKey, const std::uint8_t* salt, std::uint8_t* out) noexcept {
    const TProvider provider = open_provider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (!provider) return -1;
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(provider.get(), const_cast<PUCHAR>(machineKey), static_cast<ULONG>(kKeySize),
                                                  const_cast<PUCHAR>(salt), static_cast<ULONG>(kSaltSize), kPbkdf2Iterations,
                                                  out, static_cast<ULONG>(kKeySize), 0);
    return BCRYPT_SUCCESS(status) ? 0 : -2;
}

int aes_gcm_encrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    std::uint8_t* out, std::uint8_t* tag) noexcept {
    if (size < 0) return -3;
    TProvider provider;
    TKey keyObject;
    if (const int status = open_gcm_key(key, provider, keyObject); status != 0) return status;
    std::uint8_t none = 0;
    std::uint8_t* data = in_place_buffer(in, out, size, none);
    std::uint8_t computed[kTagSize] = {};
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = auth_info(nonce, computed);
    ULONG written = 0;
    const NTSTATUS status = BCryptEncrypt(keyObject.get(), data, static_cast<ULONG>(size), &info, nullptr, 0, data,
                                          static_cast<ULONG>(size), &written, 0);
    if (!BCRYPT_SUCCESS(status) || written != static_cast<ULONG>(size)) {
        // Working in place, a failure would leave the plaintext in the output.
        SecureZeroMemory(data, static_cast<std::size_t>(size));
        return -3;
    }
    std::memcpy(tag, computed, kTagSize);
    return 0;
}

int aes_gcm_decrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    const std::uint8_t* tag, std::uint8_t* out) noexcept {
    if (size < 0) return -3;
    TProvider provider;
    TKey keyObject;
    if (const int status = open_gcm_key(key, provider, keyObject); status != 0) return status;
    std::uint8_t none = 0;
    std::uint8_t* data = in_place_buffer(in, out, size, none);
    std::uint8_t expected[kTagSize];
    std::memcpy(expected, tag, kTagSize);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = auth_info(nonce, expected);
    ULONG written = 0;
    const NTSTATUS status = BCryptDecrypt(keyObject.get(), data, static_cast<ULONG>(size), &info, nullptr, 0, data,
                                          static_cast<ULONG>(size), &written, 0);
    if (!BCRYPT_SUCCESS(status) || written != static_cast<ULONG>(size)) {
        // Nothing unauthenticated may stay behind after a failed tag check.
        SecureZeroMemory(data, static_cast<std::size_t>(size));
        return -3;
    }
    return 0;
}

}  // namespace nimbral::crypto
