// FetchUpdateInfo against a local server, and the decision made at start.

#include "update/Updater.h"

#include <gtest/gtest.h>

#include "support/TestServer.h"

#include <chrono>
#include <thread>

namespace nimbral {
namespace {

constexpr char kFull[] = R"({"version":"1.3.0","min_version":"1.2.0","url":"https://cdn/x.zip",
  "sha256":"ABCDEF0123","size":12345678901,"notes":"첫 줄\n둘째 줄","released_at":"2026-12-01",
  "extra":{"ignored":true}})";

TEST(FetchUpdateInfo, ReadsEveryMemberOfTheManifest) {
    test::TTestServer server;
    server.Answer(200, kFull);
    TUpdateInfo info;
    ASSERT_TRUE(FetchUpdateInfo(server.Origin() + "/client/version.json", info));
    EXPECT_EQ(info.Version, "1.3.0");
    EXPECT_EQ(info.MinVersion, "1.2.0");
    EXPECT_EQ(info.Url, "https://cdn/x.zip");
    EXPECT_EQ(info.Sha256, "abcdef0123");  // stored in lower case
    EXPECT_EQ(info.Size, 12345678901);
    EXPECT_EQ(info.Notes, "첫 줄\n둘째 줄");
    EXPECT_EQ(info.ReleasedAt, "2026-12-01");

    const auto request = server.Last();
    EXPECT_EQ(request.Method, "GET");
    EXPECT_EQ(request.Path, "/client/version.json");
    EXPECT_EQ(request.Header("Accept"), "application/json");
    EXPECT_FALSE(request.HasHeader("Authorization"));
    EXPECT_FALSE(request.HasHeader("Cookie"));
}

// A content host that moved its manifest: the redirect is followed, as
// WinHTTP follows it on Windows, rather than skipping a forced update.
TEST(FetchUpdateInfo, AManifestBehindARedirectIsRead) {
    test::TTestServer server;
    server.SetHandler([](const httplib::Request& Req, httplib::Response& Res) {
        if (Req.path == "/cdn/version.json") {
            Res.set_content(kFull, "application/json");
        } else {
            Res.status = 302;
            Res.set_header("Location", "/cdn/version.json");
        }
    });
    TUpdateInfo info;
    ASSERT_TRUE(FetchUpdateInfo(server.Origin() + "/client/version.json", info));
    EXPECT_EQ(info.MinVersion, "1.2.0");
}

TEST(FetchUpdateInfo, TellsUsableManifestsFromTheRest) {
    struct TCase {
        const char* What;
        int Status;
        std::string Body;
        bool Expected;
        const char* MinVersion;  // what MinVersion holds afterwards
    };
    const TCase cases[] = {
        {"min_version absent", 200, R"({"version":"1.2.0","url":"u"})", true, "1.2.0"},
        {"min_version null", 200, R"({"version":"1.2.0","min_version":null,"url":"u"})", true, "1.2.0"},
        {"min_version empty", 200, R"({"version":"1.2.0","min_version":"","url":"u"})", true, ""},
        {"version as a number", 200, R"({"version":1.5,"url":"u"})", true, "1.5"},
        {"status 404", 404, kFull, false, ""},
        {"status 500", 500, kFull, false, ""},
        {"status 201", 201, kFull, false, ""},
        {"empty body", 200, "", false, ""},
        {"not JSON", 200, "<html>", false, ""},
        {"an array", 200, "[1,2]", false, ""},
        {"a string", 200, "\"1.2.0\"", false, ""},
        {"size not numeric", 200, R"({"version":"9.0","min_version":"9.0","url":"u","size":"big"})", false, "9.0"},
        {"notes an object", 200, R"({"version":"9.0","url":"u","notes":{}})", false, "9.0"},
        {"url an array", 200, R"({"version":"9.0","url":[]})", false, "9.0"},
        {"version missing", 200, R"({"min_version":"9.0","url":"u"})", false, "9.0"},
        {"version empty", 200, R"({"version":"","min_version":"9.0","url":"u"})", false, "9.0"},
        {"url missing", 200, R"({"version":"9.0"})", false, "9.0"},
        {"url null", 200, R"({"version":"9.0","url":null})", false, "9.0"},
        {"url empty", 200, R"({"version":"9.0","url":""})", false, "9.0"},
    };
    test::TTestServer server;
    for (const auto& c : cases) {
        server.Answer(c.Status, c.Body);
        TUpdateInfo info;
        EXPECT_EQ(FetchUpdateInfo(server.Origin() + "/client/version.json", info), c.Expected) << c.What;
        EXPECT_EQ(info.MinVersion, c.MinVersion) << c.What;
    }
}

TEST(FetchUpdateInfo, DecodesTheDeclaredCharset) {
    test::TTestServer server;
    // "공지" in EUC-KR.
    server.Answer(200, "{\"version\":\"1.0\",\"url\":\"u\",\"notes\":\"\xB0\xF8\xC1\xF6\"}",
                  "application/json; charset=EUC-KR");
    TUpdateInfo info;
    ASSERT_TRUE(FetchUpdateInfo(server.Origin() + "/client/version.json", info));
    EXPECT_EQ(info.Notes, "공지");
}

TEST(FetchUpdateInfo, NoAnswerGivesFalse) {
    TUpdateInfo info;
    info.Version = "stale";
    EXPECT_FALSE(FetchUpdateInfo("http://127.0.0.1:1/client/version.json", info));  // refused
    EXPECT_EQ(info.Version, "");  // reset even when nothing came

    test::TTestServer server;
    server.SetHandler([](const httplib::Request&, httplib::Response& Res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Res.set_content(kFull, "application/json");
    });
    // Waiting longer than the response time-out would read a good manifest.
    EXPECT_FALSE(FetchUpdateInfo(server.Origin() + "/client/version.json", info, {1000, 100}));
}

TEST(IsUpdateRequired, OnlyWhenOlderThanTheLowestAllowedVersion) {
    struct TCase {
        const char* Current;
        const char* MinVersion;
        bool Expected;
    };
    const TCase cases[] = {
        {"1.1.9", "1.2.0", true},  {"1.1.0", "1.0.0", false}, {"1.2.0", "1.2.0", false},
        {"1.2.0", "", false},      {"0.0.0", "0.0.1", true},  {"0.0.0", "0", false},
        {"1.2.0.1", "1.2", false},
    };
    for (const auto& c : cases) {
        TUpdateInfo info;
        info.MinVersion = c.MinVersion;
        EXPECT_EQ(IsUpdateRequired(c.Current, info), c.Expected) << c.Current << " / " << c.MinVersion;
    }
}

}  // namespace
}  // namespace nimbral
