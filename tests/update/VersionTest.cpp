#include "update/AppVersion.h"

#include <gtest/gtest.h>

namespace nimbral {
namespace {

TEST(CompareVersions, OrdersDottedTexts) {
    struct TCase {
        const char* A;
        const char* B;
        int Expected;
    };
    const TCase cases[] = {
        {"1.2.3", "1.2.3", 0},
        {"1.2.3", "1.2.3.1", -1},
        {"1.2.3.0", "1.2.3", 0},
        {"1.10.0", "1.9.9", 1},  // numeric, not text order
        {"1.2", "1.2.0.0", 0},
        {"1.2-beta", "1.2", -1},  // "2-beta" reads as 0
        {"1.x", "1.0", 0},
        {"", "0", 0},
        {"", "0.0.1", -1},
        {"1.2.3", "", 1},
        {"1.-1", "1.0", -1},  // signed parts
        {"1.4294967296", "1.0", 0},  // out of 32-bit range reads as 0
        {"1.2147483647", "1.2147483646", 1},
        {"1.2147483648", "1.1", -1},
        {"1.-2147483648", "1.-2147483647", -1},
        {"1.+5", "1.5", 0},
        {"1.+-5", "1.0", 0},
        {"1.007", "1.7", 0},  // leading zeros allowed
        {"1..2", "1.0.2", 0},  // empty parts stay in the list
        {"1. 2", "1.0", 0},
        {"1.0x10", "1.0", 0},  // decimal only
        {".", "0.0", 0},
        {"2", "1.99.99", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareVersions(c.A, c.B), c.Expected) << c.A << " vs " << c.B;
        EXPECT_EQ(CompareVersions(c.B, c.A), -c.Expected) << c.B << " vs " << c.A;
    }
}

TEST(FormatFileVersion, DropsOnlyAZeroBuild) {
    struct TCase {
        unsigned Major, Minor, Release, Build;
        const char* Expected;
    };
    const TCase cases[] = {
        {2, 3, 4, 5, "2.3.4.5"},   {2, 3, 4, 0, "2.3.4"}, {2, 0, 0, 0, "2.0.0"},
        {0, 0, 0, 7, "0.0.0.7"},   {0, 0, 0, 0, "0.0.0"},
        {65535, 65535, 65535, 65535, "65535.65535.65535.65535"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFileVersion(c.Major << 16 | c.Minor, c.Release << 16 | c.Build), c.Expected);
}

}  // namespace
}  // namespace nimbral
