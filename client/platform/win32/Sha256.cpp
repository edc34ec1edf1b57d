// Incremental SHA-256 on CNG: one provider and one hash object per TSha256.
#include "platform/Sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>

namespace nimbral::platform {

struct TSha256::TState {
    BCRYPT_ALG_HANDLE Provider = nullptr;
    BCRYPT_HASH_HANDLE Hash = nullptr;
    ~TState() {
        if (Hash != nullptr)
            BCryptDestroyHash(Hash);
        if (Provider != nullptr)
            BCryptCloseAlgorithmProvider(Provider, 0);
    }
};

TSha256::TSha256() : FState(std::make_unique<TState>()) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&FState->Provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(BCryptCreateHash(FState->Provider, &FState->Hash, nullptr, 0, nullptr, 0, 0)))
        throw std::runtime_error("SHA-256 is not available");
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* Data, std::size_t Size) {
    auto* Bytes = static_cast<PUCHAR>(const_cast<void*>(Data));
    while (Size > 0) {
        const ULONG Chunk = Size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(Size);
        if (!BCRYPT_SUCCESS(BCryptHashData(FState->Hash, Bytes, Chunk, 0)))
            throw std::runtime_error("SHA-256 failed");
        Bytes += Chunk;
        Size -= Chunk;
    }
}

std::array<std::uint8_t, 32> TSha256::Final() {
    std::array<std::uint8_t, 32> Digest{};
    if (!BCRYPT_SUCCESS(BCryptFinishHash(FState->Hash, Digest.data(), static_cast<ULONG>(Digest.size()), 0)))
        throw std::runtime_error("SHA-256 failed");
    return Digest;
}

}  // namespace nimbral::platform
