// The shared object as a foreign caller sees it: loaded with dlopen, its six
// functions found with dlsym, and nothing else in its dynamic symbol table.
#include "Bytes.h"
#include "TempFolder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace nimbral::crypto::test {
namespace {

const std::set<std::string> kExports = {"Nimbral_DeriveKey",     "Nimbral_EncryptFile",   "Nimbral_DecryptFile",
                                        "Nimbral_EncryptBuffer", "Nimbral_DecryptBuffer", "Nimbral_Free"};

struct TLibraryCloser {
    void operator()(void* handle) const noexcept { dlclose(handle); }
};

template <typename F>
F symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

TEST(CryptoSharedObject, LoadsWithDlopenAndWorksThroughDlsym) {
    const std::unique_ptr<void, TLibraryCloser> library(dlopen(NIMBRAL_CRYPTO_LIBRARY, RTLD_NOW | RTLD_LOCAL));
    ASSERT_TRUE(library) << dlerror();
    for (const auto& name : kExports) EXPECT_NE(dlsym(library.get(), name.c_str()), nullptr) << name;

    using TDeriveKey = int (*)(unsigned char*, int);
    using TEncryptFile = int (*)(const char*, const unsigned char*, int);
    using TDecryptFile = int (*)(const char*, unsigned char**, int*);
    using TEncryptBuffer = int (*)(const unsigned char*, int, unsigned char*, int*);
    using TDecryptBuffer = int (*)(const unsigned char*, int, unsigned char*, int*);
    using TFree = void (*)(unsigned char*);
    const auto deriveKey = symbol<TDeriveKey>(library.get(), "Nimbral_DeriveKey");
    const auto encryptFile = symbol<TEncryptFile>(library.get(), "Nimbral_EncryptFile");
    const auto decryptFile = symbol<TDecryptFile>(library.get(), "Nimbral_DecryptFile");
    const auto encryptBuffer = symbol<TEncryptBuffer>(library.get(), "Nimbral_EncryptBuffer");
    const auto decryptBuffer = symbol<TDecryptBuffer>(library.get(), "Nimbral_DecryptBuffer");
    const auto release = symbol<TFree>(library.get(), "Nimbral_Free");
    ASSERT_TRUE(deriveKey && encryptFile && decryptFile && encryptBuffer && decryptBuffer && release);

    unsigned char key[32];
    EXPECT_EQ(deriveKey(key, 32), 0);

    const TBytes data = pattern_bytes(500);
    TBytes container(549);
    int capacity = 549;
    ASSERT_EQ(encryptBuffer(data.data(), 500, container.data(), &capacity), 0);
    TBytes opened(500);
    int size = 500;
    ASSERT_EQ(decryptBuffer(container.data(), 549, opened.data(), &size), 0);
    EXPECT_EQ(opened, data);

    TTempFolder folder;
    const std::string path = (folder / "sealed").string();
    ASSERT_EQ(encryptFile(path.c_str(), data.data(), 500), 0);
    unsigned char* fromFile = nullptr;
    ASSERT_EQ(decryptFile(path.c_str(), &fromFile, &size), 0);
    EXPECT_EQ(TBytes(fromFile, fromFile + size), data);
    release(fromFile);
    release(nullptr);
}

TEST(CryptoSharedObject, ExportsExactlyTheSixFunctions) {
    const std::string command = std::string("nm -D --defined-only '") + NIMBRAL_CRYPTO_LIBRARY + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string listing;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) listing.append(chunk, n);
    ASSERT_EQ(pclose(pipe), 0) << listing;

    // Lines are "address type name".
    std::set<std::string> defined;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) {
            defined.insert(name);
            EXPECT_EQ(type, "T") << name;
        }
    }
    EXPECT_EQ(defined, kExports) << listing;
}

}  // namespace
}  // namespace nimbral::crypto::test
