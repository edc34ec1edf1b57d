#include "ApiFixture.h"

#include <functional>
#include <utility>
#include <vector>

namespace nimbral::test {
namespace {

TEST_F(ApiTest, AccountRequests)
{
    TUserInfo User;
    std::string Url;
    TUsageSummary Summary;
    ExpectRequests({
                       {"Login", [&](TApiClient& A) { A.Login("a@b.kr", "p\"w/한", User); }, "POST",
                        "/api/v1/auth/login", R"({"email":"a@b.kr","password":"p\"w\/\uD55C"})"},
                       {"Logout", [&](TApiClient& A) { A.Logout(); }, "POST", "/api/v1/auth/logout", "{}"},
                       {"GetMe", [&](TApiClient& A) { A.GetMe(User); }, "GET", "/api/v1/me", nullptr},
                       {"GetMagicLoginUrl", [&](TApiClient& A) { A.GetMagicLoginUrl("/app/launch", Url); },
                        "POST", "/api/v1/magic-login-url", R"({"redirect":"\/app\/launch"})"},
                       {"GetMySessions", [&](TApiClient& A) { A.GetMySessions(); }, "GET",
                        "/api/v1/me/sessions", nullptr},
                       {"GetMyUsage", [&](TApiClient& A) { A.GetMyUsage(Summary); }, "GET", "/api/v1/me/usage",
                        nullptr},
                       {"GetMyPayments", [&](TApiClient& A) { A.GetMyPayments(); }, "GET",
                        "/api/v1/me/payments", nullptr},
                       {"GetMyDevices", [&](TApiClient& A) { A.GetMyDevices(); }, "GET", "/api/v1/me/devices",
                        nullptr},
                       {"RevokeDevice", [&](TApiClient& A) { A.RevokeDevice(42); }, "DELETE",
                        "/api/v1/me/devices/42", nullptr},
                   });
}

const char* const UserJson =
    R"({"id":7,"name":"김철수","email":"kim@example.kr","remaining_minutes":"120","has_subscription":1,)"
    R"("subscription_expires_at":"2026-12-31","subscription_plan_name":"월정액","subscription_remaining_days":21})";

TUserInfo ExpectedUser()
{
    return {7, "김철수", "kim@example.kr", 120, true, "2026-12-31", "월정액", 21};
}

TEST_F(ApiTest, LoginSetsTokenAndReadsTheUserFromDataUser)
{
    TUserInfo User;
    Reply(std::string(R"({"success":true,"data":{"token":"T1","user":)") + UserJson + "}}");
    EXPECT_TRUE(Api.Login("e", "p", User).Success);
    EXPECT_EQ(Api.AuthToken(), "T1");
    EXPECT_EQ(User, ExpectedUser());

    Reply(R"({"success":true,"data":{"token":"T2"}})");  // no user
    Api.Login("e", "p", User);
    EXPECT_EQ(Api.AuthToken(), "T2");
    EXPECT_EQ(User, TUserInfo{});

    Reply(R"({"success":false,"message":"no","data":{"token":"T3"}})");  // failure keeps the token
    EXPECT_EQ(Api.Login("e", "p", User).Message, "no");
    EXPECT_EQ(Api.AuthToken(), "T2");

    Reply(R"({"success":true,"data":{"user":{}}})");  // no token: signed out
    Api.Login("e", "p", User);
    EXPECT_FALSE(Api.IsLoggedIn());
}

TEST_F(ApiTest, GetMeReadsTheUserFromDataItself)
{
    TUserInfo User;
    Reply(std::string(R"({"success":true,"data":)") + UserJson + "}");
    TApiResponse R = Api.GetMe(User);
    EXPECT_EQ(User, ExpectedUser());
    R.Free();
    EXPECT_EQ(User, ExpectedUser());  // an independent copy

    Reply(R"({"success":false,"data":{"id":1}})");
    Api.GetMe(User);
    EXPECT_EQ(User, TUserInfo{});
}

TEST_F(ApiTest, LogoutClearsTheTokenWhateverTheAnswer)
{
    Api.SetAuthToken("T");
    Reply(R"({"success":false})", 500);
    Api.Logout();
    EXPECT_FALSE(Api.IsLoggedIn());
    EXPECT_EQ(Server.Last().Header("Authorization"), "Bearer T");
}

TEST_F(ApiTest, MagicLoginUrlOnlyFromAnObject)
{
    const std::pair<const char*, const char*> Cases[] = {
        {R"({"success":true,"data":{"url":"https://x/login?t=1"}})", "https://x/login?t=1"},
        {R"({"success":true,"data":"https://x"})", ""},
        {R"({"success":true,"data":["https://x"]})", ""},
        {R"({"success":false,"data":{"url":"https://x"}})", ""},
        {R"({"success":true,"data":{}})", ""},
    };
    for (const auto& [Json, Expected] : Cases) {
        SCOPED_TRACE(Json);
        Reply(Json);
        std::string Url = "stale";
        EXPECT_NO_THROW(Api.GetMagicLoginUrl("/app/launch", Url));
        EXPECT_EQ(Url, Expected);
    }
}

TEST_F(ApiTest, HistoryListsMapEveryElement)
{
    Reply(R"({"success":true,"data":[{"id":1,"pc_name":"PC-01","connected_at":"a","disconnected_at":"b",)"
          R"("duration_sec":3600},{"id":2}]})");
    const auto Sessions = Api.GetMySessions();
    ASSERT_EQ(Sessions.size(), 2u);
    EXPECT_EQ(Sessions[0], (TSessionLogInfo{1, "PC-01", "a", "b", 3600}));
    EXPECT_EQ(Sessions[1], (TSessionLogInfo{2, "", "", "", 0}));

    Reply(R"({"success":true,"data":[{"id":3,"amount":9900,"payment_method":"card","status":"paid",)"
          R"("billing_month":"2026-11","memo":"m","created_at":"c"}]})");
    const auto Payments = Api.GetMyPayments();
    ASSERT_EQ(Payments.size(), 1u);
    EXPECT_EQ(Payments[0], (TPaymentInfo{3, 9900, "card", "paid", "2026-11", "m", "c"}));

    Reply(R"({"success":true,"data":[{"id":4,"name":"집 PC","last_used_at":"l","created_at":"c","is_current":true}]})");
    const auto Devices = Api.GetMyDevices();
    ASSERT_EQ(Devices.size(), 1u);
    EXPECT_EQ(Devices[0], (TDeviceInfo{4, "집 PC", "l", "c", true}));
}

TEST_F(ApiTest, HistoryListsAreEmptyForAnythingButASuccessfulArray)
{
    for (const char* Json : {R"({"success":true,"data":{}})", R"({"success":true})",
                             R"({"success":false,"data":[{"id":1}]})", R"({"success":true,"data":null})"}) {
        SCOPED_TRACE(Json);
        Reply(Json);
        EXPECT_TRUE(Api.GetMySessions().empty());
        EXPECT_TRUE(Api.GetMyPayments().empty());
        EXPECT_TRUE(Api.GetMyDevices().empty());
    }
}

TEST_F(ApiTest, UsageSummary)
{
    TUsageSummary Summary;
    Reply(R"({"success":true,"data":{"this_month_sec":7200,"this_month_count":3,)"
          R"("monthly":[{"month":"2026-11","session_count":2,"total_sec":100}]}})");
    Api.GetMyUsage(Summary);
    EXPECT_EQ(Summary, (TUsageSummary{7200, 3, {{"2026-11", 2, 100}}}));

    Reply(R"({"success":true,"data":{"this_month_sec":1,"this_month_count":2,"monthly":{}}})");
    Api.GetMyUsage(Summary);
    EXPECT_EQ(Summary, (TUsageSummary{1, 2, {}}));

    Reply(R"({"success":true,"data":[]})");
    Api.GetMyUsage(Summary);
    EXPECT_EQ(Summary, TUsageSummary{});
}

TEST_F(ApiTest, AccountConversionErrorsReachTheCaller)
{
    TUserInfo User;
    TUsageSummary Summary;
    const std::vector<std::pair<const char*, std::function<void()>>> Cases = {
        {R"({"success":true,"data":null})", [&] { Api.Login("e", "p", User); }},
        {R"({"success":true,"data":[]})", [&] { Api.Login("e", "p", User); }},
        {R"({"success":true,"data":{"token":"t","user":null}})", [&] { Api.Login("e", "p", User); }},
        {R"({"success":true,"data":{"token":{}}})", [&] { Api.Login("e", "p", User); }},
        {R"({"success":true,"data":null})", [&] { Api.GetMe(User); }},
        {R"({"success":true,"data":"me"})", [&] { Api.GetMe(User); }},
        {R"({"success":true,"data":{"id":"x"}})", [&] { Api.GetMe(User); }},
        {R"({"success":true,"data":[{"id":1},2]})", [&] { Api.GetMySessions(); }},
        {R"({"success":true,"data":[null]})", [&] { Api.GetMyPayments(); }},
        {R"({"success":true,"data":[{"is_current":"maybe"}]})", [&] { Api.GetMyDevices(); }},
        {R"({"success":true,"data":{"monthly":[1]}})", [&] { Api.GetMyUsage(Summary); }},
        {R"({"success":true,"data":{"url":[]}})", [&] { std::string U; Api.GetMagicLoginUrl("/", U); }},
    };
    for (const auto& [Json, Call] : Cases) {
        SCOPED_TRACE(Json);
        Reply(Json);
        EXPECT_THROW(Call(), EConvertError);
    }
}

}  // namespace
}  // namespace nimbral::test
