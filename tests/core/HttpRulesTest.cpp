// The rules every transport follows, checked without a network: request
// header rules, the cap on answers read into memory, and how redirects are
// followed (a scripted exchange stands in for the platform's).
#include "core/HttpTransport.h"
#include "core/Url.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace nimbral {
namespace {

TEST(HttpRules, RequestHeadersThatWouldBreakTheRequestAreRefused)
{
    for (const THttpHeader& Bad : std::vector<THttpHeader>{{"Authorization", "Bearer t\r\nX-Injected: 1"},
                                                           {"Authorization", "Bearer t\nX-Injected: 1"},
                                                           {"Authorization", std::string("Bearer t\0x", 10)},
                                                           {"X-A: b", "c"},
                                                           {"", "c"},
                                                           {"X A", "c"}}) {
        SCOPED_TRACE(Bad.Name + " = " + Bad.Value);
        EXPECT_THROW(CheckRequestHeader(Bad), EHttpError);
    }
    EXPECT_NO_THROW(CheckRequestHeader({"Authorization", "Bearer a.b-c_d~e+f/g="}));
    EXPECT_NO_THROW(CheckRequestHeader({"Authorization", ""}));
}

TEST(HttpRules, AnAnswerReadIntoMemoryIsCapped)
{
    std::string Answer(kMaxAnswerBytes - 10, 'x');
    EXPECT_NO_THROW(AppendAnswer(Answer, "0123456789", 10));
    EXPECT_EQ(Answer.size(), kMaxAnswerBytes);
    EXPECT_THROW(AppendAnswer(Answer, "y", 1), EHttpError);
    EXPECT_EQ(Answer.size(), kMaxAnswerBytes);
}

TEST(HttpRules, LocationsResolveAgainstTheAddressAsked)
{
    const std::string Base = "http://a.example:8080/b/c/d;p?q";
    const std::map<std::string, std::string> Cases = {
        {"g", "http://a.example:8080/b/c/g"},
        {"./g", "http://a.example:8080/b/c/g"},
        {"g/", "http://a.example:8080/b/c/g/"},
        {"/g", "http://a.example:8080/g"},
        {"//h.example/g", "http://h.example/g"},
        {"?y", "http://a.example:8080/b/c/d;p?y"},
        {"g?y#s", "http://a.example:8080/b/c/g?y"},
        {"#s", "http://a.example:8080/b/c/d;p?q"},
        {"", "http://a.example:8080/b/c/d;p?q"},
        {"../g", "http://a.example:8080/b/g"},
        {"../../../g", "http://a.example:8080/g"},
        {"/./g/../h", "http://a.example:8080/h"},
        {"https://s.example/x/../y", "https://s.example/y"},
    };
    for (const auto& [Reference, Expected] : Cases) {
        EXPECT_EQ(ResolveUrl(Base, Reference), Expected) << Reference;
    }
    EXPECT_EQ(ResolveUrl("/relative", "g"), std::nullopt);
    EXPECT_EQ(OriginOf("HTTP://Api.Example/x"), OriginOf("http://api.example:80/"));
    EXPECT_NE(OriginOf("http://api.example/"), OriginOf("https://api.example/"));
    EXPECT_NE(OriginOf("http://127.0.0.1:1/"), OriginOf("http://127.0.0.1:2/"));
    EXPECT_EQ(OriginOf("http://u:p@[::1]:9/")->Host, "[::1]");
}

// A scripted chain of answers, one per request, recording what was sent.
class TScriptedExchange {
public:
    struct TAnswer {
        std::int32_t Status;
        std::string Location;  // empty: none
    };
    explicit TScriptedExchange(std::vector<TAnswer> Answers) : FAnswers(std::move(Answers)) {}

    std::vector<THttpRequest> Sent;
    std::vector<std::string> Bodies;  // "" for none

    THttpResponse operator()(const THttpRequest& Request)
    {
        Sent.push_back(Request);
        Bodies.push_back(Request.Body != nullptr ? *Request.Body : "");
        const TAnswer& A = FAnswers.at(Sent.size() - 1);
        THttpResponse R;
        R.StatusCode = A.Status;
        if (!A.Location.empty()) {
            R.Headers.push_back({"Location", A.Location});
        }
        return R;
    }

    std::string Authorization(std::size_t I) const
    {
        for (const THttpHeader& H : Sent.at(I).Headers) {
            if (H.Name == "Authorization") {
                return H.Value;
            }
        }
        return "<none>";
    }

private:
    std::vector<TAnswer> FAnswers;
};

THttpResponse Follow(TScriptedExchange& Script, const std::string& Method, const std::string& Url,
                  const std::string* Body = nullptr)
{
    return FollowRedirects({Method, Url, Body, {{"Accept", "application/json"}, {"Authorization", "Bearer T"}}},
                           [&](const THttpRequest& R) { return Script(R); });
}

TEST(HttpRules, RedirectsAreFollowedWithTheirMethods)
{
    const std::string Body = "{}";
    const struct {
        const char* Method;
        std::int32_t Status;
        const char* Then;  // the method of the second request
        bool KeepsBody;
    } Cases[] = {
        {"GET", 301, "GET", false},     {"GET", 302, "GET", false},     {"POST", 301, "GET", false},
        {"POST", 302, "GET", false},    {"POST", 303, "GET", false},    {"DELETE", 303, "GET", false},
        {"DELETE", 302, "DELETE", false}, {"POST", 307, "POST", true},  {"POST", 308, "POST", true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Method) + " " + std::to_string(C.Status));
        TScriptedExchange Script({{C.Status, "../next?x=1"}, {200, ""}});
        const THttpResponse R =
            Follow(Script, C.Method, "http://a.example/api/v1/here", std::string(C.Method) == "POST" ? &Body : nullptr);
        EXPECT_EQ(R.StatusCode, 200);
        ASSERT_EQ(Script.Sent.size(), 2u);
        EXPECT_EQ(Script.Sent[1].Method, C.Then);
        EXPECT_EQ(Script.Sent[1].Url, "http://a.example/api/next?x=1");
        EXPECT_EQ(Script.Bodies[1], C.KeepsBody ? Body : "");
        EXPECT_EQ(Script.Authorization(1), "Bearer T");  // the same origin
    }
}

TEST(HttpRules, RedirectsThatAreNotFollowed)
{
    const struct {
        const char* Name;
        std::string From;
        TScriptedExchange::TAnswer Answer;
    } Cases[] = {
        {"from HTTPS to HTTP", "https://a.example/x", {302, "http://a.example/y"}},
        {"no Location", "http://a.example/x", {302, ""}},
        {"not a redirect", "http://a.example/x", {300, "/y"}},
        {"another scheme", "http://a.example/x", {302, "ftp://a.example/y"}},
        {"not an address", "http://a.example/x", {302, "mailto:someone"}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScriptedExchange Script({C.Answer});
        EXPECT_EQ(Follow(Script, "GET", C.From).StatusCode, C.Answer.Status);
        EXPECT_EQ(Script.Sent.size(), 1u);
    }
    TScriptedExchange Upgrade({{302, "https://a.example/y"}, {200, ""}});
    EXPECT_EQ(Follow(Upgrade, "GET", "http://a.example/x").StatusCode, 200);
}

TEST(HttpRules, AtMostTenRedirectsInARow)
{
    std::vector<TScriptedExchange::TAnswer> Chain(10, {302, "/again"});
    Chain.push_back({200, ""});
    TScriptedExchange Ten(Chain);
    EXPECT_EQ(Follow(Ten, "GET", "http://a.example/").StatusCode, 200);

    TScriptedExchange Eleven(std::vector<TScriptedExchange::TAnswer>(11, {302, "/again"}));
    EXPECT_THROW(Follow(Eleven, "GET", "http://a.example/"), EHttpError);
    EXPECT_EQ(Eleven.Sent.size(), 11u);
}

// The bearer token goes to the origin first asked only: not to another host,
// port or scheme, and again once a redirect leads back.
TEST(HttpRules, TheTokenStaysWithTheOriginAsked)
{
    TScriptedExchange Script({{302, "http://A.example:80/same"},
                              {302, "http://b.example/other-host"},
                              {302, "http://a.example:8080/other-port"},
                              {302, "http://a.example/back"},
                              {302, "https://a.example/other-scheme"},
                              {200, ""}});
    Follow(Script, "GET", "http://a.example/first");
    ASSERT_EQ(Script.Sent.size(), 6u);
    const char* Expected[] = {"Bearer T", "Bearer T", "<none>", "<none>", "Bearer T", "<none>"};
    for (std::size_t I = 0; I < 6; ++I) {
        EXPECT_EQ(Script.Authorization(I), Expected[I]) << Script.Sent[I].Url;
        EXPECT_EQ(Script.Sent[I].Headers.front().Name, "Accept");  // the other headers go along
    }
}

TEST(HttpRules, HeadersAreCheckedBeforeAnythingIsSent)
{
    TScriptedExchange Script({{200, ""}});
    EXPECT_THROW(FollowRedirects({"GET", "http://a.example/", nullptr, {{"Authorization", "t\r\nX: 1"}}},
                                 [&](const THttpRequest& R) { return Script(R); }),
                 EHttpError);
    EXPECT_TRUE(Script.Sent.empty());
}

}  // namespace
}  // namespace nimbral
