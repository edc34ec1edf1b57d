// The request core's Linux-only case: a service that accepts the request and
// stays silent (the portable table is RequestCoreTableTest.cpp).
#include "ApiFixture.h"

#include <memory>

namespace nimbral::test {
namespace {

const std::string NetError = "네트워크 오류: ";

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

}  // namespace
}  // namespace nimbral::test
