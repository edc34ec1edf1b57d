// Eight threads sealing and opening at once, buffers and files: every call
// must be self-contained (also run under the tsan preset).
#include "Bytes.h"
#include "TempFolder.h"
#include "nimbral_crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace nimbral::crypto::test {
namespace {

struct TThreadResult {
    int Failures = 0;
    int RoundTrips = 0;
};

void seal_and_open(unsigned id, const std::filesystem::path& file, TThreadResult& result) {
    for (unsigned round = 0; round < 2; ++round) {
        const TBytes data = pattern_bytes(1000 + id * 37 + round, id * 10 + round);
        const int size = static_cast<int>(data.size());

        TBytes container(data.size() + 49);
        int capacity = static_cast<int>(container.size());
        TBytes opened(data.size());
        int openedSize = size;
        if (Nimbral_EncryptBuffer(data.data(), size, container.data(), &capacity) != 0 ||
            Nimbral_DecryptBuffer(container.data(), capacity, opened.data(), &openedSize) != 0 || opened != data) {
            ++result.Failures;
            continue;
        }

        unsigned char* fromFile = nullptr;
        int fromFileSize = 0;
        if (Nimbral_EncryptFile(file.string().c_str(), data.data(), size) != 0 ||
            Nimbral_DecryptFile(file.string().c_str(), &fromFile, &fromFileSize) != 0) {
            ++result.Failures;
            continue;
        }
        if (TBytes(fromFile, fromFile + fromFileSize) == data)
            ++result.RoundTrips;
        else
            ++result.Failures;
        Nimbral_Free(fromFile);
    }
}

TEST(CryptoThreads, EightThreadsSealAndOpenAtOnce) {
    TTempFolder folder;
    std::vector<TThreadResult> results(8);
    std::vector<std::thread> threads;
    for (unsigned id = 0; id < results.size(); ++id)
        threads.emplace_back(seal_and_open, id, folder / ("thread-" + std::to_string(id)), std::ref(results[id]));
    for (auto& t : threads) t.join();
    for (unsigned id = 0; id < results.size(); ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(results[id].Failures, 0);
        EXPECT_EQ(results[id].RoundTrips, 2);
    }
}

}  // namespace
}  // namespace nimbral::crypto::test
