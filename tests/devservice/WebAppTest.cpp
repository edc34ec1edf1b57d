// The launcher web app: sign-in by form, the launch page and the token it
// hands to the client, sign-out, and the one-time sign-in address.
#include "DevServiceFixture.h"

namespace nimbral::devservice::test {
namespace {

// The JSON the launch page's script is built from.
json LaunchData(const TAnswer& APage)
{
    const std::string Open = R"(<script id="launch-data" type="application/json">)";
    const auto Start = APage.Body.find(Open);
    if (Start == std::string::npos) {
        return nullptr;
    }
    const auto From = Start + Open.size();
    return json::parse(APage.Body.substr(From, APage.Body.find("</script>", From) - From), nullptr, false);
}

std::string OnlyToken(const json& AState)
{
    EXPECT_EQ(AState["tokens"].size(), 1u) << AState;
    return AState["tokens"].empty() ? std::string() : AState["tokens"][0]["token"].get<std::string>();
}

TEST_F(DevServiceTest, LaunchPageWithoutWebSessionSendsToSignIn)
{
    for (const char* Path : {"/app/launch", "/app/launch?v=0.9.0", "/app"}) {
        SCOPED_TRACE(Path);
        const TAnswer A = Service.Get(Path);
        EXPECT_EQ(A.Status, 302);
        EXPECT_EQ(A.Header("Location"), Path == std::string("/app") ? "/app/launch" : "/app/login");
    }
    const TAnswer Forged = Service.Get("/app/launch", WithCookie("nimbral_web=forged"));
    EXPECT_EQ(Forged.Header("Location"), "/app/login");
}

TEST_F(DevServiceTest, SignInFormOpensWebSessionAndLaunchPageCarriesToken)
{
    const TAnswer Form = Service.Get("/app/login");
    EXPECT_EQ(Form.Status, 200);
    EXPECT_NE(Form.Body.find(R"(value="minjun.kim@nimbral.dev")"), std::string::npos) << "demo account prefilled";

    const std::string Cookie = SignInPage();
    ASSERT_TRUE(Cookie.starts_with("nimbral_web=")) << Cookie;
    const TAnswer Page = Service.Get("/app/launch?v=0.9.0", WithCookie(Cookie));
    ASSERT_EQ(Page.Status, 200);
    EXPECT_TRUE(Page.Header("Content-Type").starts_with("text/html"));
    const json Data = LaunchData(Page);
    ASSERT_TRUE(Data.is_object()) << Page.Body;
    EXPECT_EQ(Data["token"], OnlyToken(State())) << "the token the service issued for this sign-in";
    EXPECT_EQ(Data["user"]["name"], "김민준");
    EXPECT_EQ(Data["clientVersion"], "0.9.0");
    EXPECT_GE(Data["pcs"].size(), 4u);
    EXPECT_EQ(Data["session"], nullptr);

    // The token works for the API, and a signed-in page skips the form.
    EXPECT_EQ(Service.Get("/api/v1/me", Bearer(Data["token"])).Status, 200);
    EXPECT_EQ(Service.Get("/app/login", WithCookie(Cookie)).Header("Location"), "/app/launch");
}

TEST_F(DevServiceTest, WrongPasswordShowsKoreanErrorWithoutWebSession)
{
    const TAnswer A = Service.Post("/app/login", "email=%22%3E%3Cscript%3Ex%3C%2Fscript%3E&password=wrong", {},
                                   "application/x-www-form-urlencoded");
    EXPECT_EQ(A.Status, 401);
    EXPECT_NE(A.Body.find("이메일 또는 비밀번호가 올바르지 않습니다."), std::string::npos);
    EXPECT_EQ(A.Header("Set-Cookie"), "");
    // The address typed in comes back escaped, not as markup.
    EXPECT_EQ(A.Body.find("<script>x"), std::string::npos);
    EXPECT_NE(A.Body.find("&quot;&gt;&lt;script&gt;x"), std::string::npos);
    EXPECT_TRUE(State()["tokens"].empty());
}

TEST_F(DevServiceTest, LaunchPageShowsTheOpenSession)
{
    const std::string Cookie = SignInPage();
    const std::string Token = OnlyToken(State());
    ASSERT_EQ(Service.Post("/api/v1/sessions", R"({"pc_id":102})", Bearer(Token)).Status, 201);
    const json Data = LaunchData(Service.Get("/app/launch", WithCookie(Cookie)));
    EXPECT_EQ(Data["session"]["pcName"], "강남 1호점 · PC 12");
    for (const json& Pc : Data["pcs"]) {
        EXPECT_EQ(Pc["availability"], Pc["id"] == 102 ? "mine" : "free") << Pc;
    }
}

TEST_F(DevServiceTest, PageLogoutEndsWebSessionOnly)
{
    const std::string Cookie = SignInPage();
    const TAnswer A = Service.Post("/app/logout", "", WithCookie(Cookie), "application/x-www-form-urlencoded");
    EXPECT_EQ(A.Status, 303);
    EXPECT_EQ(A.Header("Location"), "/app/login");
    EXPECT_NE(A.Header("Set-Cookie").find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(Service.Get("/app/launch", WithCookie(Cookie)).Header("Location"), "/app/login");
    EXPECT_EQ(State()["tokens"].size(), 1u) << "the client signs its token out itself";
}

TEST_F(DevServiceTest, ApiLogoutEndsTheWebSessionsOfItsToken)
{
    const std::string Cookie = SignInPage();
    const std::string Token = OnlyToken(State());
    EXPECT_EQ(Service.Post("/api/v1/auth/logout", "{}", Bearer(Token)).Status, 200);
    EXPECT_EQ(Service.Get("/app/launch", WithCookie(Cookie)).Header("Location"), "/app/login");
    ExpectRefusal(Service.Get("/api/v1/me", Bearer(Token)), 401);
}

TEST_F(DevServiceTest, SignOutPageKeepsBearerTokens)
{
    const std::string Cookie = SignInPage();
    const std::string Token = OnlyToken(State());
    Control("sign-out-page");
    EXPECT_EQ(Service.Get("/app/launch", WithCookie(Cookie)).Header("Location"), "/app/login");
    EXPECT_EQ(Service.Get("/api/v1/me", Bearer(Token)).Status, 200);
    EXPECT_EQ(State()["web_sessions"], 0);
}

TEST_F(DevServiceTest, MagicLoginAddressSignsThePageInOnce)
{
    const std::string Token = SignIn();
    const TAnswer Issued = Service.Post("/api/v1/magic-login-url", R"({"redirect":"/app/launch"})", Bearer(Token));
    ASSERT_EQ(Issued.Status, 200) << Issued.Body;
    const std::string Url = Issued.Json()["data"]["url"];
    ASSERT_TRUE(Url.starts_with(Service.Origin() + "/")) << Url;
    // The client takes any address holding "/login" for the sign-in page.
    std::string Lower = Url;
    std::transform(Lower.begin(), Lower.end(), Lower.begin(), [](unsigned char C) { return std::tolower(C); });
    EXPECT_EQ(Lower.find("/login"), std::string::npos) << Url;

    const std::string Path = Url.substr(Service.Origin().size());
    const TAnswer Landing = Service.Get(Path);
    EXPECT_EQ(Landing.Status, 302);
    EXPECT_EQ(Landing.Header("Location"), "/app/launch");
    const json Data = LaunchData(Service.Get("/app/launch", WithCookie(CookieOf(Landing))));
    EXPECT_EQ(Data["token"], Token) << "the page is signed in as the client's own token";

    const TAnswer Again = Service.Get(Path);
    EXPECT_EQ(Again.Header("Location"), "/app/login");
    EXPECT_EQ(Again.Header("Set-Cookie"), "");
    EXPECT_EQ(Service.Get("/app/magic?code=unknown").Header("Location"), "/app/login");
    EXPECT_EQ(Service.Get("/app/magic").Header("Location"), "/app/login");
}

TEST_F(DevServiceTest, MagicLoginCodeOfASignedOutTokenIsWorthless)
{
    const std::string Token = SignIn();
    const std::string Url = Service.Post("/api/v1/magic-login-url", "{}", Bearer(Token)).Json()["data"]["url"];
    Service.Post("/api/v1/auth/logout", "{}", Bearer(Token));
    const TAnswer Landing = Service.Get(Url.substr(Service.Origin().size()));
    EXPECT_EQ(Landing.Header("Location"), "/app/login");
    EXPECT_EQ(State()["web_sessions"], 0);
}

TEST_F(DevServiceTest, MagicLoginRedirectMustStayOnTheService)
{
    const std::string Token = SignIn();
    for (const char* Body : {R"({"redirect":"//evil.example/app"})", R"({"redirect":"https://evil.example/"})",
                             R"({"redirect":"/\\evil.example"})", R"({"redirect":"app/launch"})",
                             R"({"redirect":7})", R"([1])"}) {
        SCOPED_TRACE(Body);
        ExpectRefusal(Service.Post("/api/v1/magic-login-url", Body, Bearer(Token)), 400);
    }
}

TEST_F(DevServiceTest, PageFilesComeFromTheProgram)
{
    const TAnswer Script = Service.Get("/app/static/launch.js");
    EXPECT_EQ(Script.Status, 200);
    EXPECT_TRUE(Script.Header("Content-Type").starts_with("text/javascript"));
    EXPECT_EQ(Service.Get("/app/static/service.css").Status, 200);
    // The page templates are not files to fetch.
    EXPECT_EQ(Service.Get("/app/static/launch.html").Status, 404);
    EXPECT_EQ(Service.Get("/app/static/none.js").Status, 404);
}

}  // namespace
}  // namespace nimbral::devservice::test
