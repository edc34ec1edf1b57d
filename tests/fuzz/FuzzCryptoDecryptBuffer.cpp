// Nimbral_DecryptBuffer on arbitrary input: every length, every header, and an
// output capacity that is sometimes one byte short. Whatever comes in, the
// call must return one of its codes and write only within the capacity.
#include "nimbral_crypto.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    const int length = static_cast<int>(size);
    const int needed = length > 49 ? length - 49 : 0;
    const int capacity = (size % 2 == 0 || needed == 0) ? needed : needed - 1;
    // Exactly the capacity (one byte at least, so data() is never null): the
    // address sanitizer sees any write past it.
    std::vector<unsigned char> out(static_cast<std::size_t>(capacity > 0 ? capacity : 1));
    int outLength = capacity;
    const int code = Nimbral_DecryptBuffer(size == 0 ? nullptr : data, length, out.data(), &outLength);
    if (code < -7 || code > 0) std::abort();
    if ((code == 0 || code == -4) && outLength != needed) std::abort();
    if (code != 0 && code != -4 && outLength != capacity) std::abort();
    return 0;
}
