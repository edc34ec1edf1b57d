#pragma once
// The development service running in this process on a free port of
// 127.0.0.1, and a plain HTTP client for it: one connection per request,
// no redirects followed, the path sent exactly as written.

#include "DevService.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <thread>

namespace nimbral::devservice::test {

using nlohmann::json;

struct TAnswer {
    int Status = 0;  // 0: no answer
    std::string Body;
    httplib::Headers Headers;

    std::string Header(const std::string& AName) const
    {
        const auto It = Headers.find(AName);
        return It == Headers.end() ? std::string() : It->second;
    }
    json Json() const { return json::parse(Body, nullptr, false); }
};

class TRunningService {
public:
    explicit TRunningService(const std::filesystem::path& APackages = {}) : FService(APackages)
    {
        if (!FService.Bind(0)) {
            throw std::runtime_error("no free port for the development service");
        }
        FThread = std::thread([this] { FService.Run(); });
    }
    ~TRunningService()
    {
        FService.Stop();
        FThread.join();
    }
    TRunningService(const TRunningService&) = delete;
    TRunningService& operator=(const TRunningService&) = delete;

    std::string Origin() const { return FService.Origin(); }

    TAnswer Get(const std::string& APath, const httplib::Headers& AHeaders = {}) const
    {
        return Answer(Client().Get(APath.c_str(), AHeaders));
    }
    TAnswer Post(const std::string& APath, const std::string& ABody, const httplib::Headers& AHeaders = {},
                 const char* AContentType = "application/json") const
    {
        return Answer(Client().Post(APath.c_str(), AHeaders, ABody, AContentType));
    }

private:
    TDevService FService;
    std::thread FThread;

    httplib::Client Client() const
    {
        httplib::Client C("127.0.0.1", FService.Port());
        C.set_url_encode(false);
        return C;
    }
    static TAnswer Answer(const httplib::Result& AResult)
    {
        if (!AResult) {
            ADD_FAILURE() << "no answer: " << httplib::to_string(AResult.error());
            return {};
        }
        return {AResult->status, AResult->body, AResult->headers};
    }
};

inline httplib::Headers Bearer(const std::string& AToken)
{
    return {{"Authorization", "Bearer " + AToken}};
}

inline httplib::Headers WithCookie(const std::string& ACookie)
{
    return {{"Cookie", ACookie}};
}

// The "name=value" part of a Set-Cookie header, as a browser sends it back.
inline std::string CookieOf(const TAnswer& AAnswer)
{
    const std::string SetCookie = AAnswer.Header("Set-Cookie");
    return SetCookie.substr(0, SetCookie.find(';'));
}

class DevServiceTest : public ::testing::Test {
protected:
    TRunningService Service;

    // A bearer token of the demo account through the API.
    std::string SignIn(const std::string& AEmail = "minjun.kim@nimbral.dev",
                       const std::string& APassword = "nimbral1234")
    {
        const TAnswer A = Service.Post("/api/v1/auth/login",
                                       json{{"email", AEmail}, {"password", APassword}}.dump());
        EXPECT_EQ(A.Status, 200) << A.Body;
        return A.Json()["data"].value("token", "");
    }

    // The cookie of a web session opened through the sign-in form.
    std::string SignInPage()
    {
        const TAnswer A = Service.Post("/app/login", "email=minjun.kim%40nimbral.dev&password=nimbral1234", {},
                                       "application/x-www-form-urlencoded");
        EXPECT_EQ(A.Status, 303) << A.Body;
        return CookieOf(A);
    }

    json Control(const std::string& APath, const json& ABody = json::object())
    {
        const TAnswer A = Service.Post("/_control/" + APath, ABody.dump());
        EXPECT_EQ(A.Status, 200) << APath << ": " << A.Body;
        return A.Json();
    }

    json State() { return Service.Get("/_control/state").Json(); }
};

// An envelope of a refusal: the status, success false and a message.
inline void ExpectRefusal(const TAnswer& AAnswer, int AStatus)
{
    EXPECT_EQ(AAnswer.Status, AStatus) << AAnswer.Body;
    const json Envelope = AAnswer.Json();
    ASSERT_TRUE(Envelope.is_object()) << AAnswer.Body;
    EXPECT_EQ(Envelope["success"], false);
    EXPECT_TRUE(Envelope["message"].is_string() && !Envelope["message"].get<std::string>().empty()) << AAnswer.Body;
    EXPECT_TRUE(AAnswer.Header("Content-Type").starts_with("application/json"));
}

}  // namespace nimbral::devservice::test
