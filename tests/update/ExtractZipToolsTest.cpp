// ExtractZip on archives made by the archiving tools themselves: zip for
// stored and deflate entries, 7z for Deflate64. The build makes them on the
// build machine (make-tool-archives.sh), so the suite runs on every
// platform, under Wine too.

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <zip.h>

#include <stdexcept>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

const fs::path kArchives = NIMBRAL_TOOL_ARCHIVES;

struct TEntryStat {
    std::uint16_t Method = 0;
    std::uint64_t CompSize = 0;
    std::uint64_t Size = 0;
};

TEntryStat StatOf(const fs::path& Archive, const char* Name) {
    int error = 0;
    zip_t* z = zip_open(Archive.string().c_str(), ZIP_RDONLY, &error);
    zip_stat_t st;
    zip_stat_init(&st);
    const bool ok = z != nullptr && zip_stat(z, Name, 0, &st) == 0;
    if (z != nullptr)
        zip_discard(z);
    if (!ok)
        throw std::runtime_error(std::string("no entry ") + Name);
    return {st.comp_method, st.comp_size, st.size};
}

// The packed tree as it should come out: folders only where files are.
std::map<std::string, std::string> Expected() {
    auto tree = test::Snapshot(kArchives / "tree");
    tree.erase("emptydir");
    return tree;
}

TEST(ExtractZipTools, UnpacksStoredDeflateAndDeflate64Trees) {
    struct TCase {
        const char* Archive;
        std::uint16_t Method;
    };
    const TCase cases[] = {
        {"stored.zip", ZIP_CM_STORE},
        {"deflate.zip", ZIP_CM_DEFLATE},
        {"deflate64.zip", ZIP_CM_DEFLATE64},
    };
    test::TTempDir tmp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Archive);
        const TEntryStat far = StatOf(kArchives / c.Archive, "tree/bin/far.bin");
        ASSERT_EQ(far.Method, c.Method);
        if (c.Method == ZIP_CM_DEFLATE64) {  // the far matches were found and are decoded
            EXPECT_LT(far.CompSize, far.Size / 2);
        }
        const fs::path out = tmp / c.Archive;
        ASSERT_TRUE(ExtractZip(kArchives / c.Archive, out));
        EXPECT_EQ(test::Snapshot(out / "tree"), Expected());
    }
}

TEST(ExtractZipTools, ADamagedEntryRaises) {
    test::TTempDir tmp;
    for (const char* name : {"deflate.zip", "deflate64.zip"}) {
        SCOPED_TRACE(name);
        // Flip bytes inside the data of the large random file.
        std::string bytes = test::ReadFile(kArchives / name);
        const std::size_t at = bytes.find("tree/bin/app.bin");
        ASSERT_NE(at, std::string::npos);
        for (std::size_t i = at + 1000; i < at + 1100; ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        test::WriteFile(tmp / name, bytes);
        EXPECT_THROW(ExtractZip(tmp / name, tmp / "out"), std::runtime_error);
    }
}

}  // namespace
}  // namespace nimbral
