// The return-code tables of the six exported functions, driven through the
// public header only so the same file runs against any build of the library.
#include "Bytes.h"
#include "TempFolder.h"
#include "nimbral_crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace nimbral::crypto::test {
namespace {

constexpr int kOverhead = 49;
constexpr int kHeader = 33;

TBytes seal(const TBytes& data) {
    int capacity = static_cast<int>(data.size()) + kOverhead;
    TBytes container(static_cast<std::size_t>(capacity));
    EXPECT_EQ(Nimbral_EncryptBuffer(data.data(), static_cast<int>(data.size()), container.data(), &capacity), 0);
    EXPECT_EQ(capacity, static_cast<int>(container.size()));
    return container;
}

struct TOpened {
    int Code;
    TBytes Data;
};

TOpened open_buffer(const TBytes& container) {
    TBytes out(container.size(), 0xEE);
    int size = static_cast<int>(out.size());
    const int code = Nimbral_DecryptBuffer(container.data(), static_cast<int>(container.size()), out.data(), &size);
    out.resize(code == 0 ? static_cast<std::size_t>(size) : 0);
    return {code, out};
}

TOpened open_file(const std::filesystem::path& path) {
    unsigned char* sentinel = reinterpret_cast<unsigned char*>(&sentinel);
    unsigned char* data = sentinel;
    int size = -12345;
    const int code = Nimbral_DecryptFile(path.string().c_str(), &data, &size);
    TOpened opened{code, {}};
    if (code == 0) {
        opened.Data.assign(data, data + size);
        Nimbral_Free(data);
    } else {
        // A failure leaves the caller's variables alone.
        EXPECT_EQ(data, sentinel);
        EXPECT_EQ(size, -12345);
    }
    return opened;
}

TEST(CryptoSizes, SealAndOpenRoundTripAtTheSmallestSizes) {
    TTempFolder folder;
    for (const int size : {1, 49, 50, 4099}) {
        SCOPED_TRACE(size);
        const TBytes data = pattern_bytes(static_cast<std::size_t>(size), static_cast<unsigned>(size));

        const TBytes container = seal(data);
        ASSERT_EQ(container.size(), data.size() + kOverhead);
        EXPECT_EQ(0, std::memcmp(container.data(), "NBSC\x01", 5));
        const TOpened fromBuffer = open_buffer(container);
        EXPECT_EQ(fromBuffer.Code, 0);
        EXPECT_EQ(fromBuffer.Data, data);

        const auto path = folder / ("sealed-" + std::to_string(size));
        ASSERT_EQ(Nimbral_EncryptFile(path.string().c_str(), data.data(), size), 0);
        EXPECT_EQ(std::filesystem::file_size(path), data.size() + kOverhead);
        const TOpened fromFile = open_file(path);
        EXPECT_EQ(fromFile.Code, 0);
        EXPECT_EQ(fromFile.Data, data);

        // Files and buffers share one format.
        const auto copy = folder / ("copied-" + std::to_string(size));
        write_file(copy, container);
        EXPECT_EQ(open_file(copy).Data, data);
        EXPECT_EQ(open_buffer(read_file(path)).Data, data);
    }
}

TEST(CryptoSizes, ContainersOfFortyNineBytesOrLessAreRejected) {
    TTempFolder folder;
    const TBytes container = seal(pattern_bytes(1));
    for (const std::size_t length : {std::size_t{0}, std::size_t{33}, std::size_t{49}}) {
        SCOPED_TRACE(length);
        const TBytes cut(container.begin(), container.begin() + static_cast<std::ptrdiff_t>(length));
        TBytes out(64);
        int capacity = 64;
        EXPECT_EQ(Nimbral_DecryptBuffer(container.data(), static_cast<int>(length), out.data(), &capacity), -1);
        EXPECT_EQ(capacity, 64);
        const auto path = folder / "short";
        write_file(path, cut);
        EXPECT_EQ(open_file(path).Code, -3);
    }
}

TEST(CryptoCapacity, EncryptBufferReportsTheSizeItNeeds) {
    const TBytes data = pattern_bytes(100);
    for (const int given : {0, 1, 148}) {
        SCOPED_TRACE(given);
        TBytes out(200, 0x5A);
        int capacity = given;
        EXPECT_EQ(Nimbral_EncryptBuffer(data.data(), 100, out.data(), &capacity), -2);
        EXPECT_EQ(capacity, 149);
        EXPECT_EQ(out, TBytes(200, 0x5A));
        EXPECT_EQ(Nimbral_EncryptBuffer(data.data(), 100, out.data(), &capacity), 0);
        EXPECT_EQ(capacity, 149);
        EXPECT_EQ(out[149], 0x5A);  // nothing past the container
        out.resize(149);
        EXPECT_EQ(open_buffer(out).Data, data);
    }
}

TEST(CryptoCapacity, TheLargestPayloadNeedsTheLargestLength) {
    // Capacity is checked before any byte of the source is read.
    const unsigned char source = 0;
    unsigned char out = 0;
    int capacity = 1;
    EXPECT_EQ(Nimbral_EncryptBuffer(&source, INT_MAX - 49, &out, &capacity), -2);
    EXPECT_EQ(capacity, INT_MAX);
}

TEST(CryptoCapacity, DecryptBufferReportsTheSizeItNeeds) {
    const TBytes data = pattern_bytes(100);
    const TBytes container = seal(data);
    for (const int given : {0, 99}) {
        SCOPED_TRACE(given);
        TBytes out(120, 0x5A);
        int capacity = given;
        EXPECT_EQ(Nimbral_DecryptBuffer(container.data(), 149, out.data(), &capacity), -4);
        EXPECT_EQ(capacity, 100);
        EXPECT_EQ(out, TBytes(120, 0x5A));
        EXPECT_EQ(Nimbral_DecryptBuffer(container.data(), 149, out.data(), &capacity), 0);
        EXPECT_EQ(capacity, 100);
        EXPECT_EQ(TBytes(out.begin(), out.begin() + 100), data);
        EXPECT_EQ(out[100], 0x5A);
    }
}

TEST(CryptoArguments, BufferFunctionsRejectBadArgumentsFirst) {
    const TBytes data = pattern_bytes(10);
    TBytes container = seal(data);
    TBytes out(100, 0x5A);
    struct TCase {
        const char* Name;
        const unsigned char* Source;
        int Length;
        unsigned char* Out;
        bool NullLength;
    };
    // A small capacity in every case: argument errors come before capacity.
    const TCase sealCases[] = {
        {"null source", nullptr, 10, out.data(), false},
        {"zero length", data.data(), 0, out.data(), false},
        {"negative length", data.data(), -5, out.data(), false},
        {"null out", data.data(), 10, nullptr, false},
        {"null length", data.data(), 10, out.data(), true},
        {"too large for a container", data.data(), INT_MAX - 48, out.data(), false},
    };
    for (const TCase& c : sealCases) {
        SCOPED_TRACE(c.Name);
        int capacity = 1;
        EXPECT_EQ(Nimbral_EncryptBuffer(c.Source, c.Length, c.Out, c.NullLength ? nullptr : &capacity), -1);
        EXPECT_EQ(capacity, 1);
    }
    const TCase openCases[] = {
        {"null container", nullptr, 59, out.data(), false},
        {"negative length", container.data(), -59, out.data(), false},
        {"null out", container.data(), 59, nullptr, false},
        {"null length", container.data(), 59, out.data(), true},
    };
    for (const TCase& c : openCases) {
        SCOPED_TRACE(c.Name);
        int capacity = 1;
        EXPECT_EQ(Nimbral_DecryptBuffer(c.Source, c.Length, c.Out, c.NullLength ? nullptr : &capacity), -1);
        EXPECT_EQ(capacity, 1);
    }
    EXPECT_EQ(out, TBytes(100, 0x5A));

    // Format errors come before capacity too.
    container[0] = 'X';
    int capacity = 1;
    EXPECT_EQ(Nimbral_DecryptBuffer(container.data(), 59, out.data(), &capacity), -2);
    EXPECT_EQ(capacity, 1);
}

TEST(CryptoArguments, FileFunctionsRejectBadArgumentsWithoutTouchingTheFile) {
    TTempFolder folder;
    const auto path = (folder / "never").string();
    const TBytes data = pattern_bytes(10);
    EXPECT_EQ(Nimbral_EncryptFile(path.c_str(), nullptr, 10), -1);
    EXPECT_EQ(Nimbral_EncryptFile(path.c_str(), data.data(), 0), -1);
    EXPECT_EQ(Nimbral_EncryptFile(path.c_str(), data.data(), -1), -1);
    EXPECT_EQ(Nimbral_EncryptFile(nullptr, data.data(), 10), -1);
    // A container this large could never be opened again (its length would not fit).
    EXPECT_EQ(Nimbral_EncryptFile(path.c_str(), data.data(), INT_MAX), -1);
    EXPECT_FALSE(std::filesystem::exists(path));

    unsigned char* out = nullptr;
    int size = 0;
    EXPECT_EQ(Nimbral_DecryptFile(nullptr, &out, &size), -1);
    EXPECT_EQ(Nimbral_DecryptFile(path.c_str(), nullptr, &size), -1);
    EXPECT_EQ(Nimbral_DecryptFile(path.c_str(), &out, nullptr), -1);
    EXPECT_EQ(open_file(path).Code, -2);  // missing file
    Nimbral_Free(nullptr);
}

TEST(CryptoFiles, SealingReplacesAnExistingFile) {
    TTempFolder folder;
    const auto path = folder / "existing";
    write_file(path, pattern_bytes(5000));
    const TBytes data = pattern_bytes(7);
    ASSERT_EQ(Nimbral_EncryptFile(path.string().c_str(), data.data(), 7), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 56u);
    EXPECT_EQ(open_file(path).Data, data);
}

TEST(CryptoFiles, AnUnwritablePathGivesMinusSixAndNoFile) {
    TTempFolder folder;
    const auto path = folder / "no-such-folder" / "file";
    const TBytes data = pattern_bytes(7);
    EXPECT_EQ(Nimbral_EncryptFile(path.string().c_str(), data.data(), 7), -6);
    EXPECT_FALSE(std::filesystem::exists(path.parent_path()));
}

TEST(CryptoTamper, EveryRegionIsChecked) {
    TTempFolder folder;
    const TBytes data = pattern_bytes(64);
    const TBytes original = seal(data);
    const std::size_t tagAt = original.size() - 16;
    struct TCase {
        const char* Region;
        std::size_t Offset;
        unsigned char Mask;
        int FileCode;
        int BufferCode;
    };
    const TCase cases[] = {
        {"magic first byte", 0, 0x01, -4, -2},
        {"magic last byte", 3, 0x20, -4, -2},
        {"version 0", 4, 0x01, -5, -3},
        {"version 3", 4, 0x02, -5, -3},
        {"salt first byte", 5, 0x01, -10, -7},
        {"salt last byte", 20, 0x80, -10, -7},
        {"nonce first byte", 21, 0x01, -10, -7},
        {"nonce last byte", 32, 0x80, -10, -7},
        {"ciphertext first byte", kHeader, 0x01, -10, -7},
        {"ciphertext last byte", tagAt - 1, 0x80, -10, -7},
        {"tag first byte", tagAt, 0x01, -10, -7},
        {"tag last byte", original.size() - 1, 0x80, -10, -7},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Region);
        TBytes altered = original;
        altered[c.Offset] ^= c.Mask;
        EXPECT_EQ(open_buffer(altered).Code, c.BufferCode);
        const auto path = folder / "altered";
        write_file(path, altered);
        EXPECT_EQ(open_file(path).Code, c.FileCode);
    }

    SCOPED_TRACE("truncated by one byte");
    const TBytes truncated(original.begin(), original.end() - 1);
    EXPECT_EQ(open_buffer(truncated).Code, -7);
    const auto path = folder / "truncated";
    write_file(path, truncated);
    EXPECT_EQ(open_file(path).Code, -10);
}

TEST(CryptoTamper, AFailedBufferOpenLeavesNoPlaintextBehind) {
    const TBytes data(64, 0x41);
    TBytes altered = seal(data);
    altered.back() ^= 1;
    TBytes out(64, 0x5A);
    int capacity = 64;
    ASSERT_EQ(Nimbral_DecryptBuffer(altered.data(), static_cast<int>(altered.size()), out.data(), &capacity), -7);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0x41), 0);
}

TEST(CryptoSeal, TwoSealsOfTheSameDataDifferEverywhereButTheHeaderStart) {
    const TBytes data = pattern_bytes(256);
    const TBytes a = seal(data);
    const TBytes b = seal(data);
    const auto region = [](const TBytes& c, std::size_t from, std::size_t length) {
        return TBytes(c.begin() + static_cast<std::ptrdiff_t>(from),
                      c.begin() + static_cast<std::ptrdiff_t>(from + length));
    };
    EXPECT_EQ(region(a, 0, 5), region(b, 0, 5));
    EXPECT_NE(region(a, 5, 16), region(b, 5, 16));            // salt
    EXPECT_NE(region(a, 21, 12), region(b, 21, 12));          // nonce
    EXPECT_NE(region(a, 33, 256), region(b, 33, 256));        // ciphertext
    EXPECT_NE(region(a, 33 + 256, 16), region(b, 33 + 256, 16));  // tag
}

TEST(CryptoDeriveKey, WritesExactlyThirtyTwoStableBytes) {
    unsigned char small[31];
    std::memset(small, 0x5A, sizeof small);
    EXPECT_EQ(Nimbral_DeriveKey(small, 31), -1);
    EXPECT_EQ(small[0], 0x5A);
    EXPECT_EQ(Nimbral_DeriveKey(nullptr, 32), -1);

    TBytes first(64, 0x5A);
    TBytes second(32, 0);
    ASSERT_EQ(Nimbral_DeriveKey(first.data(), 64), 0);
    ASSERT_EQ(Nimbral_DeriveKey(second.data(), 32), 0);
    EXPECT_EQ(TBytes(first.begin(), first.begin() + 32), second);
    EXPECT_EQ(TBytes(first.begin() + 32, first.end()), TBytes(32, 0x5A));
    EXPECT_NE(second, TBytes(32, 0));
}

}  // namespace
}  // namespace nimbral::crypto::test
