// Paths that are no container file: sealing into a file that cannot take the
// whole container must report -6 and leave no partial container behind, but
// never remove what is not a regular file; a directory opens as nothing.
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

TEST(CryptoLinuxFileFailure, AShortWriteGivesMinusSixAndRemovesThePartialFile) {
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

TEST(CryptoLinuxFileFailure, AShortWriteThroughASymlinkRemovesThePartialTargetAndKeepsTheLink) {
    // The bytes went to the file the link points to: that is the partial
    // container, and the link is the user's, not ours.
    TTempFolder folder;
    const auto target = folder / "real-file";
    const auto link = folder / "link";
    std::filesystem::create_symlink(target, link);
    const TBytes data = pattern_bytes(256 * 1024);
    int code = 0;
    {
        const TFileSizeLimit limit(4096);
        code = Nimbral_EncryptFile(link.string().c_str(), data.data(), static_cast<int>(data.size()));
    }
    EXPECT_EQ(code, -6);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST(CryptoLinuxFileFailure, AFailedCloseGivesMinusSixAndLeavesADeviceAlone) {
    // /dev/full accepts the open and buffered writes; the bytes fail on close.
    const TBytes data = pattern_bytes(100);
    EXPECT_EQ(Nimbral_EncryptFile("/dev/full", data.data(), 100), -6);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(CryptoLinuxFileFailure, ADirectoryIsNeitherWrittenNorRead) {
    TTempFolder folder;
    const TBytes data = pattern_bytes(100);
    EXPECT_EQ(Nimbral_EncryptFile(folder.Path().string().c_str(), data.data(), 100), -6);
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path()));

    unsigned char* out = nullptr;
    int size = 0;
    // Opened, but a directory has no length to read a container from.
    EXPECT_EQ(Nimbral_DecryptFile(folder.Path().string().c_str(), &out, &size), -3);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace nimbral::crypto::test
