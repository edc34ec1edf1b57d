// The update manifest and the package download over WinHTTP, against a local
// server (the portable update suite covers hashing and the swap).
#include "update/Updater.h"
#include "support/NativeServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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

TEST_F(UpdateOverWinHttp, AnswerOtherThan200LeavesNoFile)
{
    Server.Set("/pkg/missing.zip", {.Status = 404, .ContentType = "text/html", .Body = "<html>not here</html>"});
    const fs::path Dest = Folder / "missing.zip";
    EXPECT_FALSE(DownloadFile(Server.Origin() + "/pkg/missing.zip", Dest, nullptr));
    EXPECT_FALSE(fs::exists(Dest));
}

}  // namespace
}  // namespace nimbral
