// Fixed-size buffer for key material that is wiped when it goes out of scope,
// on every return path.
#pragma once

#include "Backend.h"

#include <cstddef>
#include <cstdint>

namespace nimbral::crypto {

template <std::size_t N>
struct TSecret {
    std::uint8_t Bytes[N] = {};

    TSecret() = default;
    TSecret(const TSecret&) = delete;
    TSecret& operator=(const TSecret&) = delete;
    ~TSecret() { secure_zero(Bytes, N); }
};

}  // namespace nimbral::crypto
