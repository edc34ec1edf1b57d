// The container layer with its machine identity and random bytes supplied by
// the test: a fixed machine gives a container byte-identical to one built with
// OpenSSL in the test, another machine cannot open it, and a failing random
// source never yields a container.
#include "Container.h"
#include "ReferenceContainer.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nimbral::crypto::test {
namespace {

const std::string kGuid = "c0ffee00-1234-4abc-9def-00112233aabb";

void machine_a(TMachineIdentityParts& parts) noexcept {
    parts = {};
    std::memcpy(parts.Guid, kGuid.data(), kGuid.size());
    parts.Serial = 0x1234ABCD;
}

// The same installation after its system volume was re-created.
void machine_b(TMachineIdentityParts& parts) noexcept {
    machine_a(parts);
    parts.Serial = 0x1234ABCE;
}

bool counting_bytes(std::uint8_t* out, std::size_t size) noexcept {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(0xA0 + i);
    return true;
}

thread_local int tRandomCallsLeft = 0;
bool failing_random(std::uint8_t* out, std::size_t size) noexcept {
    if (tRandomCallsLeft-- <= 0) return false;
    return counting_bytes(out, size);
}

TBytes seal_with(const TCryptoSources& sources, const TBytes& data) {
    TBytes container(data.size() + kOverhead);
    std::int32_t capacity = static_cast<std::int32_t>(container.size());
    EXPECT_EQ(seal_buffer(sources, data.data(), static_cast<std::int32_t>(data.size()), container.data(), &capacity),
              0);
    return container;
}

TEST(CryptoSources, AFixedMachineAndRandomSourceGiveTheReferenceContainer) {
    TTempFolder folder;
    const TCryptoSources fixed{machine_a, counting_bytes};
    const TBytes plaintext = pattern_bytes(77, 9);
    TBytes salt(16);
    TBytes nonce(12);
    counting_bytes(salt.data(), salt.size());
    counting_bytes(nonce.data(), nonce.size());
    const TBytes expected = reference_seal(kGuid + "1234ABCDVostrel-k4", salt, nonce, plaintext);

    EXPECT_EQ(seal_with(fixed, plaintext), expected);
    const auto path = folder / "fixed";
    ASSERT_EQ(seal_file(fixed, path.string().c_str(), plaintext.data(), 77), 0);
    EXPECT_EQ(read_file(path), expected);

    TBytes opened(77);
    std::int32_t size = 77;
    ASSERT_EQ(open_buffer(fixed, expected.data(), static_cast<std::int32_t>(expected.size()), opened.data(), &size), 0);
    EXPECT_EQ(opened, plaintext);
}

TEST(CryptoSources, AnotherMachineCannotOpen) {
    TTempFolder folder;
    const TCryptoSources a{machine_a, kSystemSources.FillRandom};
    const TCryptoSources b{machine_b, kSystemSources.FillRandom};
    const TBytes plaintext = pattern_bytes(300);
    const TBytes container = seal_with(a, plaintext);
    const auto path = folder / "sealed-on-a";
    ASSERT_EQ(seal_file(a, path.string().c_str(), plaintext.data(), 300), 0);

    TBytes out(300);
    std::int32_t size = 300;
    EXPECT_EQ(open_buffer(b, container.data(), static_cast<std::int32_t>(container.size()), out.data(), &size), -7);
    std::uint8_t* data = nullptr;
    std::int32_t dataSize = 0;
    EXPECT_EQ(open_file(b, path.string().c_str(), &data, &dataSize), -10);
    EXPECT_EQ(data, nullptr);

    EXPECT_EQ(open_buffer(a, container.data(), static_cast<std::int32_t>(container.size()), out.data(), &size), 0);
    EXPECT_EQ(out, plaintext);
    ASSERT_EQ(open_file(a, path.string().c_str(), &data, &dataSize), 0);
    EXPECT_EQ(TBytes(data, data + dataSize), plaintext);
    std::free(data);
}

TEST(CryptoSources, AFailingRandomSourceNeverYieldsAContainer) {
    TTempFolder folder;
    const TCryptoSources failing{machine_a, failing_random};
    const TBytes plaintext = pattern_bytes(40);
    for (const int callsBeforeFailure : {0, 1}) {
        SCOPED_TRACE(callsBeforeFailure == 0 ? "salt fails" : "nonce fails");
        TBytes out(100, 0x5A);
        std::int32_t capacity = 100;
        tRandomCallsLeft = callsBeforeFailure;
        EXPECT_EQ(seal_buffer(failing, plaintext.data(), 40, out.data(), &capacity), -6);
        EXPECT_EQ(capacity, 100);
        EXPECT_EQ(out, TBytes(100, 0x5A));

        const auto path = folder / "never";
        tRandomCallsLeft = callsBeforeFailure;
        EXPECT_EQ(seal_file(failing, path.string().c_str(), plaintext.data(), 40), -7);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
}  // namespace nimbral::crypto::test
