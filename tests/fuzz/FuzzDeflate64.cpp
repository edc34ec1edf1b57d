// The Deflate64 decoder on arbitrary bytes: it may raise EDeflate64Error, but
// must not crash, read or write out of bounds, or loop without end.

#include "update/Deflate64.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    std::size_t at = 0;
    std::uint64_t seen = 0;
    try {
        const std::uint64_t produced = nimbral::InflateDeflate64(
            [&](std::uint8_t* Buf, std::size_t Want) {
                // Small, uneven pieces exercise the refill paths.
                const std::size_t n = std::min({Want, Size - at, std::size_t{1} + at % 7});
                std::memcpy(Buf, Data + at, n);
                at += n;
                return n;
            },
            [&](const std::uint8_t*, std::size_t N) { seen += N; }, 8u << 20);
        if (produced != seen)
            __builtin_trap();
    } catch (const nimbral::EDeflate64Error&) {
    }
    return 0;
}
