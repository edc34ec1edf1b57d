// The launcher page's messages reaching the main window: sign-in, sign-out
// and what is dropped, with the service API on a recording server.

#include "store/TokenStore.h"
#include "support/MainWindowFixture.h"

namespace nimbral::test {
namespace {

using TLauncherMessagesTest = TMainWindowFixture;

const char* const MeAnswer =
    R"({"success":true,"message":"","data":{"id":3,"name":"김민준","email":"minjun@example.kr"}})";

std::vector<std::string> Paths(const std::vector<TRecordedRequest>& Requests)
{
    std::vector<std::string> P;
    for (const auto& R : Requests)
        P.push_back(R.Method + " " + R.Path);
    return P;
}

TEST_F(TLauncherMessagesTest, AuthTokenSignsInStoresTheTokenAndStartsThePoll)
{
    Api.SetHandler([](const httplib::Request& Req, httplib::Response& Res) {
        Res.set_content(Req.path == "/api/v1/me" ? MeAnswer : R"({"success":true,"data":null})",
                        "application/json");
    });
    TfrmMain& F = Open();
    F.FRecoveryFailed = true;
    Browser->PostWebMessage(R"({"action":"auth-token","token":"토큰-1"})");

    EXPECT_EQ(F.FApiClient->AuthToken(), "토큰-1");
    EXPECT_EQ(LoadToken(), "토큰-1");
    EXPECT_FALSE(F.FRecoveryFailed);
    EXPECT_EQ(F.FUser.Name, "김민준");
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    const auto Requests = Api.Requests();
    ASSERT_FALSE(Requests.empty());
    EXPECT_EQ(Paths(Requests)[0], "GET /api/v1/me");
    EXPECT_EQ(Requests[0].Header("Authorization"), "Bearer 토큰-1");
    EXPECT_EQ(LogTexts()[0], R"(PcBang webmsg: {"action":"auth-token","token":"토큰-1"})");
    EXPECT_TRUE(Logged("auth-token received, FApiClient initialized"));
}

TEST_F(TLauncherMessagesTest, ASecondTokenReplacesTheFirstInTheSameClient)
{
    TfrmMain& F = Open();
    const TApiClient* Client = F.FApiClient.get();
    Browser->PostWebMessage(R"({"action":"auth-token","token":"first"})");
    Browser->PostWebMessage(R"({"action":"auth-token","token":"second"})");
    EXPECT_EQ(F.FApiClient.get(), Client);
    EXPECT_EQ(F.FApiClient->AuthToken(), "second");
    EXPECT_EQ(LoadToken(), "second");
}

TEST_F(TLauncherMessagesTest, AnEmptyTokenSignsOutLocallyAndLeavesThePollAsItWas)
{
    TfrmMain& F = Open();
    Browser->PostWebMessage(R"({"action":"auth-token","token":"t"})");
    ASSERT_TRUE(F.tmrRefresh.Enabled());
    Api.ClearRequests();

    Browser->PostWebMessage(R"({"action":"auth-token","token":""})");
    EXPECT_EQ(F.FApiClient->AuthToken(), "");
    EXPECT_FALSE(std::filesystem::exists(TokenFile()));
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    EXPECT_TRUE(Api.Requests().empty());
}

TEST_F(TLauncherMessagesTest, AuthTokenCreatesTheClientWhenThereIsNone)
{
    TfrmMain& F = Open();
    F.FApiClient.reset();
    Browser->PostWebMessage(R"({"action":"auth-token","token":""})");
    ASSERT_NE(F.FApiClient, nullptr);
    EXPECT_EQ(F.FApiClient->BaseURL(), Api.Origin());
}

TEST_F(TLauncherMessagesTest, LogoutForgetsTheSessionAndTheTokenAndTellsTheService)
{
    TfrmMain& F = Open();
    Browser->PostWebMessage(R"({"action":"auth-token","token":"t-out"})");
    F.FHasActiveSession = true;
    F.FCurrentSession.Id = 5;
    F.FRemoteViewerActive = true;
    F.FRecovering = true;
    F.FRecoveryFailed = true;
    Api.ClearRequests();

    Browser->PostWebMessage(R"({"action":"logout"})");
    EXPECT_FALSE(F.tmrRefresh.Enabled());
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_EQ(F.FCurrentSession, TSessionInfo{});
    EXPECT_EQ(F.FApiClient->AuthToken(), "");
    EXPECT_FALSE(std::filesystem::exists(TokenFile()));
    EXPECT_FALSE(F.FRecoveryFailed);
    // Only the client's view of the session goes: the viewer and recovery stay.
    EXPECT_TRUE(F.FRemoteViewerActive);
    EXPECT_TRUE(F.FRecovering);
    ASSERT_EQ(Api.Requests().size(), 1u);
    EXPECT_EQ(Paths(Api.Requests())[0], "POST /api/v1/auth/logout");
    EXPECT_EQ(Api.Last().Header("Authorization"), "Bearer t-out");
    EXPECT_TRUE(Logged("logout processed, token cleared"));
}

TEST_F(TLauncherMessagesTest, MessagesThatCannotBeActedOnChangeNothing)
{
    TfrmMain& F = Open();
    Browser->PostWebMessage(R"({"action":"auth-token","token":"keep"})");
    Api.ClearRequests();
    LogLines.clear();
    const char* const Dropped[] = {
        "not json",
        "[]",
        R"("text")",
        "null",
        R"({"action":"Auth-Token","token":"other"})",
        R"({"action":"auth-token","token":{"t":1}})",
        R"({"action":"logout","x":1)",
        R"({"action":"connect-pc","pcId":0})",
        R"({"action":"connect-pc","pcId":-1})",
        R"({"action":"connect-pc"})",
        R"({"action":"connect-pc","pcId":"seven"})",
        R"({"action":"connect-pc","pcId":2.5})",
    };
    for (const char* Text : Dropped)
        Browser->PostWebMessage(Text);
    Browser->PostWebMessage("");

    EXPECT_EQ(F.FApiClient->AuthToken(), "keep");
    EXPECT_EQ(LoadToken(), "keep");
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_TRUE(Api.Requests().empty());
    // Each non-empty text is logged as it came, and nothing else.
    ASSERT_EQ(LogTexts().size(), std::size(Dropped));
    for (std::size_t I = 0; I < std::size(Dropped); ++I)
        EXPECT_EQ(LogTexts()[I], std::string("PcBang webmsg: ") + Dropped[I]);
}

}  // namespace
}  // namespace nimbral::test
