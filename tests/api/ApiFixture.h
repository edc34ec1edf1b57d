#pragma once
// A TApiClient talking to a recording server on 127.0.0.1, with short
// time-outs so a failing case never waits long.

#include "api/ApiClient.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace nimbral::test {

// One operation and the request it must send.
struct TRequestCase {
    const char* Name;
    std::function<void(TApiClient&)> Call;
    const char* Method;
    const char* Target;  // path and query as sent
    const char* Body;    // nullptr: none
};

class ApiTest : public ::testing::Test {
protected:
    TTestServer Server;
    TApiClient Api{Server.Origin(), TApiTimeouts{2000, 2000}};

    // Answers every request with this envelope text.
    void Reply(const std::string& Json, int Status = 200) { Server.Answer(Status, Json); }

    void ExpectRequests(const std::vector<TRequestCase>& Cases)
    {
        for (const TRequestCase& C : Cases) {
            SCOPED_TRACE(C.Name);
            Server.ClearRequests();
            C.Call(Api);
            const auto R = Server.Requests();
            ASSERT_EQ(R.size(), 1u);
            EXPECT_EQ(R[0].Method, C.Method);
            EXPECT_EQ(R[0].Target, C.Target);
            EXPECT_EQ(R[0].Body, C.Body ? C.Body : "");
        }
    }
};

}  // namespace nimbral::test
