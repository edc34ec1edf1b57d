// This machine's identity read by the test itself, and containers that the
// library and OpenSSL calls in the test must both agree on.
#include "ReferenceContainer.h"
#include "nimbral_crypto.h"

#include <gtest/gtest.h>
#include <openssl/rand.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace nimbral::crypto::test {
namespace {

std::string first_line(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string this_machine_identity() {
    std::string id = first_line("/etc/machine-id");
    if (id.empty()) id = first_line("/var/lib/dbus/machine-id");
    struct statvfs root {};
    unsigned serial = 0;
    if (statvfs("/", &root) == 0) serial = static_cast<unsigned>(root.f_fsid & 0xFFFFFFFFu);
    char middle[9];
    std::snprintf(middle, sizeof middle, "%08X", serial);
    return id + middle + "Vostrel-k4";
}

TEST(CryptoLinuxKnownAnswer, DeriveKeyIsTheSha256OfThisMachinesIdentity) {
    TBytes key(32);
    ASSERT_EQ(Nimbral_DeriveKey(key.data(), 32), 0);
    EXPECT_EQ(key, reference_sha256(this_machine_identity()));
}

TEST(CryptoLinuxKnownAnswer, LibraryAndOpenSslOpenEachOthersContainers) {
    const std::string identity = this_machine_identity();
    const TBytes plaintext = pattern_bytes(1234, 7);

    TBytes salt(16);
    TBytes nonce(12);
    ASSERT_EQ(RAND_bytes(salt.data(), 16), 1);
    ASSERT_EQ(RAND_bytes(nonce.data(), 12), 1);
    const TBytes byOpenSsl = reference_seal(identity, salt, nonce, plaintext);
    TBytes opened(plaintext.size());
    int size = static_cast<int>(opened.size());
    ASSERT_EQ(Nimbral_DecryptBuffer(byOpenSsl.data(), static_cast<int>(byOpenSsl.size()), opened.data(), &size), 0);
    EXPECT_EQ(opened, plaintext);

    TBytes byLibrary(plaintext.size() + 49);
    int capacity = static_cast<int>(byLibrary.size());
    ASSERT_EQ(Nimbral_EncryptBuffer(plaintext.data(), static_cast<int>(plaintext.size()), byLibrary.data(), &capacity),
              0);
    EXPECT_EQ(reference_open(identity, byLibrary), plaintext);
    EXPECT_FALSE(reference_open(identity + "x", byLibrary).has_value());
}

}  // namespace
}  // namespace nimbral::crypto::test
