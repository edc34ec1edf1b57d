// Hand-made Deflate64 streams for what an encoder rarely shows on demand:
// length code 285 with its 16 extra bits, distance codes 30 and 31, and the
// ways a stream can be broken. Whole archives made by 7z are unpacked in
// ExtractZipToolsTest.

#include "update/Deflate64.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace nimbral {
namespace {

class TBitWriter {
public:
    void Put(std::uint32_t Value, int Bits) {
        for (int i = 0; i < Bits; ++i)
            PutBit((Value >> i) & 1);
    }
    // Huffman codes go most significant bit first.
    void PutCode(std::uint32_t Code, int Bits) {
        for (int i = Bits - 1; i >= 0; --i)
            PutBit((Code >> i) & 1);
    }
    void FixedSymbol(int Sym) {
        if (Sym < 144)
            PutCode(0x30 + Sym, 8);
        else if (Sym < 256)
            PutCode(0x190 + Sym - 144, 9);
        else if (Sym < 280)
            PutCode(Sym - 256, 7);
        else
            PutCode(0xC0 + Sym - 280, 8);
    }
    void AlignAndAppend(const std::string& Bytes) {
        FBit = 0;
        FBytes.insert(FBytes.end(), Bytes.begin(), Bytes.end());
    }
    std::string Bytes() const { return std::string(FBytes.begin(), FBytes.end()); }

private:
    void PutBit(std::uint32_t B) {
        if (FBit == 0)
            FBytes.push_back(0);
        FBytes.back() = static_cast<char>(FBytes.back() | (B << FBit));
        FBit = (FBit + 1) & 7;
    }
    std::vector<char> FBytes;
    int FBit = 0;
};

std::string Inflate(const std::string& In, std::size_t SourceChunk = 1 << 20,
                    std::uint64_t Max = std::numeric_limits<std::uint64_t>::max()) {
    std::size_t at = 0;
    std::string out;
    const std::uint64_t n = InflateDeflate64(
        [&](std::uint8_t* Buf, std::size_t Size) {
            const std::size_t k = std::min({Size, SourceChunk, In.size() - at});
            std::memcpy(Buf, In.data() + at, k);
            at += k;
            return k;
        },
        [&](const std::uint8_t* Data, std::size_t Size) {
            out.append(reinterpret_cast<const char*>(Data), Size);
        },
        Max);
    EXPECT_EQ(n, out.size());
    return out;
}

// 'a', then a match of 3 + 1000 bytes at distance 1 through length code 285.
std::string LongMatchStream() {
    TBitWriter w;
    w.Put(1, 1);  // final
    w.Put(1, 2);  // fixed codes
    w.FixedSymbol('a');
    w.FixedSymbol(285);
    w.Put(1000, 16);
    w.Put(0, 5);  // distance code 0: 1 back
    w.FixedSymbol(256);
    return w.Bytes();
}

// A stored block of Prefix, then a 3-byte match at the given distance code
// with zero extra bits.
std::string FarMatchStream(const std::string& Prefix, int DistCode) {
    TBitWriter w;
    w.Put(0, 1);
    w.Put(0, 2);  // stored
    const auto len = static_cast<std::uint32_t>(Prefix.size());
    std::string header;
    for (const std::uint32_t v : {len, len ^ 0xFFFFu}) {
        header += static_cast<char>(v & 0xFF);
        header += static_cast<char>((v >> 8) & 0xFF);
    }
    w.AlignAndAppend(header + Prefix);
    w.Put(1, 1);
    w.Put(1, 2);
    w.FixedSymbol(257);  // length 3
    w.PutCode(static_cast<std::uint32_t>(DistCode), 5);
    w.Put(0, 14);
    w.FixedSymbol(256);
    return w.Bytes();
}

TEST(Deflate64, LengthCode285CarriesSixteenExtraBits) {
    EXPECT_EQ(Inflate(LongMatchStream()), std::string(1004, 'a'));
}

TEST(Deflate64, DistanceCode30ReachesPast32KiB) {
    const std::string prefix = test::RandomBytes(40000, 7);
    const std::string expected = prefix + prefix.substr(40000 - 32769, 3);
    EXPECT_TRUE(Inflate(FarMatchStream(prefix, 30)) == expected);
    // The same stream fed one byte at a time.
    EXPECT_TRUE(Inflate(FarMatchStream(prefix, 30), 1) == expected);
}

TEST(Deflate64, BrokenStreamsRaise) {
    const std::string prefix = test::RandomBytes(40000, 7);
    std::string truncated = LongMatchStream();
    truncated.pop_back();
    std::string stored = FarMatchStream(prefix, 30);
    stored[4] ^= 0x01;  // LEN no longer matches NLEN
    const std::string cases[] = {
        "",
        truncated,
        FarMatchStream(prefix, 31),                   // 49153 back, only 40000 written
        FarMatchStream(prefix, 30).substr(0, 20000),  // ends inside the stored block
        stored,
        std::string("\x07", 1),  // reserved block type
        std::string(64, '\0'),   // a stored block whose length check fails
    };
    for (const auto& c : cases)
        EXPECT_THROW(Inflate(c), EDeflate64Error) << c.size() << " bytes";
}

TEST(Deflate64, OutputBeyondTheLimitRaises) {
    EXPECT_THROW(Inflate(LongMatchStream(), 1 << 20, 1003), EDeflate64Error);
    EXPECT_EQ(Inflate(LongMatchStream(), 1 << 20, 1004).size(), 1004u);
}

}  // namespace
}  // namespace nimbral
