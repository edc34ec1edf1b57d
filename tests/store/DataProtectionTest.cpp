// The Linux data protection: the user's key file and what is refused of it.

#include "platform/DataProtection.h"

#include "UserHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using platform::ProtectForUser;
using platform::UnprotectForUser;
using test::ReadFile;
using test::WriteFile;

class DataProtection : public test::UserHome {};

TEST_F(DataProtection, KeyIsMadeOnFirstUseForThisUserAlone) {
    ASSERT_FALSE(fs::exists(KeyFile()));
    const auto first = ProtectForUser("같은 내용", "test");
    ASSERT_TRUE(first);
    struct stat st {};
    ASSERT_EQ(::lstat(KeyFile().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 32);
    ASSERT_EQ(::stat(KeyFile().parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const std::string key = ReadFile(KeyFile());
    const auto second = ProtectForUser("같은 내용", "test");
    ASSERT_TRUE(second);
    EXPECT_EQ(ReadFile(KeyFile()), key);  // kept, not made anew
    EXPECT_NE(*first, *second);           // a fresh nonce each time
    EXPECT_EQ(UnprotectForUser(*first), "같은 내용");
    EXPECT_EQ(UnprotectForUser(*second), "같은 내용");
    EXPECT_EQ(UnprotectForUser(*ProtectForUser("", "test")), "");
}

TEST_F(DataProtection, UnprotectNeverMakesAKey) {
    EXPECT_FALSE(UnprotectForUser(std::string("NDP1") + std::string(40, 'x')));
    EXPECT_FALSE(fs::exists(KeyFile()));
}

// Anything under the key's name that is not a plain 32-byte file of this
// user closed to others is neither used nor replaced.
TEST_F(DataProtection, UntrustedKeyIsNeitherUsedNorReplaced) {
    const auto blob = ProtectForUser("secret", "test");
    ASSERT_TRUE(blob);
    const std::string key = ReadFile(KeyFile());
    const fs::path good = FHome / "good.key";
    fs::copy_file(KeyFile(), good);

    struct TCase {
        const char* Name;
        std::function<void()> Make;
        bool NeedsRoot;
    };
    const TCase cases[] = {
        {"readable by the group", [&] { fs::permissions(KeyFile(), fs::perms::group_read, fs::perm_options::add); }, false},
        {"a link to a good key", [&] { fs::remove(KeyFile()); fs::create_symlink(good, KeyFile()); }, false},
        {"too short", [&] { WriteFile(KeyFile(), key.substr(0, 31)); }, false},
        {"a folder", [&] { fs::remove(KeyFile()); fs::create_directory(KeyFile()); }, false},
        {"of another user", [&] { ASSERT_EQ(::chown(KeyFile().c_str(), 12345, 12345), 0); }, true},
    };
    for (const auto& c : cases) {
        if (c.NeedsRoot && ::geteuid() != 0)
            continue;
        c.Make();
        EXPECT_FALSE(ProtectForUser("secret", "test")) << c.Name;
        EXPECT_FALSE(UnprotectForUser(*blob)) << c.Name;
        if (!fs::is_directory(KeyFile())) {
            EXPECT_EQ(ReadFile(KeyFile()).substr(0, 31), key.substr(0, 31)) << c.Name << ": replaced";
        }
        fs::remove(KeyFile());
        fs::copy_file(good, KeyFile());
        ASSERT_EQ(UnprotectForUser(*blob), "secret") << c.Name;
    }
}

// Clients of two sessions may make the key at the same moment: whichever
// wins, every blob either made must open with the key that stays.
TEST_F(DataProtection, RacingFirstUsesAgreeOnOneKey) {
    for (int round = 0; round < 20; ++round) {
        fs::remove(KeyFile());
        std::vector<std::optional<std::string>> blobs(6);
        std::vector<std::thread> threads;
        for (auto& blob : blobs)
            threads.emplace_back([&blob] { blob = ProtectForUser("race", "test"); });
        for (auto& t : threads)
            t.join();
        for (const auto& blob : blobs) {
            ASSERT_TRUE(blob) << "round " << round;
            EXPECT_EQ(UnprotectForUser(*blob), "race") << "round " << round;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(KeyFile().parent_path()), fs::directory_iterator()), 1);
    }
}

}  // namespace
}  // namespace nimbral
