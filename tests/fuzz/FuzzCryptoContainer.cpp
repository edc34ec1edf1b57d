// The container's layout and tag checks at full speed: the container layer
// through its sources seam, with a fixed machine and a key derivation that
// costs nothing. Through the exports (fuzz_crypto_decrypt_buffer) every input
// pays 100,000 rounds of PBKDF2 first and only thousands are tried; here
// millions are. Arbitrary input is opened; then the input is sealed, must
// open to itself, and must fail to open with any one byte changed.
#include "Container.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace nimbral::crypto;

namespace {

void fixed_machine(TMachineIdentityParts& parts) noexcept {
    parts = {};
    std::memcpy(parts.Guid, "fuzzing-machine", 15);
    parts.Serial = 0x5EED;
}

bool counting_random(std::uint8_t* out, std::size_t size) noexcept {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 31 + 7);
    return true;
}

// Still a function of both: a changed salt must change the key.
int cheap_key(const std::uint8_t* machineKey, const std::uint8_t* salt, std::uint8_t* out) noexcept {
    for (std::size_t i = 0; i < kKeySize; ++i) out[i] = static_cast<std::uint8_t>(machineKey[i] ^ salt[i % kSaltSize]);
    return 0;
}

constexpr TCryptoSources kCheap{fixed_machine, counting_random, cheap_key};

void open_anything(const std::uint8_t* data, int length) {
    const int needed = length > static_cast<int>(kOverhead) ? length - static_cast<int>(kOverhead) : 0;
    const int capacity = (length % 2 == 0 || needed == 0) ? needed : needed - 1;
    // Exactly the capacity: the address sanitizer sees any write past it.
    std::vector<std::uint8_t> out(static_cast<std::size_t>(capacity > 0 ? capacity : 1));
    int outLength = capacity;
    const int code = open_buffer(kCheap, length == 0 ? nullptr : data, length, out.data(), &outLength);
    if (code < -7 || code > 0) std::abort();
    if ((code == 0 || code == -4) && outLength != needed) std::abort();
    if (code != 0 && code != -4 && outLength != capacity) std::abort();
}

void seal_and_tamper(const std::uint8_t* data, int length) {
    std::vector<std::uint8_t> container(static_cast<std::size_t>(length) + kOverhead);
    int size = static_cast<int>(container.size());
    if (seal_buffer(kCheap, data, length, container.data(), &size) != 0 || size != static_cast<int>(container.size()))
        std::abort();
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(length));
    int plainLength = length;
    if (open_buffer(kCheap, container.data(), size, plain.data(), &plainLength) != 0 || plainLength != length ||
        std::memcmp(plain.data(), data, static_cast<std::size_t>(length)) != 0)
        std::abort();

    const std::size_t at = (static_cast<std::size_t>(data[0]) * 7919u + static_cast<std::size_t>(length)) % container.size();
    container[at] ^= static_cast<std::uint8_t>(1u << (data[length - 1] % 8));
    const int code = open_buffer(kCheap, container.data(), size, plain.data(), &plainLength);
    const int expected = at < 4 ? -2 : at == 4 ? -3 : -7;
    if (code != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    const int length = static_cast<int>(size);
    open_anything(data, length);
    if (length > 0) seal_and_tamper(data, length);
    return 0;
}
