// The CNG backend's cipher below the container layer: a published AES-256-GCM
// answer, and in-place decryption that leaves nothing behind on a bad tag.
#include "Backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace nimbral::crypto {
namespace {

// NIST GCM test case 14: zero key, zero nonce, 16 zero bytes.
constexpr std::array<std::uint8_t, 16> kCiphertext = {0xce, 0xa7, 0x40, 0x3d, 0x4d, 0x60, 0x6b, 0x6e,
                                                      0x07, 0x4e, 0xc5, 0xd3, 0xba, 0xf3, 0x9d, 0x18};
constexpr std::array<std::uint8_t, 16> kTag = {0xd0, 0xd1, 0xc8, 0xa7, 0x99, 0x99, 0x6b, 0xf0,
                                               0x26, 0x5b, 0x98, 0xb5, 0xd4, 0x8a, 0xb9, 0x19};

TEST(CngBackend, AesGcmGivesThePublishedAnswerInPlace)
{
    const std::array<std::uint8_t, 32> key{};
    const std::array<std::uint8_t, 12> nonce{};
    std::array<std::uint8_t, 16> data{};
    std::array<std::uint8_t, 16> tag{};
    ASSERT_EQ(aes_gcm_encrypt(key.data(), nonce.data(), data.data(), 16, data.data(), tag.data()), 0);
    EXPECT_EQ(data, kCiphertext);
    EXPECT_EQ(tag, kTag);

    ASSERT_EQ(aes_gcm_decrypt(key.data(), nonce.data(), data.data(), 16, tag.data(), data.data()), 0);
    EXPECT_EQ(data, (std::array<std::uint8_t, 16>{}));
}

TEST(CngBackend, ABadTagLeavesNeitherPlaintextNorCiphertext)
{
    const std::array<std::uint8_t, 32> key{1, 2, 3};
    const std::array<std::uint8_t, 12> nonce{4, 5, 6};
    std::array<std::uint8_t, 16> sealed{};
    sealed.fill(0x41);
    std::array<std::uint8_t, 16> tag{};
    ASSERT_EQ(aes_gcm_encrypt(key.data(), nonce.data(), sealed.data(), 16, sealed.data(), tag.data()), 0);
    tag[15] ^= 1;
    std::array<std::uint8_t, 16> out{};
    out.fill(0x55);
    EXPECT_EQ(aes_gcm_decrypt(key.data(), nonce.data(), sealed.data(), 16, tag.data(), out.data()), -3);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t B) { return B == 0; }));
}

}  // namespace
}  // namespace nimbral::crypto
