// The client's own API reader and manifest reader against the service: what
// the service sends is what the client reads, member for member.
#include "DevServiceFixture.h"

#include "api/ApiClient.h"
#include "update/Updater.h"

namespace nimbral::devservice::test {
namespace {

TEST_F(DevServiceTest, ClientReadsTheAccountAndSessionAnswers)
{
    TApiClient Api(Service.Origin(), TApiTimeouts{2000, 2000});
    TUserInfo User;
    ASSERT_TRUE(Api.Login("minjun.kim@nimbral.dev", "nimbral1234", User).Success);
    EXPECT_TRUE(Api.IsLoggedIn());
    const TUserInfo Expected{1, "김민준", "minjun.kim@nimbral.dev", 1260, true, "2027-01-31", "전용 PC 월정액", 52};
    EXPECT_EQ(User, Expected);
    TUserInfo Me;
    EXPECT_TRUE(Api.GetMe(Me).Success);
    EXPECT_EQ(Me, Expected);

    std::string Url;
    EXPECT_TRUE(Api.GetMagicLoginUrl("/app/launch", Url).Success);
    EXPECT_TRUE(Url.starts_with(Service.Origin() + "/app/magic?code=")) << Url;

    TSessionInfo Created;
    TApiResponse Response = Api.CreateSession(105, Created);
    ASSERT_TRUE(Response.Success) << Response.Message;
    EXPECT_EQ(Response.StatusCode, 201);
    EXPECT_GE(Created.Id, 1);
    EXPECT_EQ(Created.PcId, 105);
    EXPECT_EQ(Created.Status, "active");
    EXPECT_FALSE(Created.Token.empty());
    EXPECT_EQ(Created.PcName, "홍대 2호점 · PC 15");
    EXPECT_EQ(Created.PcIP, "10.20.2.15");
    EXPECT_EQ(Created.PcPort, 47989);
    EXPECT_EQ(Created.MileageBalance, 3500);
    EXPECT_TRUE(Created.HasSubscription);
    EXPECT_TRUE(Created.IsDedicated);

    TSessionInfo Current;
    EXPECT_TRUE(Api.GetCurrentSession(Current).Success);
    TSessionInfo Polled = Created;  // the poll carries no billing values
    Polled.UserRatePerHour = 0;
    Polled.MileageBalance = 0;
    Polled.HasSubscription = false;
    Polled.IsDedicated = false;
    EXPECT_EQ(Current, Polled);

    TSessionInfo Second;
    Response = Api.CreateSession(101, Second);
    EXPECT_FALSE(Response.Success);
    EXPECT_EQ(Response.StatusCode, 409);
    EXPECT_FALSE(Response.Message.empty()) << "shown to the user as the reason";

    EXPECT_TRUE(Api.DisconnectSession(Created.Id).Success);
    EXPECT_TRUE(Api.GetCurrentSession(Current).Success);
    EXPECT_EQ(Current.Id, 0) << "no session";
    EXPECT_TRUE(Api.DisconnectMyPc().Success);

    Api.Logout();
    EXPECT_EQ(Api.GetMe(Me).StatusCode, 401);
}

TEST_F(DevServiceTest, ClientStartsWithoutUpdateOnTheDefaultManifest)
{
    TUpdateInfo Info;
    ASSERT_TRUE(FetchUpdateInfo(Service.Origin() + "/client/version.json", Info));
    EXPECT_FALSE(IsUpdateRequired("0.0.0", Info));
    EXPECT_FALSE(IsUpdateRequired("0.9.0", Info));

    Control("manifest", {{"version", "1.2.0"}, {"url", Service.Origin() + "/client/packages/p.zip"}});
    ASSERT_TRUE(FetchUpdateInfo(Service.Origin() + "/client/version.json", Info));
    EXPECT_TRUE(IsUpdateRequired("0.9.0", Info)) << "no min_version: every older build updates";
    Control("manifest", {{"status", 500}});
    EXPECT_FALSE(FetchUpdateInfo(Service.Origin() + "/client/version.json", Info));
}

}  // namespace
}  // namespace nimbral::devservice::test
