#include "ApiFixture.h"

#include <memory>
#include <optional>

namespace nimbral::test {
namespace {

const std::string NetError = "네트워크 오류: ";

struct TEnvelopeCase {
    const char* Name;
    int Status;
    std::string Body;
    std::string ContentType;
    bool Success;
    std::optional<std::string> Message;  // exact; nullopt: begins with the network-error prefix
    std::optional<TJsonKind> Data;      // nullopt: no Data
    bool HasRaw;
};

const TEnvelopeCase EnvelopeCases[] = {
    {"success only", 200, R"({"success":true})", "application/json", true, "", std::nullopt, true},
    {"data null", 200, R"({"success":true,"data":null})", "application/json", true, "", TJsonKind::Null, true},
    {"data array", 200, R"({"success":true,"message":"ok","data":[1]})", "application/json", true, "ok",
     TJsonKind::Array, true},
    {"401 envelope", 401, R"({"success":false,"message":"로그인이 필요합니다."})", "application/json", false,
     "로그인이 필요합니다.", std::nullopt, true},
    {"500 envelope with success", 500, R"({"success":true,"data":"x"})", "application/json", true, "",
     TJsonKind::String, true},
    {"502 html", 502, "<html><body>Bad gateway</body></html>", "text/html", false, "", std::nullopt, false},
    {"204 empty", 204, "", "application/json", false, "", std::nullopt, false},
    {"top-level array", 200, R"([{"success":true}])", "application/json", false, std::nullopt, std::nullopt,
     false},
    {"top-level string", 200, R"("ok")", "application/json", false, std::nullopt, std::nullopt, false},
    {"no success", 200, R"({"message":"m","data":{}})", "application/json", false, "m", TJsonKind::Object, true},
    {"success null", 200, R"({"success":null,"message":"m"})", "application/json", false, "m", std::nullopt,
     true},
    {"success string true", 200, R"({"success":"true"})", "application/json", true, "", std::nullopt, true},
    {"success 1", 200, R"({"success":1})", "application/json", true, "", std::nullopt, true},
    {"success yes", 200, R"({"success":"yes","data":{}})", "application/json", false, std::nullopt,
     std::nullopt, true},
    {"success object", 200, R"({"success":{},"message":"m"})", "application/json", false, std::nullopt,
     std::nullopt, true},
    {"message object", 200, R"({"success":true,"message":{}})", "application/json", false, std::nullopt,
     std::nullopt, true},
    {"message number", 200, R"({"success":true,"message":7.50})", "application/json", true, "7.50",
     std::nullopt, true},
    {"repeated data", 200, R"({"success":true,"data":1,"data":[]})", "application/json", true, "",
     TJsonKind::Number, true},
    // One spoilt value does not cost the envelope.
    {"invalid utf-8 in message", 200, "{\"success\":true,\"message\":\"a\xFF\",\"data\":{\"id\":7}}",
     "application/json", true, "a\uFFFD", TJsonKind::Object, true},
    {"lone surrogate in data", 200, R"({"success":true,"data":"\udc00"})", "application/json", true, "",
     TJsonKind::String, true},
    {"number out of range in data", 200, R"({"success":true,"data":{"n":1e400}})", "application/json", true, "",
     TJsonKind::Object, true},
    {"euc-kr body", 200, "{\"success\":false,\"message\":\"\xC7\xD1\xB1\xDB\"}", "application/json; charset=EUC-KR",
     false, "한글", std::nullopt, true},
};

TEST_F(ApiTest, EnvelopeTable)
{
    for (const TEnvelopeCase& C : EnvelopeCases) {
        SCOPED_TRACE(C.Name);
        Server.Answer(C.Status, C.Body, C.ContentType);
        TApiResponse R = Api.RevokeDevice(1);
        EXPECT_EQ(R.Success, C.Success);
        EXPECT_EQ(R.StatusCode, C.Status);
        if (C.Message) {
            EXPECT_EQ(R.Message, *C.Message);
        } else {
            EXPECT_EQ(R.Message.rfind(NetError, 0), 0u) << R.Message;
            EXPECT_GT(R.Message.size(), NetError.size());
        }
        ASSERT_EQ(R.Data != nullptr, C.Data.has_value());
        if (C.Data) {
            EXPECT_EQ(R.Data->Kind(), *C.Data);
            EXPECT_EQ(R.Data, R.RawJSON->Find("data"));
        }
        EXPECT_EQ(R.RawJSON != nullptr, C.HasRaw);
        R.Free();
        EXPECT_EQ(R.RawJSON, nullptr);
        EXPECT_EQ(R.Data, nullptr);
        R.Free();  // harmless twice
    }
}

TEST(ApiResponse, MovingTakesDataAlong)
{
    TApiResponse A;
    A.RawJSON = std::make_unique<TJsonValue>(TJsonValue::Object());
    A.Data = &A.RawJSON->Add("data", TJsonValue::Bool(true));
    const TJsonValue* Data = A.Data;

    TApiResponse B = std::move(A);
    EXPECT_EQ(B.Data, Data);
    EXPECT_EQ(A.Data, nullptr);  // no pointer into B's document
    TApiResponse C;
    C = std::move(B);
    EXPECT_EQ(C.Data, Data);
    EXPECT_EQ(B.Data, nullptr);
    EXPECT_TRUE(C.Data->AsBool());
}

TEST_F(ApiTest, AuthorizationFollowsTheTokenOnEveryRequest)
{
    TUserInfo User;
    Api.GetMe(User);
    Api.SetAuthToken("tok-1");
    EXPECT_TRUE(Api.IsLoggedIn());
    Api.DisconnectMyPc();
    Api.SetAuthToken("");
    EXPECT_FALSE(Api.IsLoggedIn());
    Api.RevokeDevice(3);

    const auto R = Server.Requests();
    ASSERT_EQ(R.size(), 3u);
    EXPECT_FALSE(R[0].HasHeader("Authorization"));
    EXPECT_EQ(R[1].Header("Authorization"), "Bearer tok-1");
    EXPECT_FALSE(R[2].HasHeader("Authorization"));
    for (const auto& Req : R) {
        SCOPED_TRACE(Req.Method);
        EXPECT_EQ(Req.Header("Content-Type"), "application/json");
        EXPECT_EQ(Req.Header("Accept"), "application/json");
    }
    EXPECT_EQ(R[1].Body, "{}");  // a POST without a body
}

TEST_F(ApiTest, BodiesAreEscapedAscii)
{
    Api.SubmitPin(9, "한/\"1\"");
    EXPECT_EQ(Server.Last().Body, R"({"pin":"\uD55C\/\"1\""})");
}

TEST_F(ApiTest, BaseUrlAndPathAreJoinedAsText)
{
    Api.SetBaseURL(Server.Origin() + "/prefix");
    EXPECT_EQ(Api.BaseURL(), Server.Origin() + "/prefix");
    Api.RevokeDevice(5);
    EXPECT_EQ(Server.Last().Target, "/prefix/api/v1/me/devices/5");
}

TEST_F(ApiTest, UnreachableServiceIsANetworkError)
{
    const std::string Origin = [] {
        TTestServer Gone;
        return Gone.Origin();
    }();
    TApiClient Offline(Origin, TApiTimeouts{2000, 2000});
    Offline.SetAuthToken("t");
    TApiResponse R = Offline.DisconnectSession(1);
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.StatusCode, 0);
    EXPECT_EQ(R.Message.rfind(NetError, 0), 0u);
    EXPECT_GT(R.Message.size(), NetError.size());
    EXPECT_EQ(R.RawJSON, nullptr);
    // Logout signs out locally even when the service cannot be reached.
    Offline.Logout();
    EXPECT_FALSE(Offline.IsLoggedIn());
}

TEST_F(ApiTest, SilentServiceEndsWithTheResponseTimeout)
{
    auto Held = std::make_shared<THeldAnswer>();
    Server.SetHandler([Held](const httplib::Request&, httplib::Response& Res) {
        Held->Wait();
        Res.set_content("{}", "application/json");
    });
    TApiClient Impatient(Server.Origin(), TApiTimeouts{2000, 200});
    TSessionInfo Session;
    TApiResponse R = Impatient.GetCurrentSession(Session);
    Held->Release();
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.StatusCode, 0);
    EXPECT_EQ(R.Message.rfind(NetError, 0), 0u);
}

TEST_F(ApiTest, HeaderInjectionThroughTheTokenIsRefused)
{
    Api.SetAuthToken("t\r\nX-Injected: 1");
    TApiResponse R = Api.DisconnectMyPc();
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.Message.rfind(NetError, 0), 0u);
    for (const auto& Req : Server.Requests()) {
        EXPECT_FALSE(Req.HasHeader("X-Injected"));
    }
}

}  // namespace
}  // namespace nimbral::test
