// The machine identity string from supplied parts, and the machine and
// container keys checked against answers computed with OpenSSL in the test.
#include "Backend.h"
#include "MachineKey.h"
#include "ReferenceContainer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nimbral::crypto::test {
namespace {

TMachineIdentityParts parts_of(const std::string& guid, std::uint32_t serial) {
    TMachineIdentityParts parts;
    std::strncpy(parts.Guid, guid.c_str(), sizeof parts.Guid - 1);
    parts.Serial = serial;
    return parts;
}

std::string identity_of(const TMachineIdentityParts& parts) {
    char text[kMaxIdentityLength + 1];
    const std::size_t length = format_machine_identity(parts, text);
    return std::string(text, length);
}

TEST(CryptoIdentity, StringFromSuppliedParts) {
    const std::string guid = "6f2c1b0e-9a47-4d3e-8b55-0c1d2e3f4a5b";
    ASSERT_EQ(guid.size(), 36u);
    const std::string longest(255, 'g');
    struct TCase {
        std::string Guid;
        std::uint32_t Serial;
        std::string Expected;
    };
    const TCase cases[] = {
        {guid, 11259375u, guid + "00ABCDEFVostrel-k4"},
        {"", 0u, "00000000Vostrel-k4"},
        {guid, 0u, guid + "00000000Vostrel-k4"},
        {"", 3735928559u, "DEADBEEFVostrel-k4"},
        {"x", 0xFFFFFFFFu, "xFFFFFFFFVostrel-k4"},
        {longest, 1u, longest + "00000001Vostrel-k4"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(identity_of(parts_of(c.Guid, c.Serial)), c.Expected);
    }
    EXPECT_EQ(identity_of(parts_of(longest, 1u)).size(), 273u);
}

TEST(CryptoIdentity, MachineKeyIsTheSha256OfTheIdentityString) {
    const std::string guid = "6f2c1b0e-9a47-4d3e-8b55-0c1d2e3f4a5b";
    for (const auto& parts : {parts_of("", 0), parts_of(guid, 11259375u), parts_of(guid, 11259376u)}) {
        const std::string identity = identity_of(parts);
        SCOPED_TRACE(identity);
        TBytes key(32);
        ASSERT_EQ(machine_key_from_parts(parts, key.data()), 0);
        EXPECT_EQ(key, reference_sha256(identity));
    }
}

TEST(CryptoIdentity, ContainerKeyIsPbkdf2OfTheMachineKey) {
    const TBytes machineKey = reference_sha256("00000000Vostrel-k4");
    const TBytes saltA = pattern_bytes(16, 1);
    const TBytes saltB = pattern_bytes(16, 2);
    TBytes keyA(32);
    TBytes keyB(32);
    TBytes keyAgain(32);
    ASSERT_EQ(derive_key(machineKey.data(), saltA.data(), keyA.data()), 0);
    ASSERT_EQ(derive_key(machineKey.data(), saltB.data(), keyB.data()), 0);
    ASSERT_EQ(derive_key(machineKey.data(), saltA.data(), keyAgain.data()), 0);
    EXPECT_EQ(keyA, reference_container_key(machineKey, saltA));
    EXPECT_EQ(keyB, reference_container_key(machineKey, saltB));
    EXPECT_EQ(keyA, keyAgain);
    EXPECT_NE(keyA, keyB);
}

TEST(CryptoCipher, GcmMatchesOpenSslAndChecksTheTag) {
    const TBytes key = pattern_bytes(32, 3);
    const TBytes nonce = pattern_bytes(12, 4);
    const TBytes plaintext = pattern_bytes(1000, 5);
    TBytes ciphertext(plaintext.size());
    TBytes tag(16);
    ASSERT_EQ(aes_gcm_encrypt(key.data(), nonce.data(), plaintext.data(), 1000, ciphertext.data(), tag.data()), 0);

    // Reference: the same key and nonce through EVP in this test.
    TBytes expected(plaintext.size());
    TBytes expectedTag(16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int length = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), nonce.data());
    EVP_EncryptUpdate(ctx, expected.data(), &length, plaintext.data(), 1000);
    EVP_EncryptFinal_ex(ctx, expected.data() + length, &length);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, expectedTag.data());
    EVP_CIPHER_CTX_free(ctx);
    EXPECT_EQ(ciphertext, expected);
    EXPECT_EQ(tag, expectedTag);

    TBytes opened(1000);
    EXPECT_EQ(aes_gcm_decrypt(key.data(), nonce.data(), ciphertext.data(), 1000, tag.data(), opened.data()), 0);
    EXPECT_EQ(opened, plaintext);
    tag[15] ^= 1;
    TBytes rejected(1000, 0x5A);
    EXPECT_EQ(aes_gcm_decrypt(key.data(), nonce.data(), ciphertext.data(), 1000, tag.data(), rejected.data()), -3);
    // Plaintext that failed its tag check does not stay behind in the output
    // (a failed file open frees that buffer without looking at it).
    EXPECT_EQ(rejected, TBytes(1000, 0));
}

}  // namespace
}  // namespace nimbral::crypto::test
