// ExtractZip on archives made by the archiving tools themselves: zip for
// stored and deflate entries, symbolic links and Unix permission bits, 7z for
// Deflate64. Linux-only (the tools, the permission bits).

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"

#include <sys/stat.h>
#include <zip.h>

#include <stdexcept>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using test::RunIn;

class ExtractZipTools : public ::testing::Test {
protected:
    test::TTempDir FTmp;
    fs::path FTree = FTmp / "src" / "tree";
    std::string FFar;

    void SetUp() override {
        // A block repeated at 48 KiB: its matches lie beyond the 32 KiB of
        // plain deflate, so only a 64 KiB window finds them.
        const std::string block = test::RandomBytes(48 * 1024, 1);
        FFar = block + block + block;
        test::WriteFile(FTree / "top.txt", "top level\n");
        test::WriteFile(FTree / "bin" / "app.bin", test::RandomBytes(200000, 2));
        test::WriteFile(FTree / "bin" / "far.bin", FFar);
        test::WriteFile(FTree / "data" / "sub" / "deep.txt", std::string(100000, 'z'));
        test::WriteFile(FTree / "data" / "empty.txt", "");
        fs::create_directories(FTree / "emptydir");
    }

    // The tree as it should come out: folders only where files are.
    std::map<std::string, std::string> Expected() {
        auto tree = test::Snapshot(FTree);
        tree.erase("emptydir");
        return tree;
    }

    static std::uint16_t Method(const fs::path& Archive, const char* Name, std::uint64_t* CompSize) {
        int error = 0;
        zip_t* z = zip_open(Archive.c_str(), ZIP_RDONLY, &error);
        zip_stat_t st;
        zip_stat_init(&st);
        const bool ok = z != nullptr && zip_stat(z, Name, 0, &st) == 0;
        if (z != nullptr)
            zip_discard(z);
        if (!ok)
            throw std::runtime_error(std::string("no entry ") + Name);
        *CompSize = st.comp_size;
        return st.comp_method;
    }
};

TEST_F(ExtractZipTools, UnpacksStoredDeflateAndDeflate64Trees) {
    struct TCase {
        const char* Name;
        const char* Command;
        std::uint16_t Method;
    };
    const TCase cases[] = {
        {"stored", "zip -q -r -0 ../stored.zip tree", ZIP_CM_STORE},
        {"deflate", "zip -q -r -9 ../deflate.zip tree", ZIP_CM_DEFLATE},
        {"deflate64", "7z a -bd -tzip -mm=Deflate64 -mx=9 ../deflate64.zip tree", ZIP_CM_DEFLATE64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path archive = FTmp / (std::string(c.Name) + ".zip");
        ASSERT_TRUE(RunIn(FTmp / "src", c.Command));
        std::uint64_t compSize = 0;
        ASSERT_EQ(Method(archive, "tree/bin/far.bin", &compSize), c.Method);
        if (c.Method == ZIP_CM_DEFLATE64) {  // the far matches were found and are decoded
            EXPECT_LT(compSize, FFar.size() / 2);
        }

        const fs::path out = FTmp / "out" / c.Name;
        ASSERT_TRUE(ExtractZip(archive, out));
        EXPECT_EQ(test::Snapshot(out / "tree"), Expected());
    }
}

TEST_F(ExtractZipTools, ADamagedEntryRaises) {
    ASSERT_TRUE(RunIn(FTmp / "src", "zip -q -r ../deflate.zip tree"));
    ASSERT_TRUE(RunIn(FTmp / "src", "7z a -bd -tzip -mm=Deflate64 ../deflate64.zip tree"));
    for (const char* name : {"deflate.zip", "deflate64.zip"}) {
        SCOPED_TRACE(name);
        // Flip bytes inside the compressed data of the large random file.
        std::string bytes = test::ReadFile(FTmp / name);
        const std::size_t at = bytes.find("tree/bin/app.bin");
        ASSERT_NE(at, std::string::npos);
        for (std::size_t i = at + 1000; i < at + 1100; ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        test::WriteFile(FTmp / name, bytes);
        EXPECT_THROW(ExtractZip(FTmp / name, FTmp / "out"), std::runtime_error);
    }
}

TEST_F(ExtractZipTools, KeepsPermissionBitsButNeverSetuidAndSkipsLinks) {
    fs::remove_all(FTree);
    test::WriteFile(FTree / "run.sh", "#!/bin/sh\n");
    test::WriteFile(FTree / "suid", "x");
    test::WriteFile(FTree / "private.txt", "x");
    test::WriteFile(FTree / "readonly.txt", "x");
    ::chmod((FTree / "run.sh").c_str(), 0755);
    ::chmod((FTree / "suid").c_str(), 04755);
    ::chmod((FTree / "private.txt").c_str(), 0600);
    ::chmod((FTree / "readonly.txt").c_str(), 0444);
    fs::create_symlink("/etc/passwd", FTree / "link");
    ASSERT_TRUE(RunIn(FTmp / "src", "zip -q -r -y ../perm.zip tree"));

    ASSERT_TRUE(ExtractZip(FTmp / "perm.zip", FTmp / "out"));
    const auto mode = [&](const char* Name) {
        struct stat st {};
        ::stat((FTmp / "out" / "tree" / Name).c_str(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode("run.sh"), 0755u);
    EXPECT_EQ(mode("suid"), 0755u);
    EXPECT_EQ(mode("private.txt"), 0600u);
    EXPECT_EQ(mode("readonly.txt"), 0644u);  // the owner can still replace it later
    EXPECT_FALSE(fs::exists(fs::symlink_status(FTmp / "out" / "tree" / "link")));
}

TEST_F(ExtractZipTools, ProgramsOfAPackageMadeOnWindowsComeOutExecutable) {
    ::umask(022);
    test::MakeStoredZip(FTmp / "windows.zip",
                        {{"NimbralClient", std::string("\x7f" "ELF\x02\x01\x01", 7) + "image"},
                         {"tools/run", "#!/bin/sh\nexit 0\n"},
                         {"notes.txt", "#not a script"},
                         {"tiny", "#"}},
                        test::TMadeOn::Windows);
    ASSERT_TRUE(ExtractZip(FTmp / "windows.zip", FTmp / "out"));
    const auto mode = [&](const char* Name) {
        struct stat st {};
        ::stat((FTmp / "out" / Name).c_str(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode("NimbralClient"), 0755u);
    EXPECT_EQ(mode("tools/run"), 0755u);
    EXPECT_EQ(mode("notes.txt"), 0644u);
    EXPECT_EQ(mode("tiny"), 0644u);
}

}  // namespace
}  // namespace nimbral
