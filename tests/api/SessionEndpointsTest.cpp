#include "ApiFixture.h"

#include <functional>
#include <utility>
#include <vector>

namespace nimbral::test {
namespace {

const std::string Notice = "리니지 클래식은 공식 승인 전까지 일부 키 입력이 제한될 수 있습니다.";

TEST_F(ApiTest, SessionRequests)
{
    TSessionInfo S;
    std::vector<TMyPcInfo> Pcs;
    TMyPcInfo Pc;
    ExpectRequests({
        {"CreateSession", [&](TApiClient& A) { A.CreateSession(31, S); }, "POST", "/api/v1/sessions",
         R"({"pc_id":31})"},
        {"CreateSessionByPcBang(12)", [&](TApiClient& A) { A.CreateSessionByPcBang(12, S); }, "POST",
         "/api/v1/sessions", R"({"pc_bang_id":12})"},
        {"CreateSessionByPcBang(0)", [&](TApiClient& A) { A.CreateSessionByPcBang(0, S); }, "POST",
         "/api/v1/sessions", "{}"},
        {"CreateSessionByBranch(5, 12)", [&](TApiClient& A) { A.CreateSessionByBranch(5, 12, S); }, "POST",
         "/api/v1/sessions", R"({"pc_bang_id":12})"},
        {"GetCurrentSession", [&](TApiClient& A) { A.GetCurrentSession(S); }, "GET", "/api/v1/sessions/current",
         nullptr},
        {"SubmitPin", [&](TApiClient& A) { A.SubmitPin(8, "0042"); }, "POST", "/api/v1/sessions/8/submit-pin",
         R"({"pin":"0042"})"},
        {"DisconnectSession", [&](TApiClient& A) { A.DisconnectSession(8); }, "POST",
         "/api/v1/sessions/8/disconnect", "{}"},
        {"GetMyPcs", [&](TApiClient& A) { A.GetMyPcs(Pcs); }, "GET", "/api/v1/my-pc", nullptr},
        {"GetMyPc", [&](TApiClient& A) { A.GetMyPc(Pc); }, "GET", "/api/v1/my-pc", nullptr},
        {"ConnectMyPc(0)", [&](TApiClient& A) { A.ConnectMyPc(S, 0); }, "POST", "/api/v1/connect", "{}"},
        {"ConnectMyPc(7)", [&](TApiClient& A) { A.ConnectMyPc(S, 7); }, "POST", "/api/v1/connect?assignment_id=7",
         "{}"},
        {"DisconnectMyPc", [&](TApiClient& A) { A.DisconnectMyPc(); }, "POST", "/api/v1/disconnect", "{}"},
    });
}

const std::string FullSession =
    R"({"id":501,"pc_id":31,"status":"active","token":"st","expires_at":"2026-12-10T05:00:00Z",)"
    R"("pairing_status":"paired","user_rate_per_hour":1200,"mileage_balance":"300","has_subscription":true,)"
    R"("is_dedicated":"false","remote_pc":{"pc_name":"A-07","ip":"10.0.0.7","port":3390,)"
    R"("lineage_classic_input":{"status":"approved","full_input":true,"notice":""}}})";

TSessionInfo ExpectedSession(bool WithBilling)
{
    TSessionInfo S{501, 31, "active", "st", "2026-12-10T05:00:00Z", "A-07", "10.0.0.7", 3390, "paired",
                   "approved", true, "", 0, 0, false, false};
    if (WithBilling) {
        S.UserRatePerHour = 1200;
        S.MileageBalance = 300;
        S.HasSubscription = true;
    }
    return S;
}

TEST_F(ApiTest, SessionAnswersAndTheBillingFields)
{
    Reply(R"({"success":true,"data":)" + FullSession + "}");
    TSessionInfo S;
    Api.CreateSession(31, S);
    EXPECT_EQ(S, ExpectedSession(true));
    Api.CreateSessionByPcBang(3, S);
    EXPECT_EQ(S, ExpectedSession(false));
    Api.GetCurrentSession(S);
    EXPECT_EQ(S, ExpectedSession(false));
}

TEST_F(ApiTest, SessionAnswerDefaults)
{
    TSessionInfo S;
    // Without remote_pc: no pairing means "none", no PC means no input policy.
    Reply(R"({"success":true,"data":{"id":1,"pairing_status":null}})");
    Api.CreateSession(1, S);
    TSessionInfo Expected;
    Expected.Id = 1;
    Expected.PairingStatus = "none";
    EXPECT_EQ(S, Expected);
    // remote_pc without lineage_classic_input: the restricted defaults.
    Reply(R"({"success":true,"data":{"id":1,"remote_pc":{"ip":"1.2.3.4"}}})");
    Api.GetCurrentSession(S);
    EXPECT_EQ(S.PcIP, "1.2.3.4");
    EXPECT_EQ(S.LineageInputStatus, "pending_approval");
    EXPECT_FALSE(S.LineageFullInput);
    EXPECT_EQ(S.LineageInputNotice, Notice);
    // lineage_classic_input of the wrong type or null is ignored.
    Reply(R"({"success":true,"data":{"remote_pc":{"lineage_classic_input":"x"}}})");
    Api.GetCurrentSession(S);
    EXPECT_EQ(S.LineageInputStatus, "pending_approval");
}

TEST_F(ApiTest, SessionAnswersThatLeaveTheSessionEmpty)
{
    const std::vector<std::pair<const char*, std::function<TApiResponse(TSessionInfo&)>>> Cases = {
        {R"({"success":true,"data":null})", [&](TSessionInfo& S) { return Api.GetCurrentSession(S); }},
        {R"({"success":true})", [&](TSessionInfo& S) { return Api.GetCurrentSession(S); }},
        {R"({"success":true})", [&](TSessionInfo& S) { return Api.CreateSession(1, S); }},
        {R"({"success":false,"data":{"id":9}})", [&](TSessionInfo& S) { return Api.CreateSession(1, S); }},
        {R"({"success":false,"data":{"id":9}})", [&](TSessionInfo& S) { return Api.GetCurrentSession(S); }},
        {R"({"success":true,"data":[1]})", [&](TSessionInfo& S) { return Api.ConnectMyPc(S, 0); }},
        {R"({"success":true,"data":null})", [&](TSessionInfo& S) { return Api.ConnectMyPc(S, 0); }},
        {R"({"success":false,"data":{"session_id":9}})", [&](TSessionInfo& S) { return Api.ConnectMyPc(S, 0); }},
    };
    for (const auto& [Json, Call] : Cases) {
        SCOPED_TRACE(Json);
        Reply(Json);
        TSessionInfo S;
        S.Id = 99;  // stale content is reset
        EXPECT_NO_THROW(Call(S));
        EXPECT_EQ(S, TSessionInfo{});
    }
}

TEST_F(ApiTest, SessionConversionErrorsReachTheCaller)
{
    const std::vector<std::pair<const char*, std::function<void(TSessionInfo&)>>> Cases = {
        {R"({"success":true,"data":null})", [&](TSessionInfo& S) { Api.CreateSession(1, S); }},
        {R"({"success":true,"data":null})", [&](TSessionInfo& S) { Api.CreateSessionByPcBang(1, S); }},
        {R"({"success":true,"data":[]})", [&](TSessionInfo& S) { Api.GetCurrentSession(S); }},
        {R"({"success":true,"data":{"remote_pc":null}})", [&](TSessionInfo& S) { Api.GetCurrentSession(S); }},
        {R"({"success":true,"data":{"remote_pc":"pc"}})", [&](TSessionInfo& S) { Api.CreateSession(1, S); }},
        {R"({"success":true,"data":{"id":1.5}})", [&](TSessionInfo& S) { Api.CreateSession(1, S); }},
        {R"({"success":true,"data":{"session_id":"x"}})", [&](TSessionInfo& S) { Api.ConnectMyPc(S, 0); }},
        {R"({"success":true,"data":{"remote_pc":{"lineage_classic_input":{"full_input":"maybe"}}}})",
         [&](TSessionInfo& S) { Api.GetCurrentSession(S); }},
    };
    for (const auto& [Json, Call] : Cases) {
        SCOPED_TRACE(Json);
        Reply(Json);
        TSessionInfo S;
        EXPECT_THROW(Call(S), EConvertError);
    }
}

TEST_F(ApiTest, ConnectMyPcReadsItsOwnMembers)
{
    Reply(R"({"success":true,"data":{"session_id":77,"token":"tk","status":"active","pc_ip":"10.1.1.1",)"
          R"("pc_port":3389,"pc_name":"My-PC","id":5,"pc_id":6,"remote_pc":{"ip":"x"}}})");
    TSessionInfo S;
    Api.ConnectMyPc(S, 7);
    EXPECT_EQ(S, (TSessionInfo{77, 0, "active", "tk", "", "My-PC", "10.1.1.1", 3389, "", "pending_approval", false,
                               Notice, 0, 0, false, false}));
}

TEST_F(ApiTest, PinAndDisconnectReadNothingFromData)
{
    Reply(R"({"success":true,"data":{"id":"not a number"}})");
    EXPECT_TRUE(Api.SubmitPin(1, "1").Success);
    EXPECT_TRUE(Api.DisconnectSession(1).Success);
    EXPECT_TRUE(Api.DisconnectMyPc().Success);
}

const char* const MyPcJson =
    R"({"assignment_id":3,"pc_id":4,"pc_name":"전용 PC","pc_ip":"10.2.2.2","pc_port":3389,"monthly_price":50000,)"
    R"("start_date":"2026-11-01","end_date":"2026-12-01","days_remaining":12.9,)"
    R"("hardware_info":{"cpu":"i7-13700","gpu":"RTX 4070","ram_gb":16,"os":"Windows 11"}})";

TEST_F(ApiTest, MyPcsFromAnArrayOrASingleObject)
{
    std::vector<TMyPcInfo> Pcs;
    Reply(std::string(R"({"success":true,"data":[)") + MyPcJson + R"(,7,{}]})");
    Api.GetMyPcs(Pcs);
    ASSERT_EQ(Pcs.size(), 3u);
    EXPECT_EQ(Pcs[0].PcName, "전용 PC");
    EXPECT_EQ(Pcs[1], TMyPcInfo{});  // a slot that held no object
    EXPECT_TRUE(Pcs[2].HasPc);
    EXPECT_EQ(Pcs[2].PcStatus, "offline");

    Reply(std::string(R"({"success":true,"data":)") + MyPcJson + "}");
    Api.GetMyPcs(Pcs);
    ASSERT_EQ(Pcs.size(), 1u);
    TMyPcInfo Pc;
    Api.GetMyPc(Pc);
    EXPECT_EQ(Pc, Pcs[0]);

    for (const char* Json : {R"({"success":true,"data":[]})", R"({"success":true,"data":"pc"})",
                             R"({"success":true,"data":null})", R"({"success":false,"data":[{}]})"}) {
        SCOPED_TRACE(Json);
        Reply(Json);
        Api.GetMyPcs(Pcs);
        EXPECT_TRUE(Pcs.empty());
        Api.GetMyPc(Pc);
        EXPECT_FALSE(Pc.HasPc);
    }
}

// Like every other operation, GetMyPc resets its record before reading, so a
// record that does not convert leaves no earlier PC behind.
TEST_F(ApiTest, MyPcThatDoesNotConvertLeavesTheRecordEmpty)
{
    Reply(R"({"success":true,"data":{"pc_id":"four"}})");
    TMyPcInfo Pc;
    Pc.HasPc = true;
    Pc.PcName = "earlier";
    EXPECT_THROW(Api.GetMyPc(Pc), EConvertError);
    EXPECT_EQ(Pc, TMyPcInfo{});
}

TEST(ParseMyPcInfo, RecordAndHardwareSummary)
{
    const auto Full = ParseJson(MyPcJson);
    ASSERT_TRUE(Full);
    EXPECT_EQ(ParseMyPcInfo(*Full),
              (TMyPcInfo{true, 3, 4, "전용 PC", "10.2.2.2", 3389, "offline", 50000, "2026-11-01", "2026-12-01", 12,
                         "i7-13700 · RTX 4070 · 16 GB · Windows 11", "i7-13700", "RTX 4070", "16 GB", "Windows 11",
                         "pending_approval", false, Notice}));

    const struct {
        const char* Json;
        const char* Summary;
        const char* Ram;
        std::int32_t Days;
    } Cases[] = {
        {R"({"hardware_info":{"cpu":"c","gpu":"g","ram_gb":0,"os":"o"}})", "c · g · - · o", "-", 0},
        {R"({"hardware_info":{"gpu":"g","ram":"8GB"}})", "g · 8GB", "8GB", 0},
        {R"({"hardware_info":{"ram":""}})", "", "", 0},
        {R"({"hardware_info":[]})", "", "", 0},
        {R"({"days_remaining":-0.5})", "", "", 0},
        {R"({"days_remaining":"-3.9"})", "", "", -3},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Json);
        const TMyPcInfo Info = ParseMyPcInfo(*ParseJson(C.Json));
        EXPECT_EQ(Info.HardwareSummary, C.Summary);
        EXPECT_EQ(Info.HwRam, C.Ram);
        EXPECT_EQ(Info.DaysRemaining, C.Days);
    }
    EXPECT_THROW(ParseMyPcInfo(*ParseJson(R"({"days_remaining":1e300})")), EConvertError);
    EXPECT_THROW(ParseMyPcInfo(*ParseJson(R"({"hardware_info":{"ram_gb":"lots"}})")), EConvertError);
}

TEST(ReadLineageInput, DefaultsAndOverrides)
{
    const struct {
        const char* Json;  // nullptr: no object at all
        const char* Status;
        bool Full;
        std::string Notice;
    } Cases[] = {
        {nullptr, "pending_approval", false, Notice},
        {R"({})", "pending_approval", false, Notice},
        {R"({"lineage_classic_input":null})", "pending_approval", false, Notice},
        {R"({"lineage_classic_input":[1]})", "pending_approval", false, Notice},
        {R"({"lineage_classic_input":{"status":"approved","full_input":"TRUE"}})", "approved", true, Notice},
        {R"({"lineage_classic_input":{"status":null,"notice":"n"}})", "pending_approval", false, "n"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Json ? C.Json : "none");
        const auto Doc = C.Json ? ParseJson(C.Json) : std::nullopt;
        std::string Status, Text;
        bool Full = true;
        ReadLineageInput(Doc ? &*Doc : nullptr, Status, Full, Text);
        EXPECT_EQ(Status, C.Status);
        EXPECT_EQ(Full, C.Full);
        EXPECT_EQ(Text, C.Notice);
    }
}

}  // namespace
}  // namespace nimbral::test
