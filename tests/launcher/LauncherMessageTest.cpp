#include "launcher/LauncherMessage.h"

#include <gtest/gtest.h>

namespace nimbral {
namespace {

struct TDecodeCase {
    const char* Text;
    bool Decoded;
    TLauncherAction Action;
    std::int32_t PcId;
    const char* PcName;
    const char* Token;
};

TEST(LauncherMessageTest, DecodesTheThreeActionsAndDropsTheRest)
{
    using enum TLauncherAction;
    const TDecodeCase Cases[] = {
        {R"({"action":"connect-pc","pcId":7,"pcName":"강남 1호점 · PC 07"})", true, ConnectPc, 7, "강남 1호점 · PC 07", ""},
        {R"({"action":"connect-pc","pcId":"12"})", true, ConnectPc, 12, "", ""},
        {R"({"action":"connect-pc","pcId":null,"pcName":null})", true, ConnectPc, 0, "", ""},
        {R"({"action":"connect-pc","pcId":-3})", true, ConnectPc, -3, "", ""},
        {R"({"action":"connect-pc"})", true, ConnectPc, 0, "", ""},
        {R"({"action":"auth-token","token":"tok-1","pcId":{}})", true, AuthToken, 0, "", "tok-1"},
        {R"({"action":"auth-token"})", true, AuthToken, 0, "", ""},
        {R"({"action":"logout","token":[1]})", true, Logout, 0, "", ""},
        // Members that do not convert drop the message.
        {R"({"action":"connect-pc","pcId":1.5})", false, Logout, 0, "", ""},
        {R"({"action":"connect-pc","pcId":"12a"})", false, Logout, 0, "", ""},
        {R"({"action":"connect-pc","pcId":true})", false, Logout, 0, "", ""},
        {R"({"action":"connect-pc","pcId":4294967296})", false, Logout, 0, "", ""},
        {R"({"action":"connect-pc","pcId":3,"pcName":{}})", false, Logout, 0, "", ""},
        {R"({"action":"auth-token","token":["x"]})", false, Logout, 0, "", ""},
        {R"({"action":"auth-token","token":12345})", false, Logout, 0, "", ""},
        {R"({"action":"connect-pc","pcId":3,"pcName":7})", false, Logout, 0, "", ""},
        {R"({"action":{"x":1}})", false, Logout, 0, "", ""},
        // Not an action of ours, or not an object at all.
        {R"({"action":"Connect-PC","pcId":3})", false, Logout, 0, "", ""},
        {R"({"action":""})", false, Logout, 0, "", ""},
        {R"({"pcId":3})", false, Logout, 0, "", ""},
        {R"(["connect-pc"])", false, Logout, 0, "", ""},
        {R"("{\"action\":\"logout\"}")", false, Logout, 0, "", ""},
        {"42", false, Logout, 0, "", ""},
        {"null", false, Logout, 0, "", ""},
        {"{\"action\":\"logout\"", false, Logout, 0, "", ""},
        {"", false, Logout, 0, "", ""},
    };
    for (const TDecodeCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        const auto Message = DecodeLauncherMessage(C.Text);
        ASSERT_EQ(Message.has_value(), C.Decoded);
        if (!Message)
            continue;
        EXPECT_EQ(Message->Action, C.Action);
        EXPECT_EQ(Message->PcId, C.PcId);
        EXPECT_EQ(Message->PcName, C.PcName);
        EXPECT_EQ(Message->Token, C.Token);
    }
}

TEST(LauncherMessageTest, LoginAddressesAreFoundAnywhereWithLettersFolded)
{
    const std::pair<const char*, bool> Cases[] = {
        {"http://127.0.0.1:18080/app/login", true},
        {"https://web.example/APP/LOGIN?next=1", true},
        {"https://web.example/app/launch?v=1.0&back=%2F/LOGIN", true},
        {"https://web.example/app/launch#/login", true},
        {"https://web.example/app/logins", true},
        {"https://web.example/app/launch?v=1.0", false},
        {"https://web.example/app/log-in", false},
        {"", false},
    };
    for (const auto& [Url, Expected] : Cases)
        EXPECT_EQ(IsLoginUrl(Url), Expected) << Url;
}

}  // namespace
}  // namespace nimbral
