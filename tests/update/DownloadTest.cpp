// DownloadFile against a local server: with and without a length, a status
// other than 200, and a connection cut in the middle of the body.

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "support/TestServer.h"

namespace nimbral {
namespace {

namespace fs = std::filesystem;

struct TProgressLog {
    std::vector<std::pair<std::int64_t, std::int64_t>> Calls;
    TProgressProc Proc() {
        return [this](std::int64_t Received, std::int64_t Total) { Calls.emplace_back(Received, Total); };
    }
    bool Monotone() const {
        for (std::size_t i = 1; i < Calls.size(); ++i) {
            if (Calls[i].first < Calls[i - 1].first)
                return false;
        }
        return true;
    }
};

class Download : public ::testing::Test {
protected:
    test::TTestServer FServer;
    test::TTempDir FTmp;
    const std::string FBody = test::RandomBytes(3 * 1024 * 1024 + 17, 3);
    fs::path FDest = FTmp / "sub" / "package.zip";
};

TEST_F(Download, StreamsABodyWithItsLength) {
    FServer.Answer(200, FBody, "application/zip");
    test::WriteFile(FDest, "an earlier partial download");
    TProgressLog progress;
    ASSERT_TRUE(DownloadFile(FServer.Origin() + "/p.zip", FDest, progress.Proc()));
    EXPECT_TRUE(test::ReadFile(FDest) == FBody);
    ASSERT_FALSE(progress.Calls.empty());
    EXPECT_TRUE(progress.Monotone());
    const auto size = static_cast<std::int64_t>(FBody.size());
    EXPECT_EQ(progress.Calls.back(), std::make_pair(size, size));
}

TEST_F(Download, APackageBehindARedirectIsDownloaded) {
    FServer.SetHandler([&](const httplib::Request& Req, httplib::Response& Res) {
        if (Req.path == "/cdn/p.zip") {
            Res.set_content(FBody, "application/zip");
        } else {
            Res.status = 302;
            Res.set_header("Location", "/cdn/p.zip");
            Res.set_content("moved", "text/plain");
        }
    });
    ASSERT_TRUE(DownloadFile(FServer.Origin() + "/p.zip", FDest, nullptr));
    EXPECT_TRUE(test::ReadFile(FDest) == FBody);
}

TEST_F(Download, StreamsABodyWithoutALength) {
    FServer.SetHandler([this](const httplib::Request&, httplib::Response& Res) {
        Res.set_chunked_content_provider("application/zip", [this](size_t Offset, httplib::DataSink& Sink) {
            if (Offset < FBody.size())
                Sink.write(FBody.data() + Offset, std::min<std::size_t>(100000, FBody.size() - Offset));
            else
                Sink.done();
            return true;
        });
    });
    TProgressLog progress;
    ASSERT_TRUE(DownloadFile(FServer.Origin() + "/p.zip", FDest, progress.Proc()));
    EXPECT_TRUE(test::ReadFile(FDest) == FBody);
    ASSERT_FALSE(progress.Calls.empty());
    EXPECT_TRUE(progress.Monotone());
    EXPECT_EQ(progress.Calls.back().first, static_cast<std::int64_t>(FBody.size()));
    EXPECT_LE(progress.Calls.back().second, 0);  // nothing announced
}

TEST_F(Download, AStatusOtherThan200LeavesNoFile) {
    FServer.Answer(404, "not here", "text/plain");
    test::WriteFile(FDest, "an earlier partial download");
    EXPECT_FALSE(DownloadFile(FServer.Origin() + "/p.zip", FDest, nullptr));
    EXPECT_FALSE(fs::exists(FDest));
}

TEST_F(Download, ACutConnectionKeepsThePartialFile) {
    const std::size_t half = FBody.size() / 2;
    FServer.SetHandler([&](const httplib::Request&, httplib::Response& Res) {
        Res.set_content_provider(FBody.size(), "application/zip",
                                 [&](size_t Offset, size_t, httplib::DataSink& Sink) {
                                     if (Offset >= half)
                                         return false;  // drop the connection
                                     Sink.write(FBody.data() + Offset, std::min<std::size_t>(65536, half - Offset));
                                     return true;
                                 });
    });
    EXPECT_FALSE(DownloadFile(FServer.Origin() + "/p.zip", FDest, nullptr));
    ASSERT_TRUE(fs::exists(FDest));
    const std::string partial = test::ReadFile(FDest);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), FBody.size());
    EXPECT_TRUE(partial == FBody.substr(0, partial.size()));
}

TEST_F(Download, NoServerGivesFalse) {
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:1/p.zip", FDest, nullptr));
}

}  // namespace
}  // namespace nimbral
