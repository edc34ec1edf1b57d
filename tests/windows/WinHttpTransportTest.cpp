// The WinHTTP transport against a local server, and the error texts it raises.
#include "core/HttpTransport.h"
#include "core/Json.h"
#include "platform/win32/SystemError.h"
#include "support/HexText.h"
#include "support/NativeServer.h"
#include "support/Wine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace nimbral {
namespace {

using wintest::TNativeServer;

class WinHttpTransportTest : public ::testing::Test {
protected:
    TNativeServer Server;
    std::unique_ptr<THttpTransport> Http = CreateHttpTransport();

    void SetUp() override
    {
        Http->SetConnectTimeout(5000);
        Http->SetResponseTimeout(5000);
    }

    TJsonValue Last()
    {
        std::optional<TJsonValue> V = ParseJson(Server.LastRequest());
        EXPECT_TRUE(V && V->IsObject());
        return V ? *V : TJsonValue();
    }
};

TEST_F(WinHttpTransportTest, SendsMethodBodyAndClientWideHeaders)
{
    Server.Set("/api/v1/x", {.Status = 201, .ContentType = "application/json", .Body = R"({"ok":1})"});
    Http->SetDefaultHeader("Content-Type", "application/json");
    Http->SetDefaultHeader("Accept", "application/json");
    Http->SetDefaultHeader("Authorization", "Bearer T1");
    Http->SetDefaultHeader("Authorization", "Bearer T2");  // replaced, not added

    const std::string Body = R"({"a":"\uD55C"})";
    THttpResponse R = Http->Send("POST", Server.Origin() + "/api/v1/x?q=1", &Body);
    EXPECT_EQ(R.StatusCode, 201);
    EXPECT_EQ(R.Body, R"({"ok":1})");
    ASSERT_NE(R.Header("content-type"), nullptr);
    EXPECT_EQ(*R.Header("content-type"), "application/json");

    TJsonValue L = Last();
    EXPECT_EQ(JsonStr(&L, "method", ""), "POST");
    EXPECT_EQ(JsonStr(&L, "path", ""), "/api/v1/x?q=1");
    const TJsonValue* H = L.Find("headers");
    EXPECT_EQ(JsonStr(H, "Content-Type", ""), "application/json");
    EXPECT_EQ(JsonStr(H, "Accept", ""), "application/json");
    EXPECT_EQ(JsonStr(H, "Authorization", ""), "Bearer T2");
    EXPECT_EQ(JsonStr(&L, "body", ""), wintest::ToHex(Body));
}

TEST_F(WinHttpTransportTest, EmptyDefaultHeaderIsNotSentAndGetDeleteCarryNoBody)
{
    Server.Set("/r", {.Status = 204});
    Http->SetDefaultHeader("Authorization", "Bearer old");
    Http->SetDefaultHeader("Authorization", "");
    for (const char* Method : {"GET", "DELETE"}) {
        THttpResponse R = Http->Send(Method, Server.Origin() + "/r", nullptr);
        EXPECT_EQ(R.StatusCode, 204) << Method;
        EXPECT_TRUE(R.Body.empty()) << Method;
        TJsonValue L = Last();
        EXPECT_EQ(JsonStr(&L, "method", ""), Method);
        EXPECT_EQ(L.Find("headers")->Find("Authorization"), nullptr) << Method;
        EXPECT_EQ(JsonStr(&L, "body", "x"), "") << Method;
    }
}

TEST_F(WinHttpTransportTest, AnyStatusIsAResponse)
{
    for (int Status : {401, 404, 500, 502}) {
        Server.Set("/s", {.Status = Status, .ContentType = "text/html", .Body = "<html>err</html>"});
        THttpResponse R = Http->Send("GET", Server.Origin() + "/s", nullptr);
        EXPECT_EQ(R.StatusCode, Status);
        EXPECT_EQ(R.Body, "<html>err</html>");
    }
}

// Which names read how is the charset table's (tests/core/CharsetTest.cpp,
// which runs here too); here, that the transport reads the name from
// Content-Type.
TEST_F(WinHttpTransportTest, BodyIsDecodedFromTheDeclaredCharset)
{
    struct TCase {
        const char* ContentType;
        std::string Bytes;
        std::string Utf8;
    };
    const TCase Cases[] = {
        {"application/json; charset=EUC-KR", "\"\xC7\xD1\xB1\xDB\"", "\"\xED\x95\x9C\xEA\xB8\x80\""},
        {"text/plain; format=x; charset=\"ks_c_5601-1987\"", "\xC7\xD1", "\xED\x95\x9C"},
        {"application/json", "\xED\x95\x9C", "\xED\x95\x9C"},  // no charset: UTF-8
    };
    for (const TCase& C : Cases) {
        Server.Set("/c", {.Status = 200, .ContentType = C.ContentType, .Body = C.Bytes});
        EXPECT_EQ(Http->Send("GET", Server.Origin() + "/c", nullptr).Body, C.Utf8) << C.ContentType;
    }
}

// WinHTTP follows no redirect by itself (it would carry the bearer token to
// any host): the transport follows them as on Linux, drops the body of the
// redirect, and keeps the token with the origin asked.
TEST_F(WinHttpTransportTest, RedirectsAreFollowedToTheAnswer)
{
    TNativeServer Other;
    Other.Set("/there", {.Status = 200, .ContentType = "text/plain", .Body = "elsewhere"});
    Server.Set("/final", {.Status = 200, .ContentType = "text/plain", .Body = "final"});
    Server.Set("/moved", {.Status = 302, .ContentType = "text/plain", .Body = "the redirect's own body", .Location = "final"});
    Server.Set("/see-other", {.Status = 303, .Location = "/final"});
    Server.Set("/away", {.Status = 302, .Location = Other.Origin() + "/there"});
    Server.Set("/loop", {.Status = 302, .Location = "/loop"});
    Http->SetDefaultHeader("Authorization", "Bearer T");

    const THttpResponse Got = Http->Send("GET", Server.Origin() + "/moved", nullptr);
    EXPECT_EQ(Got.StatusCode, 200);
    EXPECT_EQ(Got.Body, "final");
    EXPECT_EQ(JsonStr(Last().Find("headers"), "Authorization", ""), "Bearer T");

    const std::string Body = "{}";
    EXPECT_EQ(Http->Send("POST", Server.Origin() + "/see-other", &Body).Body, "final");
    TJsonValue L = Last();
    EXPECT_EQ(JsonStr(&L, "method", ""), "GET");
    EXPECT_EQ(JsonStr(&L, "body", "x"), "");

    std::string Streamed;
    Http->Receive(Server.Origin() + "/moved", [&](const char* Data, std::size_t Size) { Streamed.append(Data, Size); },
                  nullptr);
    EXPECT_EQ(Streamed, "final");

    EXPECT_EQ(Http->Send("GET", Server.Origin() + "/away", nullptr).Body, "elsewhere");
    const std::optional<TJsonValue> There = ParseJson(Other.LastRequest());
    ASSERT_TRUE(There.has_value());
    EXPECT_EQ(JsonStr(&*There, "path", ""), "/there");
    EXPECT_EQ(There->Find("headers")->Find("Authorization"), nullptr);

    EXPECT_THROW(Http->Send("GET", Server.Origin() + "/loop", nullptr), EHttpError);
}

// Send reads its answer into memory: past the cap it fails; a download is
// streamed and has no cap.
TEST_F(WinHttpTransportTest, AnAnswerReadIntoMemoryIsCapped)
{
    Server.SetPattern("/big", static_cast<std::int64_t>(kMaxAnswerBytes) + 1);
    EXPECT_THROW(Http->Send("GET", Server.Origin() + "/big", nullptr), EHttpError);
    std::size_t Streamed = 0;
    Http->Receive(Server.Origin() + "/big", [&](const char*, std::size_t Size) { Streamed += Size; }, nullptr);
    EXPECT_EQ(Streamed, kMaxAnswerBytes + 1);
}

TEST_F(WinHttpTransportTest, NoServerRaisesWithTheSystemText)
{
    // A port that was just in use: nothing listens there any more.
    std::string Url;
    {
        TNativeServer Gone;
        Url = Gone.Origin() + "/x";
    }
    try {
        Http->Send("GET", Url, nullptr);
        ADD_FAILURE() << "no error raised";
    } catch (const EHttpError& E) {
        EXPECT_FALSE(std::string(E.what()).empty());
    }
}

TEST_F(WinHttpTransportTest, AnswerThatDoesNotBeginInTimeRaises)
{
    Server.Set("/slow", {.Status = 200, .ContentType = "text/plain", .Body = "late", .DelayMs = 3000});
    Http->SetResponseTimeout(300);
    EXPECT_THROW(Http->Send("GET", Server.Origin() + "/slow", nullptr), EHttpError);
}

TEST_F(WinHttpTransportTest, BodyThatStallsRaises)
{
    NIMBRAL_SKIP_UNDER_WINE("WinHttpSetTimeouts' receive time-out");
    Server.Set("/stall", {.Status = 200, .ContentType = "text/plain", .Body = "x", .Repeat = 10000, .StallMs = 3000});
    Http->SetResponseTimeout(300);
    EXPECT_THROW(Http->Send("GET", Server.Origin() + "/stall", nullptr), EHttpError);
}

TEST_F(WinHttpTransportTest, ReceiveStreamsEveryByteWithProgress)
{
    const std::int64_t Size = 300000;
    Server.SetPattern("/pkg.zip", Size);
    std::string Got;
    std::int64_t LastReceived = -1;
    std::int64_t LastTotal = 0;
    int Calls = 0;
    THttpResponse R = Http->Receive(
        Server.Origin() + "/pkg.zip", [&](const char* Data, std::size_t N) { Got.append(Data, N); },
        [&](std::int64_t Received, std::int64_t Total) {
            EXPECT_GT(Received, LastReceived);
            LastReceived = Received;
            LastTotal = Total;
            ++Calls;
        });
    EXPECT_EQ(R.StatusCode, 200);
    EXPECT_TRUE(R.Body.empty());
    ASSERT_EQ(static_cast<std::int64_t>(Got.size()), Size);
    for (std::int64_t I = 0; I < Size; ++I) {
        ASSERT_EQ(static_cast<unsigned char>(Got[I]), (I * 7) % 251) << "byte " << I;
    }
    EXPECT_GE(Calls, 2);
    EXPECT_EQ(LastReceived, Size);
    EXPECT_EQ(LastTotal, Size);
}

TEST_F(WinHttpTransportTest, ReceiveWithoutAnnouncedLengthReportsNoTotal)
{
    Server.Set("/chunked", {.Status = 200, .ContentType = "application/zip", .Body = "z", .Repeat = 9000, .NoLength = true});
    std::size_t Got = 0;
    std::int64_t LastTotal = 1;
    Http->Receive(Server.Origin() + "/chunked", [&](const char*, std::size_t N) { Got += N; },
                  [&](std::int64_t, std::int64_t Total) { LastTotal = Total; });
    EXPECT_EQ(Got, 9000u);
    EXPECT_LE(LastTotal, 0);
}

TEST_F(WinHttpTransportTest, SinkThatRaisesAbortsTheTransfer)
{
    Server.SetPattern("/big", 200000);
    EXPECT_THROW(Http->Receive(
                     Server.Origin() + "/big", [](const char*, std::size_t) { throw std::runtime_error("disk full"); },
                     nullptr),
                 std::runtime_error);
}

}  // namespace
}  // namespace nimbral

namespace nimbral {
namespace {

TEST(SystemErrorText, CarriesTheSystemsWordsAndTheCode)
{
    const std::string Text = win32::SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_NE(Text.rfind("error ", 0), 0u) << Text;
    EXPECT_EQ(Text.substr(Text.size() - 4), " (2)");
    EXPECT_EQ(Text.find('\n'), std::string::npos);
}

TEST(SystemErrorText, WinHttpCodesAreWordedByWinHttp)
{
    NIMBRAL_SKIP_UNDER_WINE("exact error texts (Wine's winhttp.dll has no message table)");
    for (unsigned long Code : {12002ul, 12007ul, 12029ul}) {
        const std::string Text = win32::SystemErrorText(Code);
        EXPECT_NE(Text.rfind("error ", 0), 0u) << Text;
        EXPECT_NE(Text.find("(" + std::to_string(Code) + ")"), std::string::npos) << Text;
    }
}

}  // namespace
}  // namespace nimbral
