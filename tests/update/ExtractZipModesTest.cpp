// Linux-only: the permission bits of unpacked files, from archives made by zip
// (Unix modes, symbolic links).

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <sys/stat.h>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

std::uint32_t ModeOf(const fs::path& File) {
    struct stat st {};
    ::stat(File.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ExtractZipModes, KeepsPermissionBitsButNeverSetuidAndSkipsLinks) {
    test::TTempDir tmp;
    const fs::path tree = tmp / "src" / "tree";
    test::WriteFile(tree / "run.sh", "#!/bin/sh\n");
    test::WriteFile(tree / "suid", "x");
    test::WriteFile(tree / "private.txt", "x");
    test::WriteFile(tree / "readonly.txt", "x");
    ::chmod((tree / "run.sh").c_str(), 0755);
    ::chmod((tree / "suid").c_str(), 04755);
    ::chmod((tree / "private.txt").c_str(), 0600);
    ::chmod((tree / "readonly.txt").c_str(), 0444);
    fs::create_symlink("/etc/passwd", tree / "link");
    ASSERT_TRUE(test::RunIn(tmp / "src", "zip -q -r -y ../perm.zip tree"));

    ASSERT_TRUE(ExtractZip(tmp / "perm.zip", tmp / "out"));
    const fs::path out = tmp / "out" / "tree";
    EXPECT_EQ(ModeOf(out / "run.sh"), 0755u);
    EXPECT_EQ(ModeOf(out / "suid"), 0755u);
    EXPECT_EQ(ModeOf(out / "private.txt"), 0600u);
    EXPECT_EQ(ModeOf(out / "readonly.txt"), 0644u);  // the owner can still replace it later
    EXPECT_FALSE(fs::exists(fs::symlink_status(out / "link")));
}

}  // namespace
}  // namespace nimbral
