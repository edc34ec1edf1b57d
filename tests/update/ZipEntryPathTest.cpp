#include "update/Updater.h"

#include <gtest/gtest.h>

namespace nimbral {
namespace {

TEST(SafeZipEntryPath, SanitisesOrRejects) {
    struct TCase {
        const char* Name;
        const char* Expected;
    };
    const TCase cases[] = {
        {"bin/app.dll", "bin\\app.dll"},
        {"./a//b", "a\\b"},
        {"a/./b", "a\\b"},
        {"a\\b/c", "a\\b\\c"},  // a backslash separates too
        {"data/", "data"},
        {"x", "x"},
        {"a/b/", "a\\b"},
        {"...", "..."},
        {"a..b/c", "a..b\\c"},
        {"../x", ""},
        {"a/../b", ""},
        {"a/b/..", ""},
        {"a\\..\\b", ""},
        {"/x", ""},
        {"\\x", ""},
        {"C:/x", ""},
        {"C:x", ""},
        {"./", ""},
        {".", ""},
        {"", ""},
        {"//", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeZipEntryPath(c.Name), c.Expected) << '"' << c.Name << '"';
}

}  // namespace
}  // namespace nimbral
