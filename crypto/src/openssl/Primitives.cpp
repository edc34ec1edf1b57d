// OpenSSL 3 implementation of the primitives. Every call fetches and frees its
// own algorithm and context objects: nothing is shared between calls or
// threads, which is what keeps the library free of global state.
#include "../Backend.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace nimbral::crypto {
namespace {

struct TOpenSslFree {
    void operator()(EVP_MD* p) const noexcept { EVP_MD_free(p); }
    void operator()(EVP_MD_CTX* p) const noexcept { EVP_MD_CTX_free(p); }
    void operator()(EVP_CIPHER* p) const noexcept { EVP_CIPHER_free(p); }
    void operator()(EVP_CIPHER_CTX* p) const noexcept { EVP_CIPHER_CTX_free(p); }
};
template <typename T>
using TOwned = std::unique_ptr<T, TOpenSslFree>;

TOwned<EVP_MD> fetch_sha256() noexcept { return TOwned<EVP_MD>(EVP_MD_fetch(nullptr, "SHA256", nullptr)); }

TOwned<EVP_CIPHER> fetch_aes_gcm() noexcept {
    return TOwned<EVP_CIPHER>(EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr));
}

}  // namespace

bool fill_random(std::uint8_t* out, std::size_t size) noexcept {
    return RAND_bytes(out, static_cast<int>(size)) == 1;
}

void secure_zero(void* p, std::size_t size) noexcept { OPENSSL_cleanse(p, size); }

int sha256_digest(const void* data, std::size_t size, std::uint8_t* out) noexcept {
    const TOwned<EVP_MD> md = fetch_sha256();
    if (!md) return -1;
    const TOwned<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
    if (!ctx) return -2;
    unsigned int written = 0;
    if (EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr) != 1 || EVP_DigestUpdate(ctx.get(), data, size) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), out, &written) != 1 || written != kDigestSize)
        return -2;
    return 0;
}

int derive_key(const std::uint8_t* machineKey, const std::uint8_t* salt, std::uint8_t* out) noexcept {
    const TOwned<EVP_MD> md = fetch_sha256();
    if (!md) return -1;
    const int ok = PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(machineKey), static_cast<int>(kKeySize), salt,
                                     static_cast<int>(kSaltSize), static_cast<int>(kPbkdf2Iterations), md.get(),
                                     static_cast<int>(kKeySize), out);
    return ok == 1 ? 0 : -2;
}

int aes_gcm_encrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    std::uint8_t* out, std::uint8_t* tag) noexcept {
    const TOwned<EVP_CIPHER> cipher = fetch_aes_gcm();
    if (!cipher) return -1;
    const TOwned<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_EncryptInit_ex2(ctx.get(), cipher.get(), key, nonce, nullptr) != 1) return -2;
    int written = 0;
    int finalWritten = 0;
    if (size < 0 || EVP_EncryptUpdate(ctx.get(), out, &written, in, size) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), out + written, &finalWritten) != 1 || written + finalWritten != size ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag) != 1)
        return -3;
    return 0;
}

int aes_gcm_decrypt(const std::uint8_t* key, const std::uint8_t* nonce, const std::uint8_t* in, std::int32_t size,
                    const std::uint8_t* tag, std::uint8_t* out) noexcept {
    const TOwned<EVP_CIPHER> cipher = fetch_aes_gcm();
    if (!cipher) return -1;
    const TOwned<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_DecryptInit_ex2(ctx.get(), cipher.get(), key, nonce, nullptr) != 1) return -2;
    // OpenSSL only reads the expected tag, but its control interface is not const.
    std::uint8_t expected[kTagSize];
    for (std::size_t i = 0; i < kTagSize; ++i) expected[i] = tag[i];
    int written = 0;
    int finalWritten = 0;
    if (size < 0) return -3;
    if (EVP_DecryptUpdate(ctx.get(), out, &written, in, size) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), expected) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), out + written, &finalWritten) != 1 || written + finalWritten != size) {
        // The plaintext is written before the tag is checked: nothing
        // unauthenticated may stay behind.
        OPENSSL_cleanse(out, static_cast<std::size_t>(size));
        return -3;
    }
    return 0;
}

}  // namespace nimbral::crypto
