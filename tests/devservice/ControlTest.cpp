// The control interface: the request log, refusals on demand and reset.
#include "DevServiceFixture.h"

namespace nimbral::devservice::test {
namespace {

json Requests(const TRunningService& AService)
{
    return AService.Get("/_control/requests").Json()["requests"];
}

TEST_F(DevServiceTest, RequestLogKeepsEveryRequestButItsOwn)
{
    Service.Get("/app/launch?v=0.9.0");
    Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer("nbt_x"));
    Service.Get("/favicon.ico");
    State();
    const json Log = Requests(Service);
    ASSERT_EQ(Log.size(), 3u) << Log;
    EXPECT_EQ(Log[0], json({{"method", "GET"}, {"path", "/app/launch"}, {"query", "v=0.9.0"},
                            {"authorization", ""}, {"body", ""}}));
    EXPECT_EQ(Log[1], json({{"method", "POST"}, {"path", "/api/v1/sessions"}, {"query", ""},
                            {"authorization", "Bearer nbt_x"}, {"body", R"({"pc_id":101})"}}));
    EXPECT_EQ(Log[2]["path"], "/favicon.ico") << "unknown addresses are recorded too";

    // Bytes that are not UTF-8 do not break the log.
    Service.Post("/api/v1/auth/login", "\xff\xfe");
    EXPECT_EQ(Requests(Service).size(), 4u);
}

TEST_F(DevServiceTest, RefuseNextAnswersOnceWithTheGivenStatus)
{
    const std::string Token = SignIn();
    Control("refuse-next", {{"path", "/api/v1/sessions"}, {"status", 503}, {"message", "점검 중입니다."}});
    Control("refuse-next", {{"path", "/api/v1/sessions"}, {"status", 500}});
    const TAnswer First = Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token));
    EXPECT_EQ(First.Status, 503);
    EXPECT_EQ(First.Json(), json({{"success", false}, {"message", "점검 중입니다."}, {"data", nullptr}}));
    ExpectRefusal(Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token)), 500);
    EXPECT_TRUE(State()["sessions"].empty()) << "a refused request does nothing";
    EXPECT_EQ(Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token)).Status, 201);
    EXPECT_EQ(Requests(Service).size(), 4u) << "refused requests are recorded";

    Control("refuse-next", {{"path", "/client/version.json"}, {"status", 404}});
    EXPECT_EQ(Service.Get("/client/version.json?x=1").Status, 404) << "the path alone is matched";
    EXPECT_EQ(Service.Get("/client/version.json").Status, 200);

    for (const char* Bad : {R"({"status":500})", R"({"path":"api/v1/me"})", R"({"path":"/api/v1/me","status":200})",
                            R"({"path":"/api/v1/me","message":5})", "{oops"}) {
        SCOPED_TRACE(Bad);
        EXPECT_EQ(Service.Post("/_control/refuse-next", Bad).Status, 400);
    }
}

TEST_F(DevServiceTest, ResetForgetsEverything)
{
    const std::string Token = SignIn();
    const std::string Cookie = SignInPage();
    Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token));
    Service.Post("/api/v1/magic-login-url", "{}", Bearer(Token));
    Control("refuse-next", {{"path", "/api/v1/me"}, {"status", 500}});
    Control("manifest", {{"status", 404}});

    Control("reset");
    EXPECT_EQ(State(), json({{"tokens", json::array()}, {"web_sessions", 0}, {"sessions", json::array()},
                             {"current_session", nullptr}}));
    EXPECT_TRUE(Requests(Service).empty());
    EXPECT_EQ(Service.Get("/app/launch", WithCookie(Cookie)).Header("Location"), "/app/login");
    EXPECT_EQ(Service.Get("/client/version.json").Status, 200);
    const std::string Fresh = SignIn();
    EXPECT_EQ(Service.Get("/api/v1/me", Bearer(Fresh)).Status, 200) << "no refusal left over";
    EXPECT_EQ(Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Fresh)).Json()["data"]["id"], 1);
}

TEST_F(DevServiceTest, UnknownControlAddress)
{
    EXPECT_EQ(Service.Get("/_control/nothing").Status, 404);
    EXPECT_TRUE(Requests(Service).empty());
}

}  // namespace
}  // namespace nimbral::devservice::test
