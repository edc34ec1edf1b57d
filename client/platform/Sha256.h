#pragma once
// Incremental SHA-256 (FIPS 180-4) on the system's cryptography: OpenSSL's
// libcrypto on Linux (it uses the CPU's SHA instructions), CNG on Windows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace nimbral::platform {

class TSha256 {
public:
    TSha256();  // raises std::runtime_error when the system cannot hash
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Update(const void* Data, std::size_t Size);
    // The digest of everything fed so far; the object is spent afterwards.
    std::array<std::uint8_t, 32> Final();

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

}  // namespace nimbral::platform
