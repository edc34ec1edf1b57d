// Sealing into a file that cannot take the whole container must report -6 and
// leave no partial container behind (but never remove what is not a file).
#include "Bytes.h"
#include "TempFolder.h"
#include "nimbral_crypto.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace nimbral::crypto::test {
namespace {

// Lowers this process's file size limit for one scope; writes beyond it fail
// with EFBIG instead of killing the process.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        FOldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = FSaved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FSaved{};
    sighandler_t FOldHandler;
};

TEST(CryptoLinuxWriteFailure, AShortWriteGivesMinusSixAndRemovesThePartialFile) {
    TTempFolder folder;
    const auto path = folder / "cut-short";
    const TBytes data = pattern_bytes(256 * 1024);
    int code = 0;
    {
        const TFileSizeLimit limit(4096);
        code = Nimbral_EncryptFile(path.string().c_str(), data.data(), static_cast<int>(data.size()));
    }
    EXPECT_EQ(code, -6);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CryptoLinuxWriteFailure, AFailedCloseGivesMinusSixAndLeavesADeviceAlone) {
    // /dev/full accepts the open and buffered writes; the bytes fail on close.
    const TBytes data = pattern_bytes(100);
    EXPECT_EQ(Nimbral_EncryptFile("/dev/full", data.data(), 100), -6);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

}  // namespace
}  // namespace nimbral::crypto::test
