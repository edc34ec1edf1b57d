#pragma once
// What Wine does not reproduce is skipped under Wine and left to a real
// Windows runner. Detection is at run time: Wine's ntdll exports
// wine_get_version, Windows' does not.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace nimbral::wintest {

bool RunningUnderWine();

// The Windows path of a file of the build machine (under Wine the Unix file
// system is reachable through a drive letter).
std::filesystem::path HostPathToWindows(const std::string& UnixPath);

}  // namespace nimbral::wintest

// Skips the current test under Wine, saying why.
#define NIMBRAL_SKIP_UNDER_WINE(Why)                                                   \
    do {                                                                              \
        if (::nimbral::wintest::RunningUnderWine()) {                                 \
            GTEST_SKIP() << "not reproduced by Wine, needs a real Windows runner: " << (Why); \
        }                                                                             \
    } while (false)
