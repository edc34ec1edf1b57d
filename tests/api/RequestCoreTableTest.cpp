// The request core against a local server, the same table on every
// platform (this file also runs under Wine, over WinHTTP): the bytes a
// request puts on the wire, the header rules, and how every kind of answer is
// read as the envelope.
#include "WireServer.h"

#include "api/ApiClient.h"

#include <gtest/gtest.h>

#include <functional>
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

class RequestCore : public ::testing::Test {
protected:
    std::unique_ptr<TWireServer> Server = StartWireServer();
    TApiClient Api{Server->Origin(), TApiTimeouts{5000, 5000}};
};

TEST_F(RequestCore, EnvelopeTable)
{
    for (const TEnvelopeCase& C : EnvelopeCases) {
        SCOPED_TRACE(C.Name);
        Server->Answer("/api/v1/me/devices/1", C.Status, C.Body, C.ContentType);
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

// Every method carries the client-wide headers once each, the bearer token
// only when there is one, and no user agent: the client sets none and both
// HTTP libraries then send none.
TEST_F(RequestCore, WireBytesOfEveryMethod)
{
    const std::string Ok = R"({"success":true})";
    for (const char* Path : {"/api/v1/me", "/api/v1/me/devices/5", "/api/v1/sessions/9/disconnect",
                             "/api/v1/sessions/3/submit-pin"}) {
        Server->Answer(Path, 200, Ok, "application/json");
    }
    struct TCase {
        const char* Name;
        std::function<TApiResponse()> Call;
        const char* Method;
        const char* Target;
        std::string Body;
    };
    TUserInfo User;
    const TCase Cases[] = {
        {"GET", [&] { return Api.GetMe(User); }, "GET", "/api/v1/me", ""},
        {"DELETE", [&] { return Api.RevokeDevice(5); }, "DELETE", "/api/v1/me/devices/5", ""},
        {"POST without a body", [&] { return Api.DisconnectSession(9); }, "POST", "/api/v1/sessions/9/disconnect", "{}"},
        // Korean text as \u escapes with upper-case digits, the solidus escaped.
        {"POST with text", [&] { return Api.SubmitPin(3, "한/\"1\""); }, "POST",
         "/api/v1/sessions/3/submit-pin", R"({"pin":"\uD55C\/\"1\""})"},
    };
    for (const std::string Token : {"", "tok-1"}) {
        Api.SetAuthToken(Token);
        for (const TCase& C : Cases) {
            SCOPED_TRACE(std::string(C.Name) + " with token '" + Token + "'");
            EXPECT_TRUE(C.Call().Success);
            const TWireRequest R = Server->Last();
            EXPECT_EQ(R.Method, C.Method);
            EXPECT_EQ(R.Target, C.Target);
            EXPECT_EQ(R.Body, C.Body);
            EXPECT_EQ(R.Header("Content-Type"), "application/json");
            EXPECT_EQ(R.Header("Accept"), "application/json");
            EXPECT_EQ(R.Header("Authorization"), Token.empty() ? std::nullopt : std::optional("Bearer " + Token));
            for (const char* Name : {"Content-Type", "Accept", "Authorization"}) {
                EXPECT_LE(R.Count(Name), 1u) << Name;
            }
            EXPECT_EQ(R.Header("User-Agent"), std::nullopt);
        }
    }
}

// A token from the page must not add headers of its own: the request is not
// sent at all, and the caller reads a network error.
TEST_F(RequestCore, HeaderInjectionThroughTheTokenIsRefused)
{
    Server->Answer("/api/v1/disconnect", 200, R"({"success":true})", "application/json");
    Api.SetAuthToken("clean");
    ASSERT_TRUE(Api.DisconnectMyPc().Success);
    for (const std::string& Token : {std::string("t\r\nX-Injected: 1"), std::string("t\nX-Injected: 1"),
                                    std::string("t\0X-Injected: 1", 16)}) {
        Api.SetAuthToken(Token);
        TApiResponse R = Api.DisconnectMyPc();
        EXPECT_FALSE(R.Success);
        EXPECT_EQ(R.StatusCode, 0);
        EXPECT_EQ(R.Message.rfind(NetError, 0), 0u) << R.Message;
        EXPECT_EQ(Server->Last().Header("Authorization"), "Bearer clean");  // nothing more arrived
    }
}

TEST_F(RequestCore, BaseUrlAndPathAreJoinedAsText)
{
    Api.SetBaseURL(Server->Origin() + "/prefix");
    EXPECT_EQ(Api.BaseURL(), Server->Origin() + "/prefix");
    Api.RevokeDevice(5);
    EXPECT_EQ(Server->Last().Target, "/prefix/api/v1/me/devices/5");
}

TEST(RequestCoreOffline, UnreachableServiceIsANetworkError)
{
    const std::string Origin = StartWireServer()->Origin();  // nothing listens there any more
    TApiClient Offline(Origin, TApiTimeouts{2000, 2000});
    Offline.SetAuthToken("t");
    TApiResponse R = Offline.DisconnectSession(1);
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.StatusCode, 0);
    EXPECT_EQ(R.Message.rfind(NetError, 0), 0u);
    EXPECT_GT(R.Message.size(), NetError.size()) << "the transport's text follows the prefix";
    EXPECT_EQ(R.RawJSON, nullptr);
    // Logout signs out locally even when the service cannot be reached.
    Offline.Logout();
    EXPECT_FALSE(Offline.IsLoggedIn());
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

}  // namespace
}  // namespace nimbral::test
