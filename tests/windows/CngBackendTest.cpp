// The CNG backend below the container layer: a published AES-256-GCM answer,
// in-place decryption that leaves nothing behind on a bad tag, and paths read
// as fopen reads them.
#include "Backend.h"
#include "Container.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>

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

// fopen reads a narrow path in the ANSI code page; the clean-up after a
// failed write must find the file by the same reading, or a partial
// container with a name outside ASCII would stay behind.
TEST(CngBackend, APartialFileIsFoundByTheNameFopenGaveIt)
{
    const std::wstring name = L"\u20AC-partial.nbsc";  // "€": one byte or two, never Latin-1's U+0080
    char narrow[64] = {};
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, narrow, sizeof narrow, nullptr, &lossy) <= 0 ||
        lossy) {
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no euro sign";
    }
    std::FILE* file = std::fopen(narrow, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("part of a container", file);
    std::fclose(file);
    ASSERT_TRUE(std::filesystem::exists(name));

    EXPECT_EQ(file_path(narrow), std::filesystem::path(name));
    remove_partial_file(narrow);
    EXPECT_FALSE(std::filesystem::exists(name));
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

}  // namespace
}  // namespace nimbral::crypto
