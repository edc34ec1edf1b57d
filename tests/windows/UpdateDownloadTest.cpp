// The update over WinHTTP against a local server: the manifest, the package
// download, and a whole installation of a small package with the real
// Windows file operations and ShellExecuteW (the portable update suite
// covers hashing, unpacking and the swap's undo).
#include "platform/VersionRecord.h"
#include "update/AppVersion.h"
#include "update/PathText.h"
#include "update/ProgramLifetime.h"
#include "update/UpdateInstall.h"
#include "support/HostProgram.h"
#include "support/NativeServer.h"
#include "support/Wine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using wintest::TNativeServer;

class UpdateOverWinHttp : public ::testing::Test {
protected:
    TNativeServer Server;
    fs::path Folder;

    void SetUp() override
    {
        Folder = fs::temp_directory_path() / ("nimbral-update-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }
};

TEST_F(UpdateOverWinHttp, ManifestIsRead)
{
    Server.Set("/client/version.json",
               {.Status = 200, .ContentType = "application/json",
                .Body = R"({"version":"1.4.0","min_version":"1.2.0","url":"http://h/p.zip","sha256":"ABCDEF","size":123})"});
    TUpdateInfo Info;
    ASSERT_TRUE(FetchUpdateInfo(Server.Origin() + "/client/version.json", Info));
    EXPECT_EQ(Info.Version, "1.4.0");
    EXPECT_EQ(Info.MinVersion, "1.2.0");
    EXPECT_EQ(Info.Url, "http://h/p.zip");
    EXPECT_EQ(Info.Sha256, "abcdef");
    EXPECT_EQ(Info.Size, 123);

    Server.Set("/client/version.json", {.Status = 404, .ContentType = "text/html", .Body = "<html/>"});
    EXPECT_FALSE(FetchUpdateInfo(Server.Origin() + "/client/version.json", Info));
}

TEST_F(UpdateOverWinHttp, DownloadStreamsThePackageWithProgress)
{
    const std::int64_t Size = 1 << 20;
    Server.SetPattern("/pkg/NimbralClient-1.4.0.zip", Size);
    const fs::path Dest = Folder / "NimbralClient-1.4.0.zip";
    std::int64_t LastReceived = 0;
    std::int64_t LastTotal = 0;
    ASSERT_TRUE(DownloadFile(Server.Origin() + "/pkg/NimbralClient-1.4.0.zip", Dest,
                             [&](std::int64_t Received, std::int64_t Total) {
                                 LastReceived = Received;
                                 LastTotal = Total;
                             }));
    EXPECT_EQ(fs::file_size(Dest), static_cast<std::uintmax_t>(Size));
    EXPECT_EQ(LastReceived, Size);
    EXPECT_EQ(LastTotal, Size);

    std::ifstream In(Dest, std::ios::binary);
    const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    for (std::size_t I = 0; I < Bytes.size(); I += 4099) {
        ASSERT_EQ(static_cast<unsigned char>(Bytes[I]), (I * 7) % 251) << I;
    }
}

// A package made on Korean Windows: a new program and a file with a CP949
// name, installed over the old program, and the new build started in its
// folder, reporting what it is.
TEST_F(UpdateOverWinHttp, InstallUpdateReplacesTheProgramAndStartsTheNewBuild)
{
    const fs::path programDir = Folder / "program";
    fs::create_directories(programDir);
    test::WriteFile(programDir / "NimbralClient.exe", "the old build");
    const std::string newBuild = test::ReadFile(NIMBRAL_PROBE);
    const std::string package = wintest::HostScratchPath("package") + ".zip";
    const fs::path packageHere = wintest::HostPathToWindows(package);
    test::MakeStoredZip(packageHere, {test::TZipEntry("NimbralClient.exe", newBuild).MadeOnWindows(),
                                      test::TZipEntry("data\\\xC7\xD1\xB1\xDB.txt", "hangul").MadeOnWindows()});
    Server.SetFile("/pkg/NimbralClient-2.0.0.zip", package);

    TUpdateInfo Info;
    Info.Version = "2.0.0";
    Info.MinVersion = "2.0.0";
    Info.Url = Server.Origin() + "/pkg/NimbralClient-2.0.0.zip";
    Info.Sha256 = FileSha256(packageHere);
    const fs::path report = Folder / "started.txt";
    SetEnvironmentVariableW(L"NIMBRAL_PROBE_OUT", report.c_str());
    ClearTerminationRequest();
    const TInstallOutcome Outcome =
        InstallUpdate(Info, {}, TUpdateEnvironment{programDir / "NimbralClient.exe", Folder / "temp", {}});
    SetEnvironmentVariableW(L"NIMBRAL_PROBE_OUT", nullptr);
    fs::remove(packageHere);
    ASSERT_TRUE(Outcome.Installed) << Outcome.FailureText;
    EXPECT_TRUE(TerminationRequested());
    ClearTerminationRequest();

    EXPECT_TRUE(test::ReadFile(programDir / "NimbralClient.exe") == newBuild);
    EXPECT_EQ(test::ReadFile(programDir / "NimbralClient.exe.old"), "the old build");
    EXPECT_EQ(test::ReadFile(programDir / "data" / PathFromUtf8("한글.txt")), "hangul");
    for (int I = 0; I < 1000 && !fs::exists(report); ++I) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream Lines(report);
    std::string Version, WorkDir;
    std::getline(Lines, Version);
    std::getline(Lines, WorkDir);
    const auto Record = platform::ReadVersionRecord(NIMBRAL_PROBE);
    ASSERT_TRUE(Record.has_value());
    EXPECT_EQ(Version, FormatFileVersion(Record->MS, Record->LS));
    EXPECT_TRUE(fs::equivalent(WorkDir, programDir)) << WorkDir;
}

TEST_F(UpdateOverWinHttp, AnswerOtherThan200LeavesNoFile)
{
    Server.Set("/pkg/missing.zip", {.Status = 404, .ContentType = "text/html", .Body = "<html>not here</html>"});
    const fs::path Dest = Folder / "missing.zip";
    EXPECT_FALSE(DownloadFile(Server.Origin() + "/pkg/missing.zip", Dest, nullptr));
    EXPECT_FALSE(fs::exists(Dest));
}

}  // namespace
}  // namespace nimbral
