// The container built and opened again with OpenSSL's own calls, written out
// step by step so the tests have an answer that does not come from the library.
#pragma once

#include "Bytes.h"

#include <openssl/evp.h>

#include <optional>
#include <string>

namespace nimbral::crypto::test {

inline TBytes reference_sha256(const std::string& text) {
    TBytes digest(32);
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

inline TBytes reference_container_key(const TBytes& machineKey, const TBytes& salt) {
    TBytes key(32);
    PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(machineKey.data()), 32, salt.data(), 16, 100000, EVP_sha256(),
                      32, key.data());
    return key;
}

inline TBytes reference_seal(const std::string& identity, const TBytes& salt, const TBytes& nonce,
                             const TBytes& plaintext) {
    const TBytes key = reference_container_key(reference_sha256(identity), salt);
    TBytes container{'N', 'B', 'S', 'C', 1};
    container.insert(container.end(), salt.begin(), salt.end());
    container.insert(container.end(), nonce.begin(), nonce.end());
    TBytes ciphertext(plaintext.size());
    TBytes tag(16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int length = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), nonce.data());
    EVP_EncryptUpdate(ctx, ciphertext.data(), &length, plaintext.data(), static_cast<int>(plaintext.size()));
    EVP_EncryptFinal_ex(ctx, ciphertext.data() + length, &length);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag.data());
    EVP_CIPHER_CTX_free(ctx);
    container.insert(container.end(), ciphertext.begin(), ciphertext.end());
    container.insert(container.end(), tag.begin(), tag.end());
    return container;
}

// The plaintext, or nothing when the tag does not match.
inline std::optional<TBytes> reference_open(const std::string& identity, const TBytes& container) {
    const TBytes salt(container.begin() + 5, container.begin() + 21);
    const TBytes key = reference_container_key(reference_sha256(identity), salt);
    TBytes tag(container.end() - 16, container.end());
    TBytes plaintext(container.size() - 49);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int length = 0;
    EVP_DecryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), container.data() + 21);
    EVP_DecryptUpdate(ctx, plaintext.data(), &length, container.data() + 33, static_cast<int>(plaintext.size()));
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag.data());
    const bool matched = EVP_DecryptFinal_ex(ctx, plaintext.data() + length, &length) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!matched) return std::nullopt;
    return plaintext;
}

}  // namespace nimbral::crypto::test
