// ExtractZip on archives written by the test itself: names no archiving tool
// would write (zip-slip, CP949), an archive with no entries, one that is not a
// ZIP, and an entry whose method is not supported.

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"

#include <stdexcept>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

TEST(ExtractZip, UnsafeNamesAreSkippedAndNothingLandsOutside) {
    test::TTempDir tmp;
    const fs::path archive = tmp / "slip.zip";
    test::MakeStoredZip(archive, {
        {"../evil.txt", "x"},
        {"a/../../evil2.txt", "x"},
        {"..\\evil3.txt", "x"},
        {"/abs.txt", "x"},
        {"\\abs2.txt", "x"},
        {"C:/drive.txt", "x"},
        {"sub/C:x.txt", "x"},  // a drive-relative part on Windows
        {"sub/.../x.txt", "x"},
        {"./", ""},
        {"ok/./fine.txt", "fine"},
        {"ok\\back.txt", "back"},
    });
    const fs::path out = tmp / "deep" / "out";
    ASSERT_TRUE(ExtractZip(archive, out));

    const std::map<std::string, std::string> expected = {
        {"deep", "<dir>"}, {"deep/out", "<dir>"}, {"deep/out/ok", "<dir>"},
        {"deep/out/ok/back.txt", "back"}, {"deep/out/ok/fine.txt", "fine"},
        {"slip.zip", test::ReadFile(archive)},
    };
    auto tree = test::Snapshot(tmp.Path());
    // Linux keeps "C:x.txt" as a plain name; Windows must not follow it.
    tree.erase("deep/out/sub/C:x.txt");
    tree.erase("deep/out/sub");
    EXPECT_EQ(tree, expected);
}

// A name is UTF-8 when the archive says so (the UTF-8 flag, a Unicode path
// field); any other name is CP949 first, even where its bytes happen to be
// valid UTF-8 too.
TEST(ExtractZip, EntryNamesAreUtf8WhenFlaggedElseCp949) {
    test::TTempDir tmp;
    const fs::path archive = tmp / "korean.zip";
    test::MakeStoredZip(archive, {
        // "업데이트/한글.txt" in code page 949.
        {"\xBE\xF7\xB5\xA5\xC0\xCC\xC6\xAE/\xC7\xD1\xB1\xDB.txt", "cp949"},
        // "창.txt" in code page 949: its bytes read as "â.txt" in UTF-8.
        {"\xC3\xA2.txt", "cp949 that looks like utf-8"},
        test::TZipEntry("\xEC\x84\xA4\xEC\xA0\x95.ini", "flagged utf-8").FlaggedUtf8(),  // "설정.ini"
        // "가.txt" in code page 949 in the header, "나.txt" in the Unicode path field.
        test::TZipEntry("\xB0\xA1.txt", "unicode path").WithUnicodePath("나.txt"),
        {"plain.txt", "ascii"},
    });
    ASSERT_TRUE(ExtractZip(archive, tmp / "out"));
    const std::map<std::string, std::string> expected = {
        {"업데이트", "<dir>"},  {"업데이트/한글.txt", "cp949"}, {"창.txt", "cp949 that looks like utf-8"},
        {"설정.ini", "flagged utf-8"}, {"나.txt", "unicode path"}, {"plain.txt", "ascii"},
    };
    EXPECT_EQ(test::Snapshot(tmp / "out"), expected);
}

TEST(ExtractZip, ANameInNeitherUtf8NorCp949Raises) {
    test::TTempDir tmp;
    test::MakeStoredZip(tmp / "bad.zip", {{"\xFF\xFE.txt", "x"}});  // 0xFF leads no CP949 character
    EXPECT_THROW(ExtractZip(tmp / "bad.zip", tmp / "out"), std::runtime_error);
}

// Folders and links are skipped before their names are read: a name that
// cannot be decoded does not stop the unpacking when its entry is not unpacked.
TEST(ExtractZip, AnUnreadableNameOfASkippedEntryIsNoError) {
    test::TTempDir tmp;
    test::MakeStoredZip(tmp / "skipped.zip", {
        {"\xFF\xFE/", ""},
        test::TZipEntry("\xFF\xFD", "/etc/passwd").WithUnixMode(0120777),
        {"ok.txt", "ok"},
    });
    ASSERT_TRUE(ExtractZip(tmp / "skipped.zip", tmp / "out"));
    EXPECT_EQ(test::Snapshot(tmp / "out"), (std::map<std::string, std::string>{{"ok.txt", "ok"}}));
}

TEST(ExtractZip, OpensOnlyRealArchives) {
    test::TTempDir tmp;
    test::WriteFile(tmp / "text.zip", "this is not an archive");
    EXPECT_FALSE(ExtractZip(tmp / "text.zip", tmp / "a"));
    EXPECT_FALSE(ExtractZip(tmp / "missing.zip", tmp / "b"));

    // Only the end-of-central-directory record: an archive with no entries.
    test::WriteFile(tmp / "empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    ASSERT_TRUE(ExtractZip(tmp / "empty.zip", tmp / "c"));
    EXPECT_TRUE(fs::is_empty(tmp / "c"));
}

TEST(ExtractZip, AnUnsupportedMethodRaises) {
    test::TTempDir tmp;
    const fs::path archive = tmp / "bzip2.zip";
    test::MakeStoredZip(archive, {{"a.txt", "data"}});
    // Claim method 12 (bzip2) in both the local and the central header.
    std::string bytes = test::ReadFile(archive);
    for (const std::string& sig : {std::string("PK\x03\x04", 4), std::string("PK\x01\x02", 4)}) {
        const std::size_t at = bytes.find(sig);
        ASSERT_NE(at, std::string::npos);
        bytes[at + (sig[2] == '\x03' ? 8 : 10)] = 12;
    }
    test::WriteFile(archive, bytes);
    EXPECT_THROW(ExtractZip(archive, tmp / "out"), std::runtime_error);
}

}  // namespace
}  // namespace nimbral
