// TApiClient over WinHTTP against a local server: the request core's headers,
// bodies and envelope reading as the Windows build does them.
#include "api/ApiClient.h"
#include "core/Json.h"
#include "support/NativeServer.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbral {
namespace {

using wintest::TNativeServer;

const std::string NetworkError = "\xEB\x84\xA4\xED\x8A\xB8\xEC\x9B\x8C\xED\x81\xAC \xEC\x98\xA4\xEB\xA5\x98: ";

std::string Hex(const std::string& Bytes)
{
    static const char* Digits = "0123456789abcdef";
    std::string Out;
    for (unsigned char C : Bytes) {
        Out += Digits[C >> 4];
        Out += Digits[C & 15];
    }
    return Out;
}

class ApiClientOverWinHttp : public ::testing::Test {
protected:
    TNativeServer Server;
    TApiClient Api{Server.Origin(), TApiTimeouts{5000, 5000}};

    TJsonValue Last()
    {
        std::optional<TJsonValue> V = ParseJson(Server.LastRequest());
        return V ? *V : TJsonValue();
    }
};

TEST_F(ApiClientOverWinHttp, TokenAndClientWideHeadersGoWithEveryMethod)
{
    const std::string Ok = R"({"success":true})";
    Server.Set("/api/v1/me/devices/5", {.Status = 200, .ContentType = "application/json", .Body = Ok});
    Server.Set("/api/v1/sessions/9/disconnect", {.Status = 200, .ContentType = "application/json", .Body = Ok});

    for (const std::string Token : {"", "tok-1"}) {
        Api.SetAuthToken(Token);
        EXPECT_TRUE(Api.RevokeDevice(5).Success);
        TJsonValue L = Last();
        EXPECT_EQ(JsonStr(&L, "method", ""), "DELETE");
        const TJsonValue* H = L.Find("headers");
        EXPECT_EQ(JsonStr(H, "Content-Type", ""), "application/json");
        EXPECT_EQ(JsonStr(H, "Accept", ""), "application/json");
        EXPECT_EQ(JsonStr(H, "Authorization", "<none>"), Token.empty() ? "<none>" : "Bearer " + Token);

        // A POST without a body sends exactly "{}".
        EXPECT_TRUE(Api.DisconnectSession(9).Success);
        L = Last();
        EXPECT_EQ(JsonStr(&L, "method", ""), "POST");
        EXPECT_EQ(JsonStr(&L, "body", ""), Hex("{}"));
        EXPECT_EQ(JsonStr(L.Find("headers"), "Authorization", "<none>"), Token.empty() ? "<none>" : "Bearer " + Token);
    }
}

TEST_F(ApiClientOverWinHttp, BodyTextIsSentAsAsciiEscapes)
{
    Server.Set("/api/v1/sessions/3/submit-pin", {.Status = 200, .ContentType = "application/json", .Body = R"({"success":true})"});
    Api.SubmitPin(3, "\xED\x95\x9C/\xEA\xB8\x80");  // 한/글
    TJsonValue L = Last();
    EXPECT_EQ(JsonStr(&L, "body", ""), Hex(R"({"pin":"\uD55C\/\uAE00"})"));
}

TEST_F(ApiClientOverWinHttp, EnvelopesAreReadWhateverTheStatus)
{
    struct TCase {
        int Status;
        const char* ContentType;
        std::string Body;
        bool Success;
        std::string Message;  // exact, or the prefix when Prefix is set
        bool Prefix;
        bool HasData;
    };
    const TCase Cases[] = {
        {200, "application/json", R"({"success":true})", true, "", false, false},
        {200, "application/json", R"({"success":true,"data":null})", true, "", false, true},
        {401, "application/json", R"({"success":false,"message":"login"})", false, "login", false, false},
        {502, "text/html", "<html>bad gateway</html>", false, "", false, false},
        {204, "", "", false, "", false, false},
        {200, "application/json", R"([1,2])", false, NetworkError, true, false},
        {200, "application/json", R"({"success":"true"})", true, "", false, false},
        {200, "application/json", R"({"success":1})", true, "", false, false},
        {200, "application/json", R"({"success":"yes"})", false, NetworkError, true, false},
        // EUC-KR text of the message, declared by the answer.
        {200, "application/json; charset=EUC-KR", "{\"success\":false,\"message\":\"\xC7\xD1\"}", false,
         "\xED\x95\x9C", false, false},
    };
    for (const TCase& C : Cases) {
        Server.Set("/api/v1/sessions/1/disconnect", {.Status = C.Status, .ContentType = C.ContentType, .Body = C.Body});
        TApiResponse R = Api.DisconnectSession(1);
        EXPECT_EQ(R.StatusCode, C.Status) << C.Body;
        EXPECT_EQ(R.Success, C.Success) << C.Body;
        if (C.Prefix) {
            EXPECT_EQ(R.Message.rfind(C.Message, 0), 0u) << C.Body << " -> " << R.Message;
        } else {
            EXPECT_EQ(R.Message, C.Message) << C.Body;
        }
        EXPECT_EQ(R.Data != nullptr, C.HasData) << C.Body;
        R.Free();
        R.Free();
    }
}

TEST(ApiClientOverWinHttpNoServer, UnreachableHostIsANetworkError)
{
    std::string Origin;
    {
        TNativeServer Gone;
        Origin = Gone.Origin();
    }
    TApiClient Api(Origin, TApiTimeouts{2000, 2000});
    TApiResponse R = Api.DisconnectSession(1);
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.StatusCode, 0);
    EXPECT_EQ(R.Message.rfind(NetworkError, 0), 0u) << R.Message;
    EXPECT_GT(R.Message.size(), NetworkError.size()) << "the transport's text follows the prefix";
}

}  // namespace
}  // namespace nimbral
