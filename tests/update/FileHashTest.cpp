#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <stdexcept>

namespace nimbral {
namespace {

TEST(FileSha256, HashesWholeFilesAcrossBufferBoundaries) {
    test::TTempDir tmp;
    struct TCase {
        std::string Content;
        const char* Expected;
    };
    const TCase cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // A million bytes: fifteen full 64 KiB reads and a partial one.
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        test::WriteFile(tmp / "f", c.Content);
        EXPECT_EQ(FileSha256(tmp / "f"), c.Expected) << c.Content.size() << " bytes";
    }
}

TEST(FileSha256, AFileThatCannotBeReadRaises) {
    test::TTempDir tmp;
    EXPECT_THROW(FileSha256(tmp / "missing"), std::runtime_error);
    // A folder opens on some systems but every read of it fails.
    EXPECT_THROW(FileSha256(tmp.Path()), std::runtime_error);
}

}  // namespace
}  // namespace nimbral
