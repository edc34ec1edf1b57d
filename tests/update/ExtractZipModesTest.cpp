// Linux-only: the permission bits of unpacked files, from archives made by zip
// (Unix modes, symbolic links) and by libzip (entries made on Windows, with no
// Unix mode at all).

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"

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

// A package made on Windows records no Unix modes, and some tools record
// 0644 for everything: the program must still start after the swap, or the
// forced update fails and is undone on every try.
TEST(ExtractZipModes, EntriesWithoutAModeTakeTheModeOfTheFileTheyReplace) {
    test::TTempDir tmp;
    const fs::path program = tmp / "program";
    for (const auto& [name, mode] : {std::pair{"NimbralClient", 0755}, {"data.txt", 0640}, {"tool.sh", 0755},
                                     {"setuid", 04755}}) {
        test::WriteFile(program / name, "old");
        ::chmod((program / name).c_str(), mode);
    }
    test::MakeStoredZip(tmp / "package.zip", {
        test::TZipEntry("NimbralClient", "new").MadeOnWindows(),
        test::TZipEntry("data.txt", "new").MadeOnWindows(),
        test::TZipEntry("setuid", "new").MadeOnWindows(),
        test::TZipEntry("new.txt", "new").MadeOnWindows(),
        test::TZipEntry("tool.sh", "new").WithUnixMode(0100644),
        test::TZipEntry("shared.txt", "new").WithUnixMode(0100666),
    });
    ASSERT_TRUE(ExtractZip(tmp / "package.zip", tmp / "staging", program));

    const fs::path staged = tmp / "staging";
    EXPECT_EQ(ModeOf(staged / "NimbralClient"), 0755u);
    EXPECT_EQ(ModeOf(staged / "data.txt"), 0640u);
    EXPECT_EQ(ModeOf(staged / "setuid"), 0755u);     // never setuid
    EXPECT_EQ(ModeOf(staged / "new.txt"), 0644u);    // nothing replaced
    EXPECT_EQ(ModeOf(staged / "tool.sh"), 0755u);    // still executable
    EXPECT_EQ(ModeOf(staged / "shared.txt"), 0644u); // no one else writes to the program folder
}

}  // namespace
}  // namespace nimbral
