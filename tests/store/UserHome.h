#pragma once
// A user's home of its own for one test (Linux): HOME, XDG_CONFIG_HOME and
// XDG_DATA_HOME point into a fresh temporary folder, removed afterwards.

#include "support/ScopedEnv.h"
#include "update/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbral::test {

class UserHome : public ::testing::Test {
protected:
    UserHome() {
        FEnv.Set("HOME", FHome.Path().string());
        FEnv.Set("XDG_CONFIG_HOME", (FHome / "config").string());
        FEnv.Set("XDG_DATA_HOME", (FHome / "data").string());
    }

    std::filesystem::path TokenFolder() const { return FHome / "config" / "NimbralClient"; }
    std::filesystem::path TokenFile() const { return TokenFolder() / "auth.dat"; }
    std::filesystem::path KeyFile() const { return FHome / "data" / "NimbralClient" / "user.key"; }

    TTempDir FHome;
    TScopedEnv FEnv;
};

}  // namespace nimbral::test
