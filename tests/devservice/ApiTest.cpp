// The service API: bearer tokens, sign-in, the user, remote sessions, and
// bad input answered with a 4xx envelope.
#include "DevServiceFixture.h"

namespace nimbral::devservice::test {
namespace {

struct TCall {
    const char* Method;
    const char* Path;
};

const TCall SignedInCalls[] = {
    {"POST", "/api/v1/auth/logout"},       {"GET", "/api/v1/me"},
    {"POST", "/api/v1/magic-login-url"},   {"POST", "/api/v1/sessions"},
    {"GET", "/api/v1/sessions/current"},   {"POST", "/api/v1/sessions/1/disconnect"},
    {"POST", "/api/v1/disconnect"},
};

TEST_F(DevServiceTest, CallsWithoutValidTokenAre401)
{
    const std::string Token = SignIn();
    const httplib::Headers Missing;
    const httplib::Headers Empty = {{"Authorization", ""}};
    const httplib::Headers Unknown = Bearer("nbt_unknown");
    const httplib::Headers NotBearer = {{"Authorization", "Basic " + Token}};
    for (const TCall& Call : SignedInCalls) {
        for (const httplib::Headers* Headers : {&Missing, &Empty, &Unknown, &NotBearer}) {
            SCOPED_TRACE(std::string(Call.Method) + " " + Call.Path);
            ExpectRefusal(Call.Method == std::string("GET") ? Service.Get(Call.Path, *Headers)
                                                            : Service.Post(Call.Path, "{}", *Headers),
                          401);
        }
    }
    EXPECT_EQ(Service.Get("/api/v1/me", {{"Authorization", "bearer  " + Token}}).Status, 200)
        << "the scheme is not case-sensitive";
}

TEST_F(DevServiceTest, SignInAndTheUser)
{
    const TAnswer A = Service.Post("/api/v1/auth/login",
                                   R"({"email":"minjun.kim@nimbral.dev","password":"nimbral1234"})");
    ASSERT_EQ(A.Status, 200);
    const json Envelope = A.Json();
    EXPECT_EQ(Envelope["success"], true);
    const std::string Token = Envelope["data"]["token"];
    EXPECT_EQ(Envelope["data"]["user"]["name"], "김민준");

    const json Me = Service.Get("/api/v1/me", Bearer(Token)).Json();
    EXPECT_EQ(Me["success"], true);
    EXPECT_EQ(Me["data"], Envelope["data"]["user"]) << "the user's members sit in \"data\" itself";
    EXPECT_NE(SignIn(), Token) << "every sign-in gets its own token";

    ExpectRefusal(Service.Post("/api/v1/auth/login", R"({"email":"minjun.kim@nimbral.dev","password":"x"})"), 401);
    for (const char* Body : {"{bad", "[]", R"({"email":1,"password":"nimbral1234"})", R"({"email":"a@b.c"})",
                             "\"text\""}) {
        SCOPED_TRACE(Body);
        ExpectRefusal(Service.Post("/api/v1/auth/login", Body), 400);
    }
}

TEST_F(DevServiceTest, SessionFromCreationToDisconnect)
{
    const std::string Token = SignIn();
    const TAnswer Created = Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token));
    ASSERT_EQ(Created.Status, 201) << Created.Body;
    const json Session = Created.Json()["data"];
    EXPECT_GE(Session["id"].get<int>(), 1);
    EXPECT_EQ(Session["pc_id"], 101);
    EXPECT_EQ(Session["status"], "active");
    EXPECT_FALSE(Session["token"].get<std::string>().empty());
    EXPECT_EQ(Session["remote_pc"]["pc_name"], "강남 1호점 · PC 07");
    EXPECT_EQ(Session["remote_pc"]["ip"], "10.20.1.7");
    EXPECT_EQ(Session["user_rate_per_hour"], 1200);
    EXPECT_EQ(Session["mileage_balance"], 3500);
    EXPECT_EQ(Session["is_dedicated"], false);

    EXPECT_EQ(Service.Get("/api/v1/sessions/current", Bearer(Token)).Json()["data"], Session);
    ExpectRefusal(Service.Post("/api/v1/sessions", R"({"pc_id":102})", Bearer(Token)), 409);

    const std::string Disconnect = "/api/v1/sessions/" + std::to_string(Session["id"].get<int>()) + "/disconnect";
    EXPECT_EQ(Service.Post(Disconnect, "{}", Bearer(Token)).Json()["success"], true);
    const json None = Service.Get("/api/v1/sessions/current", Bearer(Token)).Json();
    EXPECT_EQ(None["success"], true);
    EXPECT_TRUE(None.contains("data") && None["data"].is_null()) << None;
    ExpectRefusal(Service.Post(Disconnect, "{}", Bearer(Token)), 404);
}

TEST_F(DevServiceTest, DisconnectWithoutNamingTheSession)
{
    const std::string Token = SignIn();
    EXPECT_EQ(Service.Post("/api/v1/disconnect", "{}", Bearer(Token)).Json()["success"], true)
        << "nothing to end is no failure";
    Service.Post("/api/v1/sessions", R"({"pc_id":103})", Bearer(Token));
    EXPECT_EQ(Service.Post("/api/v1/disconnect", "", Bearer(Token)).Json()["success"], true);
    EXPECT_TRUE(State()["sessions"].empty());
}

TEST_F(DevServiceTest, SessionRequestsThatAreRefused)
{
    const std::string Token = SignIn();
    const struct {
        const char* Body;
        int Status;
    } Cases[] = {
        {R"({"pc_id":"101"})", 400}, {R"({"pc_id":101.5})", 400}, {R"({"pc_id":0})", 400},
        {R"({"pc_id":-1})", 400},    {R"({"pc_id":true})", 400},  {R"({"pc_id":null})", 400},
        {R"({"pc_bang_id":1})", 400}, {R"({"pc_id":4294967397})", 400}, {R"({"pc_id":101)", 400},
        {R"([{"pc_id":101}])", 400}, {R"({"pc_id":999})", 404},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Body);
        ExpectRefusal(Service.Post("/api/v1/sessions", Case.Body, Bearer(Token)), Case.Status);
    }
    ExpectRefusal(Service.Post("/api/v1/sessions", std::string(2 << 20, ' '), Bearer(Token)), 413);
    EXPECT_TRUE(State()["sessions"].empty());
    for (const char* Id : {"abc", "0", "-3", "99999999999"}) {
        SCOPED_TRACE(Id);
        ExpectRefusal(Service.Post(std::string("/api/v1/sessions/") + Id + "/disconnect", "{}", Bearer(Token)), 400);
    }
    ExpectRefusal(Service.Get("/api/v1/sessions", Bearer(Token)), 404);
    ExpectRefusal(Service.Get("/api/v1/catalogue", Bearer(Token)), 404);
}

TEST_F(DevServiceTest, SessionsOfTwoAccounts)
{
    const std::string Minjun = SignIn();
    const std::string Seoyeon = SignIn("seoyeon.lee@nimbral.dev", "nimbral5678");
    const json Own = Service.Post("/api/v1/sessions", R"({"pc_id":105})", Bearer(Minjun)).Json()["data"];
    EXPECT_EQ(Own["is_dedicated"], true) << "PC 15 is 김민준's own";
    EXPECT_EQ(Own["user_rate_per_hour"], 0);

    ExpectRefusal(Service.Post("/api/v1/sessions", R"({"pc_id":105})", Bearer(Seoyeon)), 403);
    ASSERT_EQ(Service.Post("/api/v1/sessions", R"({"pc_id":104})", Bearer(Seoyeon)).Status, 201);
    ExpectRefusal(Service.Post("/api/v1/sessions/" + std::to_string(Own["id"].get<int>()) + "/disconnect", "{}",
                               Bearer(Seoyeon)),
                  404);
    EXPECT_EQ(Service.Get("/api/v1/sessions/current", Bearer(Minjun)).Json()["data"]["pc_id"], 105);
}

TEST_F(DevServiceTest, PcInUseByAnotherAccount)
{
    Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(SignIn()));
    ExpectRefusal(
        Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(SignIn("seoyeon.lee@nimbral.dev", "nimbral5678"))),
        409);
}

TEST_F(DevServiceTest, ServiceEndsTheSession)
{
    const std::string Token = SignIn();
    const int Id = Service.Post("/api/v1/sessions", R"({"pc_id":101})", Bearer(Token)).Json()["data"]["id"];
    EXPECT_EQ(State()["current_session"]["id"], Id);
    EXPECT_EQ(Control("end-session")["ended"], json::array({Id}));
    EXPECT_TRUE(Service.Get("/api/v1/sessions/current", Bearer(Token)).Json()["data"].is_null());
    EXPECT_EQ(State()["current_session"], nullptr);
}

}  // namespace
}  // namespace nimbral::devservice::test
