// Seal + open through nimbral_crypto against a plain OpenSSL loop doing the
// same SHA-256 + PBKDF2 + AES-256-GCM work, interleaved in one process. Each
// round times both sides back to back, so both see the same machine load, and
// the ratio is the median of the rounds' ratios: one busy moment on a shared
// machine moves it less than it moves either side's best time.
//   crypto_bench ratio NAME BYTES ROUNDS   prints "RATIO NAME ours/plain"
//   crypto_bench seal-file PATH BYTES      writes a container of BYTES payload
//   crypto_bench open-file PATH            opens it, prints the peak RSS in KiB
#include "nimbral_crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<unsigned char>;
using TClock = std::chrono::steady_clock;

// Same length as a real identity string (32-character id, 8 digits, suffix).
const std::string kIdentity = "0123456789abcdef0123456789abcdef0A1B2C3DVostrel-k4";

void fail(const char* what) {
    std::fprintf(stderr, "crypto_bench: %s failed\n", what);
    std::exit(1);
}

// The plain loop fetches its algorithms once, as a tuned caller of OpenSSL
// would; the library fetches them on every call.
struct TAlgorithms {
    EVP_MD* Sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    EVP_CIPHER* AesGcm = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    ~TAlgorithms() {
        EVP_MD_free(Sha256);
        EVP_CIPHER_free(AesGcm);
    }
};
const TAlgorithms& algorithms() {
    static const TAlgorithms fetched;
    return fetched;
}

void plain_key(const unsigned char* salt, unsigned char* key) {
    unsigned char machineKey[32];
    unsigned int length = 0;
    const EVP_MD* sha256 = algorithms().Sha256;
    if (EVP_Digest(kIdentity.data(), kIdentity.size(), machineKey, &length, sha256, nullptr) != 1 ||
        PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(machineKey), 32, salt, 16, 100000, sha256, 32, key) != 1)
        fail("plain key");
}

void plain_round(const TBytes& data, TBytes& container, TBytes& opened) {
    const int size = static_cast<int>(data.size());
    unsigned char key[32];
    unsigned char* salt = container.data() + 5;
    unsigned char* nonce = container.data() + 21;
    std::memcpy(container.data(), "NBSC\x01", 5);
    if (RAND_bytes(salt, 16) != 1 || RAND_bytes(nonce, 12) != 1) fail("plain random");
    plain_key(salt, key);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int written = 0;
    if (EVP_EncryptInit_ex2(ctx, algorithms().AesGcm, key, nonce, nullptr) != 1 ||
        EVP_EncryptUpdate(ctx, container.data() + 33, &written, data.data(), size) != 1 ||
        EVP_EncryptFinal_ex(ctx, container.data() + 33 + written, &written) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, container.data() + 33 + size) != 1)
        fail("plain seal");
    EVP_CIPHER_CTX_free(ctx);

    plain_key(salt, key);
    ctx = EVP_CIPHER_CTX_new();
    if (EVP_DecryptInit_ex2(ctx, algorithms().AesGcm, key, nonce, nullptr) != 1 ||
        EVP_DecryptUpdate(ctx, opened.data(), &written, container.data() + 33, size) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, container.data() + 33 + size) != 1 ||
        EVP_DecryptFinal_ex(ctx, opened.data() + written, &written) != 1)
        fail("plain open");
    EVP_CIPHER_CTX_free(ctx);
}

void our_round(const TBytes& data, TBytes& container, TBytes& opened) {
    int capacity = static_cast<int>(container.size());
    int size = static_cast<int>(opened.size());
    if (Nimbral_EncryptBuffer(data.data(), static_cast<int>(data.size()), container.data(), &capacity) != 0 ||
        Nimbral_DecryptBuffer(container.data(), capacity, opened.data(), &size) != 0)
        fail("library round");
}

double seconds_of(void (*round)(const TBytes&, TBytes&, TBytes&), const TBytes& data, TBytes& container,
                  TBytes& opened) {
    const auto start = TClock::now();
    round(data, container, opened);
    return std::chrono::duration<double>(TClock::now() - start).count();
}

int ratio(const char* name, std::size_t bytes, int rounds) {
    TBytes data(bytes, 0x5A);
    TBytes container(bytes + 49, 0);
    TBytes opened(bytes, 0);
    double ours = 1e30;
    double plain = 1e30;
    std::vector<double> ratios;
    algorithms();
    // Alternate which side goes first, so neither always meets warm caches.
    for (int i = 0; i < rounds; ++i) {
        double times[2] = {};
        for (int side = 0; side < 2; ++side) {
            const bool oursNow = (side == 0) == (i % 2 == 0);
            std::fill(opened.begin(), opened.end(), 0);
            times[oursNow ? 0 : 1] = seconds_of(oursNow ? our_round : plain_round, data, container, opened);
            if (opened != data) fail(oursNow ? "library result" : "plain result");
        }
        ours = std::min(ours, times[0]);
        plain = std::min(plain, times[1]);
        ratios.push_back(times[0] / times[1]);
    }
    std::sort(ratios.begin(), ratios.end());
    const std::size_t mid = ratios.size() / 2;
    const double median = ratios.size() % 2 == 1 ? ratios[mid] : (ratios[mid - 1] + ratios[mid]) / 2;
    std::printf("%s: best ours %.1f ms, best plain OpenSSL %.1f ms per seal + open (%d rounds)\n", name, ours * 1e3,
                plain * 1e3, rounds);
    std::printf("RATIO %s %.3f\n", name, median);
    return 0;
}

int seal_file(const char* path, std::size_t bytes) {
    const TBytes data(bytes, 0x5A);
    if (Nimbral_EncryptFile(path, data.data(), static_cast<int>(bytes)) != 0) fail("seal file");
    return 0;
}

int open_file(const char* path) {
    unsigned char* data = nullptr;
    int size = 0;
    if (Nimbral_DecryptFile(path, &data, &size) != 0) fail("open file");
    Nimbral_Free(data);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld %d\n", usage.ru_maxrss, size);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "ratio" && argc == 5) return ratio(argv[2], std::strtoull(argv[3], nullptr, 10), std::atoi(argv[4]));
    if (mode == "seal-file" && argc == 4) return seal_file(argv[2], std::strtoull(argv[3], nullptr, 10));
    if (mode == "open-file" && argc == 3) return open_file(argv[2]);
    std::fprintf(stderr, "usage: crypto_bench ratio NAME BYTES ROUNDS | seal-file PATH BYTES | open-file PATH\n");
    return 2;
}
