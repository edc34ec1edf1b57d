#pragma once
// A decoder for Deflate64 ("enhanced deflate", ZIP method 9), which no
// packaged library reads. It is deflate (RFC 1951) with a 64 KiB window,
// distance codes 30 and 31 (up to 65536 back) and length code 285 carrying
// 16 extra bits (lengths 3 to 65538).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace nimbral {

class EDeflate64Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills Buf with up to Size bytes of compressed input; 0 means the input ended.
using TByteSource = std::function<std::size_t(std::uint8_t* Buf, std::size_t Size)>;
// Receives decoded output in order, in chunks of up to about 128 KiB.
using TByteSink = std::function<void(const std::uint8_t* Data, std::size_t Size)>;

// Decodes one Deflate64 stream up to its final block and returns the number of
// bytes produced. Raises EDeflate64Error on malformed or truncated input and
// when the output would exceed MaxOutput. Bytes after the final block are not
// read further.
std::uint64_t InflateDeflate64(const TByteSource& Source, const TByteSink& Sink,
                               std::uint64_t MaxOutput);

}  // namespace nimbral
