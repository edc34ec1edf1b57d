// The file form keeps the whole ciphertext in memory: sealing encrypts before
// the file is opened, so a failure before writing leaves no file behind, and
// opening reads everything and closes the file before any key is derived.
#include "ContainerKeys.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace nimbral::crypto {
namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

struct TMemoryFree {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
};
using TMemory = std::unique_ptr<std::uint8_t, TMemoryFree>;

TMemory allocate(std::int32_t size) noexcept {
    return TMemory(static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size))));
}

bool write_all(std::FILE* file, const void* data, std::size_t size) noexcept {
    return std::fwrite(data, 1, size, file) == size;
}

bool read_all(std::FILE* file, void* data, std::size_t size) noexcept {
    return std::fread(data, 1, size, file) == size;
}

}  // namespace

// A container cut short must not stay behind looking like a container. Only a
// regular file is removed: a device or pipe given as the path is not ours.
// Through a symbolic link the bytes went to the file it points to: that file
// is removed and the link, which the caller made, stays.
void remove_partial_file(const char* path) noexcept {
    try {
        std::error_code ignored;
        const std::filesystem::path target = std::filesystem::canonical(file_path(path), ignored);
        if (target.empty()) return;
        if (std::filesystem::is_regular_file(target, ignored)) std::filesystem::remove(target, ignored);
    } catch (...) {
        // Out of memory for the path: the failure is reported all the same.
    }
}

int seal_file(const TCryptoSources& sources, const char* path, const std::uint8_t* data, std::int32_t size) noexcept {
    if (data == nullptr || size <= 0 || path == nullptr || size > kMaxPayload) return -1;

    TSealingKeys keys;
    switch (prepare_sealing_keys(sources, keys)) {
        case ESealingFailure::None: break;
        case ESealingFailure::MachineKey: return -2;
        case ESealingFailure::Random: return -7;
        case ESealingFailure::ContainerKey: return -3;
    }

    const TMemory ciphertext = allocate(size);
    if (!ciphertext) return -4;
    std::uint8_t tag[kTagSize];
    if (aes_gcm_encrypt(keys.ContainerKey.Bytes, keys.Nonce, data, size, ciphertext.get(), tag) != 0) return -5;

    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return -6;
    std::uint8_t version = kFormatVersion;
    bool written = write_all(file, kMagic, sizeof kMagic) && write_all(file, &version, 1) &&
                   write_all(file, keys.Salt, sizeof keys.Salt) && write_all(file, keys.Nonce, sizeof keys.Nonce) &&
                   write_all(file, ciphertext.get(), static_cast<std::size_t>(size)) &&
                   write_all(file, tag, sizeof tag);
    // Buffered bytes reach the disk only on close, so its result counts too.
    if (std::fclose(file) != 0) written = false;
    if (!written) {
        remove_partial_file(path);
        return -6;
    }
    return 0;
}

int open_file(const TCryptoSources& sources, const char* path, std::uint8_t** outData,
              std::int32_t* outSize) noexcept {
    if (outData == nullptr || outSize == nullptr || path == nullptr) return -1;
    TFile file(std::fopen(path, "rb"));
    if (!file) return -2;

    if (std::fseek(file.get(), 0, SEEK_END) != 0) return -3;
    const long length = std::ftell(file.get());
    if (length <= static_cast<long>(kOverhead) || length > INT_MAX) return -3;
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) return -3;

    std::uint8_t header[kHeaderSize];
    if (!read_all(file.get(), header, sizeof header)) return -3;
    if (!has_magic(header)) return -4;
    if (!has_known_version(header)) return -5;

    const std::int32_t size = static_cast<std::int32_t>(length) - static_cast<std::int32_t>(kOverhead);
    const TMemory ciphertext = allocate(size);
    if (!ciphertext) return -6;
    std::uint8_t tag[kTagSize];
    // The file may have shrunk since its length was taken.
    if (!read_all(file.get(), ciphertext.get(), static_cast<std::size_t>(size)) || !read_all(file.get(), tag, sizeof tag))
        return -3;
    file.reset();

    TSecret<kKeySize> containerKey;
    switch (prepare_opening_key(sources, salt_of(header), containerKey)) {
        case EOpeningFailure::None: break;
        case EOpeningFailure::MachineKey: return -7;
        case EOpeningFailure::ContainerKey: return -8;
    }

    TMemory plaintext = allocate(size);
    if (!plaintext) return -9;
    if (aes_gcm_decrypt(containerKey.Bytes, nonce_of(header), ciphertext.get(), size, tag, plaintext.get()) != 0)
        return -10;

    *outData = plaintext.release();
    *outSize = size;
    return 0;
}

}  // namespace nimbral::crypto
