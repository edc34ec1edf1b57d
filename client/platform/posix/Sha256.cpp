#include "platform/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace nimbral::platform {

struct TSha256::TState {
    struct TFree {
        void operator()(EVP_MD_CTX* Context) const { EVP_MD_CTX_free(Context); }
    };
    std::unique_ptr<EVP_MD_CTX, TFree> Ctx{EVP_MD_CTX_new()};
};

TSha256::TSha256() : FState(std::make_unique<TState>()) {
    if (!FState->Ctx || EVP_DigestInit_ex(FState->Ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* Data, std::size_t Size) {
    if (EVP_DigestUpdate(FState->Ctx.get(), Data, Size) != 1)
        throw std::runtime_error("SHA-256 update failed");
}

std::array<std::uint8_t, 32> TSha256::Final() {
    std::array<std::uint8_t, 32> digest{};
    unsigned int len = 0;
    if (EVP_DigestFinal_ex(FState->Ctx.get(), digest.data(), &len) != 1 || len != digest.size())
        throw std::runtime_error("SHA-256 final failed");
    return digest;
}

}  // namespace nimbral::platform
