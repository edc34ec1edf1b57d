// Linux-only: a whole update of a real program. The "newer build" is a copy
// of the probe program stamped with a higher version; the package is made by
// zip (Unix modes recorded) or as on Windows (none recorded), served over
// HTTP, installed over the older copy, and the new build is really started,
// detached, in its folder.

#include "update/AppVersion.h"
#include "update/ProgramLifetime.h"
#include "update/UpdateInstall.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"
#include "support/TestServer.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

void StampedCopy(const fs::path& To, const std::string& Version) {
    fs::create_directories(To.parent_path());
    fs::copy_file(NIMBRAL_PROBE, To);
    ASSERT_EQ(std::system((std::string(NIMBRAL_STAMP_VERSION) + " '" + To.string() + "' " + Version).c_str()), 0);
}

TEST(InstallEndToEnd, TheNewBuildReplacesTheOldOneAndStarts) {
    for (const bool madeOnWindows : {false, true}) {
        SCOPED_TRACE(madeOnWindows ? "package made on Windows" : "package made by zip");
        test::TTempDir tmp;
        const fs::path programDir = tmp / "Nimbral";
        StampedCopy(programDir / "NimbralClient", "1.0.0");
        StampedCopy(tmp / "pack" / "NimbralClient", "2.0.0.3");
        test::WriteFile(tmp / "pack" / "tools" / "readme.txt", "tools");
        if (madeOnWindows) {
            test::MakeStoredZip(tmp / "package.zip",
                                {test::TZipEntry("NimbralClient", test::ReadFile(tmp / "pack" / "NimbralClient")).MadeOnWindows(),
                                 test::TZipEntry("tools/readme.txt", "tools").MadeOnWindows()});
        } else {
            ASSERT_TRUE(test::RunIn(tmp / "pack", "zip -q -r ../package.zip NimbralClient tools"));
        }
        const std::string package = test::ReadFile(tmp / "package.zip");

        test::TTestServer server;
        server.SetHandler([&](const httplib::Request& Req, httplib::Response& Res) {
            if (Req.path == "/client/version.json")
                Res.set_content(R"({"version":"2.0.0.3","url":")" + server.Origin() +
                                    R"(/NimbralClient-2.0.0.3.zip","sha256":")" + FileSha256(tmp / "package.zip") + "\"}",
                                "application/json");
            else
                Res.set_content(package, "application/zip");
        });
        TUpdateInfo info;
        ASSERT_TRUE(FetchUpdateInfo(server.Origin() + "/client/version.json", info));
        EXPECT_TRUE(IsUpdateRequired("1.0.0", info));

        int released = 0;
        SetGuardHandOver({[&] { ++released; }, {}});
        ClearTerminationRequest();
        const fs::path out = tmp / "started.txt";
        ::setenv("NIMBRAL_PROBE_OUT", out.c_str(), 1);
        const TInstallOutcome outcome =
            InstallUpdate(info, {}, TUpdateEnvironment{programDir / "NimbralClient", tmp / "temp", {}});
        ::unsetenv("NIMBRAL_PROBE_OUT");
        SetGuardHandOver({});
        ASSERT_TRUE(outcome.Installed) << outcome.FailureText;
        EXPECT_TRUE(TerminationRequested());
        ClearTerminationRequest();
        EXPECT_EQ(released, 1);

        for (int i = 0; i < 500 && !fs::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(test::ReadFile(out), "2.0.0.3\n" + programDir.string() + "\n");
        EXPECT_EQ(test::ReadFile(programDir / "tools" / "readme.txt"), "tools");
        ASSERT_TRUE(fs::exists(programDir / "NimbralClient.old"));

        // The next start clears what the swap left behind.
        CleanupOldFiles(programDir);
        EXPECT_FALSE(fs::exists(programDir / "NimbralClient.old"));
        EXPECT_TRUE(fs::exists(programDir / "NimbralClient"));
    }
}

}  // namespace
}  // namespace nimbral
