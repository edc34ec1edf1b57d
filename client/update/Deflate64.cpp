// Deflate64 decoder. Huffman codes are decoded LSB-first through a 10-bit
// lookup table, with longer codes resolved by the canonical-code comparison
// (codes of one length are consecutive). Output goes to one buffer holding the
// 64 KiB window followed by up to 128 KiB of fresh output; when the fresh part
// is full it is handed to the sink and the last 64 KiB move to the front.

#include "update/Deflate64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace nimbral {

namespace {

constexpr int kFastBits = 10;
constexpr std::size_t kWindow = 65536;
constexpr std::size_t kChunk = 128 * 1024;  // handed out while still in the CPU cache
constexpr std::size_t kMaxMatch = 65538;
constexpr std::size_t kInputSize = 1 << 16;
constexpr int kMaxLitLen = 288;
constexpr int kMaxDist = 32;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                           15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::uint32_t kDistBase[32] = {1,    2,    3,    4,     5,     7,     9,     13,
                                         17,   25,   33,   49,    65,    97,    129,   193,
                                         257,  385,  513,  769,   1025,  1537,  2049,  3073,
                                         4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                         7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void Fail(const char* What) {
    throw EDeflate64Error(std::string("Deflate64 data is damaged: ") + What);
}

int ReverseBits(int Code, int Bits) {
    int r = 0;
    for (int i = 0; i < Bits; ++i, Code >>= 1)
        r = (r << 1) | (Code & 1);
    return r;
}

struct THuffman {
    std::array<std::uint16_t, 1 << kFastBits> Fast{};  // (length << 9) | symbol; 0: not here
    std::array<int, 17> MaxCode{};                      // first code past length i, shifted to 16 bits
    std::array<std::uint16_t, 16> FirstCode{};
    std::array<std::uint16_t, 16> FirstSymbol{};
    std::array<std::uint8_t, kMaxLitLen> Size{};
    std::array<std::uint16_t, kMaxLitLen> Value{};

    void Build(const std::uint8_t* Lengths, int Count) {
        std::array<int, 17> sizes{};
        std::array<int, 16> next{};
        Fast.fill(0);
        Size.fill(0);
        for (int i = 0; i < Count; ++i)
            ++sizes[Lengths[i]];
        sizes[0] = 0;
        int code = 0;
        int k = 0;
        for (int i = 1; i < 16; ++i) {
            next[i] = code;
            FirstCode[i] = static_cast<std::uint16_t>(code);
            FirstSymbol[i] = static_cast<std::uint16_t>(k);
            code += sizes[i];
            if (sizes[i] != 0 && code - 1 >= (1 << i))
                Fail("over-subscribed Huffman code");
            MaxCode[i] = code << (16 - i);
            code <<= 1;
            k += sizes[i];
        }
        MaxCode[16] = 0x10000;
        for (int i = 0; i < Count; ++i) {
            const int s = Lengths[i];
            if (s == 0)
                continue;
            const int c = next[s] - FirstCode[s] + FirstSymbol[s];
            Size[c] = static_cast<std::uint8_t>(s);
            Value[c] = static_cast<std::uint16_t>(i);
            if (s <= kFastBits) {
                const auto entry = static_cast<std::uint16_t>((s << 9) | i);
                for (int j = ReverseBits(next[s], s); j < (1 << kFastBits); j += 1 << s)
                    Fast[j] = entry;
            }
            ++next[s];
        }
    }
};

class TInflater {
public:
    TInflater(const TByteSource& Source, const TByteSink& Sink, std::uint64_t MaxOutput)
        : FSource(Source), FSink(Sink), FMaxOutput(MaxOutput),
          FOut(std::make_unique_for_overwrite<std::uint8_t[]>(kWindow + kChunk + kMaxMatch)),
          FIn(std::make_unique_for_overwrite<std::uint8_t[]>(kInputSize)) {}

    std::uint64_t Run() {
        bool last = false;
        while (!last) {
            last = Bits(1) != 0;
            switch (Bits(2)) {
                case 0: StoredBlock(); break;
                case 1: FixedTables(); CodedBlock(); break;
                case 2: DynamicTables(); CodedBlock(); break;
                default: Fail("reserved block type");
            }
        }
        // The stream may end inside the zero bytes that stand in for input
        // past its end only by less than one byte of real padding.
        if (FPadding * 8 > static_cast<std::uint64_t>(FBitCount))
            Fail("the data ends inside the stream");
        Flush();
        return FTotal;
    }

private:
    const TByteSource& FSource;
    const TByteSink& FSink;
    const std::uint64_t FMaxOutput;
    std::unique_ptr<std::uint8_t[]> FOut;  // not cleared: only what was written is read
    std::size_t FPos = 0;      // next output byte in FOut
    std::size_t FFlushed = 0;  // FOut[0, FFlushed) went to the sink already
    std::uint64_t FTotal = 0;  // bytes produced so far

    std::unique_ptr<std::uint8_t[]> FIn;
    const std::uint8_t* FNext = nullptr;
    const std::uint8_t* FEnd = nullptr;
    bool FEof = false;
    std::uint64_t FPadding = 0;  // zero bytes fed in past the end of the input

    std::uint64_t FBitBuf = 0;
    int FBitCount = 0;

    THuffman FLitLen;
    THuffman FDist;

    bool FillInput() {
        if (FEof)
            return false;
        const std::size_t got = FSource(FIn.get(), kInputSize);
        if (got == 0) {
            FEof = true;
            return false;
        }
        FNext = FIn.get();
        FEnd = FNext + std::min(got, kInputSize);
        return true;
    }

    // Keeps at least 57 bits in the buffer.
    void Refill() {
        if (FBitCount > 56)
            return;
        if (FEnd - FNext >= 8) {
            std::uint64_t word;
            std::memcpy(&word, FNext, 8);
            if constexpr (std::endian::native == std::endian::big)
                word = __builtin_bswap64(word);
            FBitBuf |= word << FBitCount;
            FNext += (63 - FBitCount) >> 3;
            FBitCount |= 56;
            return;
        }
        while (FBitCount <= 56) {
            if (FNext == FEnd && !FillInput()) {
                // Past the end: feed zeros, but not so many that a stream
                // decoding forever out of zeros could go unnoticed.
                if (++FPadding > 16)
                    Fail("the data ends inside the stream");
                FBitCount += 8;
                continue;
            }
            FBitBuf |= static_cast<std::uint64_t>(*FNext++) << FBitCount;
            FBitCount += 8;
        }
    }

    std::uint32_t Bits(int N) {
        if (FBitCount < N)
            Refill();
        const auto v = static_cast<std::uint32_t>(FBitBuf & ((std::uint64_t{1} << N) - 1));
        FBitBuf >>= N;
        FBitCount -= N;
        return v;
    }

    int Decode(const THuffman& H) {
        if (FBitCount < 16)
            Refill();
        const int fast = H.Fast[FBitBuf & ((1u << kFastBits) - 1)];
        if (fast != 0) {
            const int len = fast >> 9;
            FBitBuf >>= len;
            FBitCount -= len;
            return fast & 511;
        }
        const int k = ReverseBits(static_cast<int>(FBitBuf & 0xFFFF), 16);
        int s = kFastBits + 1;
        while (k >= H.MaxCode[s])
            ++s;
        if (s >= 16)
            Fail("invalid Huffman code");
        const int b = (k >> (16 - s)) - H.FirstCode[s] + H.FirstSymbol[s];
        if (b < 0 || b >= kMaxLitLen || H.Size[b] != s)
            Fail("invalid Huffman code");
        FBitBuf >>= s;
        FBitCount -= s;
        return H.Value[b];
    }

    void Flush() {
        if (FPos > FFlushed)
            FSink(FOut.get() + FFlushed, FPos - FFlushed);
        FFlushed = FPos;
    }

    // Makes room for one more match or stored block at FPos.
    void EnsureRoom() {
        if (FPos <= kWindow + kChunk)
            return;
        Flush();
        std::memmove(FOut.get(), FOut.get() + FPos - kWindow, kWindow);
        FPos = FFlushed = kWindow;
    }

    void Produced(std::size_t N) {
        FTotal += N;
        if (FTotal > FMaxOutput)
            Fail("more output than the entry holds");
    }

    void StoredBlock() {
        const int drop = FBitCount & 7;
        FBitBuf >>= drop;
        FBitCount -= drop;
        const std::uint32_t len = Bits(16);
        const std::uint32_t nlen = Bits(16);
        if ((len ^ 0xFFFF) != nlen)
            Fail("stored block length check");
        EnsureRoom();
        Produced(len);
        std::uint32_t left = len;
        while (left > 0 && FBitCount >= 8) {
            if (static_cast<std::uint64_t>(FBitCount) <= FPadding * 8)
                Fail("the data ends inside a stored block");
            FOut[FPos++] = static_cast<std::uint8_t>(FBitBuf);
            FBitBuf >>= 8;
            FBitCount -= 8;
            --left;
        }
        if (left == 0)
            return;
        // The bit buffer is empty now; what it held beyond its count are the
        // very bytes read next from the input, so it starts from zero.
        FBitBuf = 0;
        while (left > 0) {
            if (FNext == FEnd && !FillInput())
                Fail("the data ends inside a stored block");
            const auto n = std::min<std::size_t>(left, static_cast<std::size_t>(FEnd - FNext));
            std::memcpy(FOut.get() + FPos, FNext, n);
            FNext += n;
            FPos += n;
            left -= static_cast<std::uint32_t>(n);
        }
    }

    void FixedTables() {
        std::array<std::uint8_t, kMaxLitLen> lit{};
        std::fill(lit.begin(), lit.begin() + 144, 8);
        std::fill(lit.begin() + 144, lit.begin() + 256, 9);
        std::fill(lit.begin() + 256, lit.begin() + 280, 7);
        std::fill(lit.begin() + 280, lit.end(), 8);
        std::array<std::uint8_t, kMaxDist> dist;
        dist.fill(5);
        FLitLen.Build(lit.data(), kMaxLitLen);
        FDist.Build(dist.data(), kMaxDist);
    }

    void DynamicTables() {
        const int hlit = static_cast<int>(Bits(5)) + 257;
        const int hdist = static_cast<int>(Bits(5)) + 1;
        const int hclen = static_cast<int>(Bits(4)) + 4;
        if (hlit > 286)
            Fail("too many length codes");

        std::array<std::uint8_t, 19> clen{};
        for (int i = 0; i < hclen; ++i)
            clen[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Bits(3));
        THuffman lengths;
        lengths.Build(clen.data(), 19);

        std::array<std::uint8_t, kMaxLitLen + kMaxDist> all{};
        int n = 0;
        while (n < hlit + hdist) {
            const int sym = Decode(lengths);
            if (sym < 16) {
                all[n++] = static_cast<std::uint8_t>(sym);
                continue;
            }
            std::uint8_t fill = 0;
            int repeat;
            if (sym == 16) {
                if (n == 0)
                    Fail("repeat without a previous length");
                fill = all[n - 1];
                repeat = 3 + static_cast<int>(Bits(2));
            } else if (sym == 17) {
                repeat = 3 + static_cast<int>(Bits(3));
            } else if (sym == 18) {
                repeat = 11 + static_cast<int>(Bits(7));
            } else {
                Fail("invalid code length code");
            }
            if (n + repeat > hlit + hdist)
                Fail("code lengths overflow");
            std::fill_n(all.begin() + n, repeat, fill);
            n += repeat;
        }
        if (all[256] == 0)
            Fail("no end-of-block code");
        FLitLen.Build(all.data(), hlit);
        FDist.Build(all.data() + hlit, hdist);
    }

    void CodedBlock() {
        std::uint8_t* out = FOut.get();
        for (;;) {
            EnsureRoom();
            Refill();
            const int sym = Decode(FLitLen);
            if (sym < 256) {
                out[FPos++] = static_cast<std::uint8_t>(sym);
                Produced(1);
                continue;
            }
            if (sym == 256)
                return;
            const int li = sym - 257;
            if (li >= 29)
                Fail("invalid length code");
            std::size_t len = kLengthBase[li];
            if (kLengthExtra[li] != 0)
                len += Bits(kLengthExtra[li]);
            Refill();
            const int di = Decode(FDist);
            if (di >= kMaxDist)
                Fail("invalid distance code");
            std::size_t dist = kDistBase[di];
            if (kDistExtra[di] != 0)
                dist += Bits(kDistExtra[di]);
            if (dist > FTotal)
                Fail("distance reaches before the start");
            Produced(len);
            std::uint8_t* dst = out + FPos;
            const std::uint8_t* src = dst - dist;
            if (dist >= len) {
                std::memcpy(dst, src, len);
            } else if (dist == 1) {
                std::memset(dst, *src, len);
            } else {
                for (std::size_t i = 0; i < len; ++i)
                    dst[i] = src[i];
            }
            FPos += len;
        }
    }
};

}  // namespace

std::uint64_t InflateDeflate64(const TByteSource& Source, const TByteSink& Sink,
                               std::uint64_t MaxOutput) {
    return TInflater(Source, Sink, MaxOutput).Run();
}

}  // namespace nimbral
