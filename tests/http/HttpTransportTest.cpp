// The platform transport against a real server on 127.0.0.1, through the
// interface only, so the same cases hold for every platform's transport.
#include "core/HttpTransport.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>

namespace nimbral {
namespace {

using test::TTestServer;
using namespace std::chrono_literals;

class HttpTransport : public ::testing::Test {
protected:
    TTestServer Server;
    std::unique_ptr<THttpTransport> Http = CreateHttpTransport();

    std::string Url(const std::string& Path) const { return Server.Origin() + Path; }
};

TEST_F(HttpTransport, MethodsBodiesAndDefaultHeaders)
{
    Http->SetDefaultHeader("Accept", "application/json");
    Http->SetDefaultHeader("Content-Type", "application/json");
    Http->SetDefaultHeader("Authorization", "Bearer one");
    Http->SetDefaultHeader("authorization", "Bearer two");  // same header, replaced

    const std::string Body = R"({"a":"\uD55C"})";
    Http->Send("POST", Url("/p?x=1"), &Body);
    Http->Send("GET", Url("/g"), nullptr);
    Http->SetDefaultHeader("Authorization", "");
    Http->Send("DELETE", Url("/d/42"), nullptr);
    Http->SetDefaultHeader("Content-Type", "");
    const std::string Empty;
    Http->Send("POST", Url("/e"), &Empty);

    const auto R = Server.Requests();
    ASSERT_EQ(R.size(), 4u);
    for (const auto& Request : R) {
        EXPECT_FALSE(Request.HasHeader("User-Agent"));  // the library's default: none
    }
    EXPECT_EQ(R[0].Method, "POST");
    EXPECT_EQ(R[0].Target, "/p?x=1");
    EXPECT_EQ(R[0].Body, Body);
    EXPECT_EQ(R[0].Header("Authorization"), "Bearer two");
    EXPECT_EQ(R[0].Headers.count("Authorization"), 1u);
    EXPECT_FALSE(R[0].HasHeader("Expect"));
    EXPECT_EQ(R[1].Method, "GET");
    EXPECT_TRUE(R[1].Body.empty());
    for (int I : {0, 1, 2}) {
        EXPECT_EQ(R[I].Header("Accept"), "application/json");
        EXPECT_EQ(R[I].Header("Content-Type"), "application/json");
    }
    EXPECT_EQ(R[2].Method, "DELETE");
    EXPECT_EQ(R[2].Path, "/d/42");
    EXPECT_FALSE(R[2].HasHeader("Authorization"));
    // An emptied header is not sent even where the library would add its own.
    EXPECT_EQ(R[3].Method, "POST");
    EXPECT_FALSE(R[3].HasHeader("Content-Type"));
    EXPECT_EQ(R[3].Header("Content-Length"), "0");
}

TEST_F(HttpTransport, StatusHeadersAndLargeBody)
{
    const std::string Big(3 * 1024 * 1024, 'x');
    Server.SetHandler([&](const httplib::Request& Req, httplib::Response& Res) {
        Res.status = 503;
        Res.set_header("X-Trace", "abc");
        Res.set_content(Req.body.size() == Big.size() ? "big" : "small", "text/plain");
    });
    Http->SetDefaultHeader("Content-Type", "application/octet-stream");
    const auto Response = Http->Send("POST", Url("/"), &Big);
    EXPECT_EQ(Response.StatusCode, 503);
    ASSERT_NE(Response.Header("x-trace"), nullptr);
    EXPECT_EQ(*Response.Header("x-trace"), "abc");
    EXPECT_EQ(Response.Body, "big");
}

// Which names read how is the charset table's (tests/core/CharsetTest.cpp);
// here, that the transport reads the name from Content-Type.
TEST_F(HttpTransport, BodyIsDecodedFromTheDeclaredCharset)
{
    const std::string EucKr = "\xC7\xD1\xB1\xDB OK";  // "한글 OK"
    const std::string Utf8 = "한글 OK";
    const struct {
        std::string ContentType, Body, Expected;
    } Cases[] = {
        {"application/json; charset=EUC-KR", EucKr, Utf8},
        {"text/plain; format=x; charset=\"ks_c_5601-1987\"", EucKr, Utf8},
        {"application/json", Utf8, Utf8},  // no charset: UTF-8
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.ContentType);
        Server.Answer(200, C.Body, C.ContentType);
        EXPECT_EQ(Http->Send("GET", Url("/"), nullptr).Body, C.Expected);
    }
}

// Redirects are followed as WinHTTP follows them; the body of a redirect is
// not part of the answer, and the bearer token stays with the origin asked.
TEST_F(HttpTransport, RedirectsAreFollowedToTheAnswer)
{
    TTestServer Other;
    Other.Answer(200, "elsewhere", "text/plain");
    Server.SetHandler([&](const httplib::Request& Req, httplib::Response& Res) {
        if (Req.path == "/final") {
            Res.set_content("final " + Req.method, "text/plain");
        } else if (Req.path == "/away") {
            Res.status = 302;
            Res.set_header("Location", Other.Origin() + "/there");
        } else if (Req.path == "/loop") {
            Res.status = 302;
            Res.set_header("Location", "loop");
        } else {
            Res.status = Req.path == "/see-other" ? 303 : 302;
            Res.set_header("Location", "final");
            Res.set_content("the redirect's own body", "text/plain");
        }
    });
    Http->SetDefaultHeader("Authorization", "Bearer T");

    const auto Got = Http->Send("GET", Url("/moved"), nullptr);
    EXPECT_EQ(Got.StatusCode, 200);
    EXPECT_EQ(Got.Body, "final GET");
    const std::string Body = "{}";
    EXPECT_EQ(Http->Send("POST", Url("/see-other"), &Body).Body, "final GET");
    std::string Streamed;
    Http->Receive(Url("/moved"), [&](const char* Data, std::size_t Size) { Streamed.append(Data, Size); }, {});
    EXPECT_EQ(Streamed, "final GET");
    for (const auto& R : Server.Requests()) {
        EXPECT_EQ(R.Header("Authorization"), "Bearer T") << R.Path;
    }

    EXPECT_EQ(Http->Send("GET", Url("/away"), nullptr).Body, "elsewhere");
    ASSERT_EQ(Other.Requests().size(), 1u);
    EXPECT_FALSE(Other.Last().HasHeader("Authorization"));

    EXPECT_THROW(Http->Send("GET", Url("/loop"), nullptr), EHttpError);
    EXPECT_EQ(Server.Requests().back().Path, "/loop");
    Http.reset();  // its kept-alive connection would hold Other's end for seconds
}

// Send reads its answer into memory: past the cap it fails; a download is
// streamed and has no cap.
TEST_F(HttpTransport, AnAnswerReadIntoMemoryIsCapped)
{
    Server.Answer(200, std::string(kMaxAnswerBytes + 1, 'x'), "application/json");
    EXPECT_THROW(Http->Send("GET", Url("/"), nullptr), EHttpError);
    std::size_t Streamed = 0;
    Http->Receive(Url("/"), [&](const char*, std::size_t Size) { Streamed += Size; }, {});
    EXPECT_EQ(Streamed, kMaxAnswerBytes + 1);
}

TEST_F(HttpTransport, ConnectionIsReusedBetweenRequests)
{
    for (int I = 0; I < 5; ++I) {
        Http->Send(I % 2 ? "GET" : "POST", Url("/"), nullptr);  // POST without a body too
    }
    std::set<int> Ports;
    for (const auto& R : Server.Requests()) {
        Ports.insert(R.RemotePort);
    }
    EXPECT_EQ(Ports.size(), 1u);
}

TEST_F(HttpTransport, UnreachablePortRaises)
{
    const int Port = [] {
        TTestServer Gone;
        return Gone.Port();
    }();
    Http->SetConnectTimeout(2000);
    try {
        Http->Send("GET", "http://127.0.0.1:" + std::to_string(Port) + "/", nullptr);
        FAIL() << "no error";
    } catch (const EHttpError& E) {
        EXPECT_STRNE(E.what(), "");
    }
}

TEST_F(HttpTransport, ResponseTimeoutEndsAWaitForAnAnswer)
{
    auto Held = std::make_shared<test::THeldAnswer>();
    Server.SetHandler([Held](const httplib::Request&, httplib::Response& Res) {
        Held->Wait();
        Res.set_content("{}", "application/json");
    });
    Http->SetResponseTimeout(150);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_THROW(Http->Send("GET", Url("/"), nullptr), EHttpError);
    const auto Took = std::chrono::steady_clock::now() - Start;
    Held->Release();
    EXPECT_LT(Took, 5s);  // a guard against hanging, not a measurement
    // The transport stays usable after the abandoned exchange.
    EXPECT_EQ(Http->Send("GET", Url("/"), nullptr).StatusCode, 200);
}

// Streams Chunks pieces, Gap apart, so the whole answer takes far longer
// than the response time-out while no single wait does (unless Stall).
void StreamSlowly(TTestServer& Server, int Chunks, std::chrono::milliseconds Gap, int StallAfter = -1)
{
    Server.SetHandler([=](const httplib::Request&, httplib::Response& Res) {
        auto Sent = std::make_shared<int>(0);
        Res.set_chunked_content_provider("application/octet-stream",
                                         [=](size_t, httplib::DataSink& Sink) {
                                             if (*Sent == Chunks) {
                                                 Sink.done();
                                                 return true;
                                             }
                                             std::this_thread::sleep_for(*Sent == StallAfter ? Gap * 20 : Gap);
                                             Sink.write("0123456789", 10);
                                             ++*Sent;
                                             return true;
                                         });
    });
}

TEST_F(HttpTransport, ResponseTimeoutIsNotACapOnALongTransfer)
{
    StreamSlowly(Server, 12, 50ms);  // 600 ms in all, never more than 50 ms apart
    Http->SetResponseTimeout(300);
    EXPECT_EQ(Http->Send("GET", Url("/"), nullptr).Body.size(), 120u);

    StreamSlowly(Server, 8, 30ms, /*StallAfter=*/3);  // one 600 ms silence
    EXPECT_THROW(Http->Send("GET", Url("/"), nullptr), EHttpError);
}

TEST_F(HttpTransport, ZeroResponseTimeoutWaitsWithoutLimit)
{
    Server.SetHandler([](const httplib::Request&, httplib::Response& Res) {
        std::this_thread::sleep_for(300ms);
        Res.set_content("late", "text/plain");
    });
    Http->SetResponseTimeout(100);
    EXPECT_THROW(Http->Send("GET", Url("/"), nullptr), EHttpError);
    Http->SetResponseTimeout(0);
    EXPECT_EQ(Http->Send("GET", Url("/"), nullptr).Body, "late");
}

TEST_F(HttpTransport, ReceiveStreamsWithProgress)
{
    const std::string Payload(300'000, 'z');
    Server.Answer(200, Payload, "application/zip");
    std::string Got;
    std::vector<std::pair<std::int64_t, std::int64_t>> Calls;
    const auto Response = Http->Receive(
        Url("/pkg.zip"), [&](const char* Data, std::size_t Size) { Got.append(Data, Size); },
        [&](std::int64_t Received, std::int64_t Total) { Calls.emplace_back(Received, Total); });
    EXPECT_EQ(Response.StatusCode, 200);
    EXPECT_TRUE(Response.Body.empty());
    EXPECT_EQ(Got, Payload);
    ASSERT_FALSE(Calls.empty());
    EXPECT_EQ(Calls.back().first, static_cast<std::int64_t>(Payload.size()));
    for (const auto& [Received, Total] : Calls) {
        EXPECT_EQ(Total, static_cast<std::int64_t>(Payload.size()));
    }
}

TEST_F(HttpTransport, RaisingSinkAbortsAndItsErrorReachesTheCaller)
{
    Server.Answer(200, std::string(500'000, 'z'), "application/zip");
    int Calls = 0;
    EXPECT_THROW(Http->Receive(
                     Url("/"),
                     [&](const char*, std::size_t) {
                         if (++Calls == 2) {
                             throw std::runtime_error("disk full");
                         }
                     },
                     {}),
                 std::runtime_error);
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(Http->Send("GET", Url("/"), nullptr).StatusCode, 200);
}

}  // namespace
}  // namespace nimbral
