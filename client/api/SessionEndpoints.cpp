// Opening, querying and closing remote sessions, and the user's own PCs.
#include "api/ApiClient.h"
#include "api/RecordReaders.h"

namespace nimbral {

using namespace api_detail;

namespace {

// A session from "data", which must be an object. The billing members are
// read only for a session just created for a PC.
TApiResponse ReadSessionAnswer(TApiResponse AResponse, bool AWithBilling, TSessionInfo& ASession)
{
    const TJsonValue& D = AsObject(AResponse.Data, "\"data\"");
    ASession.Id = JsonInt(&D, "id", 0);
    ASession.PcId = JsonInt(&D, "pc_id", 0);
    ASession.Status = JsonStr(&D, "status", "");
    ASession.Token = JsonStr(&D, "token", "");
    ASession.ExpiresAt = JsonStr(&D, "expires_at", "");
    ASession.PairingStatus = JsonStr(&D, "pairing_status", "none");
    if (AWithBilling) {
        ASession.UserRatePerHour = JsonInt(&D, "user_rate_per_hour", 0);
        ASession.MileageBalance = JsonInt(&D, "mileage_balance", 0);
        ASession.HasSubscription = JsonBool(&D, "has_subscription", false);
        ASession.IsDedicated = JsonBool(&D, "is_dedicated", false);
    }
    // Without "remote_pc" the PC and its input policy stay empty (not the
    // "pending_approval" defaults): there is no PC to describe yet.
    if (const TJsonValue* Pc = D.Find("remote_pc")) {
        const TJsonValue& R = AsObject(Pc, "\"remote_pc\"");
        ASession.PcName = JsonStr(&R, "pc_name", "");
        ASession.PcIP = JsonStr(&R, "ip", "");
        ASession.PcPort = JsonInt(&R, "port", 0);
        ReadLineageInput(&R, ASession.LineageInputStatus, ASession.LineageFullInput, ASession.LineageInputNotice);
    }
    return AResponse;
}

}  // namespace

TApiResponse TApiClient::CreateSession(std::int32_t APcId, TSessionInfo& ASession)
{
    ASession = {};
    TJsonValue Body = TJsonValue::Object();
    Body.Add("pc_id", TJsonValue::Number(std::int64_t{APcId}));
    TApiResponse Response = DoPost("/api/v1/sessions", &Body);
    if (!Response.Success || Response.Data == nullptr) {
        return Response;
    }
    return ReadSessionAnswer(std::move(Response), true, ASession);
}

TApiResponse TApiClient::CreateSessionByPcBang(std::int32_t APcBangId, TSessionInfo& ASession)
{
    ASession = {};
    TJsonValue Body = TJsonValue::Object();
    if (APcBangId > 0) {
        Body.Add("pc_bang_id", TJsonValue::Number(std::int64_t{APcBangId}));
    }
    TApiResponse Response = DoPost("/api/v1/sessions", &Body);
    if (!Response.Success || Response.Data == nullptr) {
        return Response;
    }
    return ReadSessionAnswer(std::move(Response), false, ASession);
}

TApiResponse TApiClient::CreateSessionByBranch(std::int32_t, std::int32_t APcBangId, TSessionInfo& ASession)
{
    // The service has no branches; the PC bang alone picks the session.
    return CreateSessionByPcBang(APcBangId, ASession);
}

TApiResponse TApiClient::GetCurrentSession(TSessionInfo& ASession)
{
    ASession = {};
    TApiResponse Response = DoGet("/api/v1/sessions/current");
    // A null "data" is how the service says there is no current session.
    if (!Response.Success || Response.Data == nullptr || Response.Data->IsNull()) {
        return Response;
    }
    return ReadSessionAnswer(std::move(Response), false, ASession);
}

TApiResponse TApiClient::SubmitPin(std::int32_t ASessionId, const std::string& APin)
{
    TJsonValue Body = TJsonValue::Object();
    Body.Add("pin", TJsonValue::String(APin));
    return DoPost("/api/v1/sessions/" + std::to_string(ASessionId) + "/submit-pin", &Body);
}

TApiResponse TApiClient::DisconnectSession(std::int32_t ASessionId)
{
    return DoPost("/api/v1/sessions/" + std::to_string(ASessionId) + "/disconnect", nullptr);
}

TApiResponse TApiClient::GetMyPcs(std::vector<TMyPcInfo>& APcs)
{
    APcs.clear();
    TApiResponse Response = DoGet("/api/v1/my-pc");
    if (!Response.Success || Response.Data == nullptr) {
        return Response;
    }
    if (Response.Data->IsArray()) {
        // Every element keeps its slot; one that is not an object stays empty.
        for (const TJsonValue& Item : Response.Data->Items()) {
            APcs.push_back(Item.IsObject() ? ParseMyPcInfo(Item) : TMyPcInfo{});
        }
    } else if (Response.Data->IsObject()) {
        APcs.push_back(ParseMyPcInfo(*Response.Data));
    }
    return Response;
}

TApiResponse TApiClient::GetMyPc(TMyPcInfo& AInfo)
{
    AInfo = {};  // a record that does not convert leaves no earlier PC behind
    std::vector<TMyPcInfo> Pcs;
    TApiResponse Response = GetMyPcs(Pcs);
    AInfo = Pcs.empty() ? TMyPcInfo{} : Pcs.front();
    return Response;
}

TApiResponse TApiClient::ConnectMyPc(TSessionInfo& ASession, std::int32_t AAssignmentId)
{
    ASession = {};
    std::string Path = "/api/v1/connect";
    if (AAssignmentId > 0) {
        Path += "?assignment_id=" + std::to_string(AAssignmentId);
    }
    TApiResponse Response = DoPost(Path, nullptr);
    if (!Response.Success || Response.Data == nullptr || !Response.Data->IsObject()) {
        return Response;
    }
    const TJsonValue* D = Response.Data;
    ASession.Id = JsonInt(D, "session_id", 0);
    ASession.Token = JsonStr(D, "token", "");
    ASession.Status = JsonStr(D, "status", "");
    ASession.PcIP = JsonStr(D, "pc_ip", "");
    ASession.PcPort = JsonInt(D, "pc_port", 0);
    ASession.PcName = JsonStr(D, "pc_name", "");
    ReadLineageInput(D, ASession.LineageInputStatus, ASession.LineageFullInput, ASession.LineageInputNotice);
    return Response;
}

TApiResponse TApiClient::DisconnectMyPc()
{
    return DoPost("/api/v1/disconnect", nullptr);
}

}  // namespace nimbral
