// The installation sequence end to end against a local server, with the
// start of the new build behind the seam: status texts in order, and the
// text each failing step ends with.

#include "update/PathText.h"
#include "update/ProgramLifetime.h"
#include "update/UpdateInstall.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"
#include "support/TestServer.h"

#include <stdexcept>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kAllSteps = {kStatusDownloading, kStatusVerifying, kStatusExtracting,
                                            kStatusReplacing};

class Install : public ::testing::Test {
protected:
    test::TTestServer FServer;
    test::TTempDir FTmp;
    fs::path FProgramDir = FTmp / "program";
    std::vector<std::string> FStatuses;
    std::vector<fs::path> FStarted;
    std::int64_t FLastReceived = 0;
    TUpdateFileOps FOps;

    void SetUp() override {
        ClearTerminationRequest();
        test::WriteFile(FProgramDir / "NimbralClient", "old build");
        fs::create_directories(FTmp / "temp");
    }
    void TearDown() override { ClearTerminationRequest(); }

    // Serves Bytes as the package and returns the manifest that points at it.
    TUpdateInfo Serve(const std::string& Bytes, const std::string& Version = "2.0.0") {
        FServer.SetHandler([Bytes](const httplib::Request& Req, httplib::Response& Res) {
            if (Req.path == "/missing.zip")
                Res.status = 404;
            else
                Res.set_content(Bytes, "application/zip");
        });
        TUpdateInfo info;
        info.Version = Version;
        info.MinVersion = Version;
        info.Url = FServer.Origin() + "/NimbralClient.zip";
        return info;
    }

    std::string Package(const std::vector<test::TZipEntry>& Entries) {
        const fs::path file = FTmp / "made.zip";
        test::MakeStoredZip(file, Entries);
        return test::ReadFile(file);
    }

    TInstallOutcome Run(const TUpdateInfo& Info) {
        FStatuses.clear();
        TUpdateEnvironment env{FProgramDir / "NimbralClient", FTmp / "temp", FOps};
        env.Ops.Start = [this](const fs::path& Program, const fs::path&) {
            FStarted.push_back(Program);
            return true;
        };
        return InstallUpdate(
            Info,
            {[this](const std::string& Text) { FStatuses.push_back(Text); },
             [this](std::int64_t Received, std::int64_t) { FLastReceived = Received; }},
            env);
    }
};

TEST_F(Install, InstallsAVerifiedPackageAndStartsTheNewBuild) {
    const std::string bytes = Package({{"NimbralClient", "new build"}, {"lib/y.dll", "y"}});
    TUpdateInfo info = Serve(bytes);
    test::WriteFile(FTmp / "package.zip", bytes);
    info.Sha256 = FileSha256(FTmp / "package.zip");
    for (char& c : info.Sha256)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));  // compared without case
    // A stale staging folder from an earlier try is cleared first.
    test::WriteFile(FTmp / "temp" / "NimbralClient-update-2.0.0" / "stale.txt", "stale");

    const TInstallOutcome outcome = Run(info);
    EXPECT_TRUE(outcome.Installed) << outcome.FailureText;
    EXPECT_EQ(FStatuses, kAllSteps);
    EXPECT_EQ(FLastReceived, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(test::ReadFile(FProgramDir / "NimbralClient"), "new build");
    EXPECT_EQ(test::ReadFile(FProgramDir / "NimbralClient.old"), "old build");
    EXPECT_EQ(test::ReadFile(FProgramDir / "lib" / "y.dll"), "y");
    EXPECT_FALSE(fs::exists(FProgramDir / "stale.txt"));
    EXPECT_EQ(FStarted, std::vector<fs::path>{FProgramDir / "NimbralClient"});
    EXPECT_TRUE(TerminationRequested());
    EXPECT_TRUE(fs::exists(FTmp / "temp" / "NimbralClient-2.0.0.zip"));  // kept after success
}

TEST_F(Install, EachFailingStepEndsWithItsText) {
    const std::string good = Package({{"NimbralClient", "new build"}});
    std::string unsupported = good;  // method 12 in both headers
    unsupported[8] = 12;
    unsupported[unsupported.find(std::string("PK\x01\x02", 4)) + 10] = 12;

    struct TCase {
        const char* What;
        std::string Bytes;
        std::string Url;  // empty: the served package
        std::string Sha256;
        std::string Expected;
        std::size_t Steps;  // statuses shown before the failure
    };
    const TCase cases[] = {
        {"status 404", good, "/missing.zip", "", kFailDownload, 1},
        {"no server", good, "http://127.0.0.1:1/p.zip", "", kFailDownload, 1},
        {"wrong hash", good, "", std::string(64, '0'), kFailVerify, 2},
        {"not an archive", "not a zip at all", "", "", kFailExtract, 3},
        {"empty archive", std::string("PK\x05\x06", 4) + std::string(18, '\0'), "", "", kFailReplace, 4},
        {"unsupported method", unsupported, "", "", std::string(kErrorPrefix) + "지원하지 않는 압축 방식입니다 (12): NimbralClient", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TUpdateInfo info = Serve(c.Bytes);
        if (!c.Url.empty())
            info.Url = c.Url.front() == '/' ? FServer.Origin() + c.Url : c.Url;
        info.Sha256 = c.Sha256;
        const TInstallOutcome outcome = Run(info);
        EXPECT_FALSE(outcome.Installed);
        EXPECT_EQ(outcome.FailureText, c.Expected);
        EXPECT_EQ(FStatuses, std::vector<std::string>(kAllSteps.begin(), kAllSteps.begin() + c.Steps));
        EXPECT_EQ(test::ReadFile(FProgramDir / "NimbralClient"), "old build");
        EXPECT_FALSE(TerminationRequested());
    }
    EXPECT_TRUE(FStarted.empty());
}

// What an earlier try left in the staging folder is cleared as far as it
// goes; a file that stays would be installed with the new version, so the
// sequence stops before unpacking.
TEST_F(Install, AStagingFolderThatCannotBeClearedStopsTheSequence) {
    TUpdateInfo info = Serve(Package({{"NimbralClient", "new build"}}));
    const fs::path staging = FTmp / "temp" / "NimbralClient-update-2.0.0";
    for (const char* name : {"a.txt", "lib/b.dll", "lib/stuck.dll", "z.txt"})
        test::WriteFile(staging / name, "from an earlier try");
    FOps.Delete = [](const fs::path& P) {
        return P.filename() != "stuck.dll" && platform::DeleteFileNoThrow(P);
    };

    const TInstallOutcome outcome = Run(info);
    EXPECT_FALSE(outcome.Installed);
    EXPECT_EQ(outcome.FailureText, std::string(kErrorPrefix) + "압축 해제 폴더를 비울 수 없습니다: " +
                                       PathText(staging));
    EXPECT_EQ(test::Snapshot(staging),
              (std::map<std::string, std::string>{{"lib", "<dir>"}, {"lib/stuck.dll", "from an earlier try"}}));
    EXPECT_EQ(test::ReadFile(FProgramDir / "NimbralClient"), "old build");
    EXPECT_TRUE(FStarted.empty());
}

TEST_F(Install, AWrongHashDeletesThePackage) {
    TUpdateInfo info = Serve(Package({{"NimbralClient", "new build"}}));
    info.Sha256 = std::string(64, 'f');
    EXPECT_EQ(Run(info).FailureText, kFailVerify);
    EXPECT_FALSE(fs::exists(FTmp / "temp" / "NimbralClient-2.0.0.zip"));
}

TEST_F(Install, AVersionThatIsNoFileNameRaisesBeforeAnyStep) {
    for (const char* version : {"../../escape", "a/b", "a\\b", "C:x", "x*", "tab\there"}) {
        TUpdateInfo info = Serve(Package({{"NimbralClient", "new build"}}), version);
        EXPECT_THROW(Run(info), std::invalid_argument) << version;
        EXPECT_TRUE(FStatuses.empty());
    }
    EXPECT_TRUE(FServer.Requests().empty());
}

}  // namespace
}  // namespace nimbral
