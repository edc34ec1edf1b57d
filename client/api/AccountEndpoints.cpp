// Sign-in and sign-out, the signed-in user and the account's history.
#include "api/ApiClient.h"
#include "api/RecordReaders.h"

namespace nimbral {

using namespace api_detail;

namespace {

TUserInfo ReadUser(const TJsonValue& U)
{
    TUserInfo User;
    User.Id = JsonInt(&U, "id", 0);
    User.Name = JsonStr(&U, "name", "");
    User.Email = JsonStr(&U, "email", "");
    User.RemainingMinutes = JsonInt(&U, "remaining_minutes", 0);
    User.HasSubscription = JsonBool(&U, "has_subscription", false);
    User.SubscriptionExpiresAt = JsonStr(&U, "subscription_expires_at", "");
    User.SubscriptionPlanName = JsonStr(&U, "subscription_plan_name", "");
    User.SubscriptionRemainingDays = JsonInt(&U, "subscription_remaining_days", 0);
    return User;
}

TSessionLogInfo ReadSessionLog(const TJsonValue& O)
{
    TSessionLogInfo Log;
    Log.Id = JsonInt(&O, "id", 0);
    Log.PcName = JsonStr(&O, "pc_name", "");
    Log.ConnectedAt = JsonStr(&O, "connected_at", "");
    Log.DisconnectedAt = JsonStr(&O, "disconnected_at", "");
    Log.DurationSec = JsonInt(&O, "duration_sec", 0);
    return Log;
}

TPaymentInfo ReadPayment(const TJsonValue& O)
{
    TPaymentInfo Payment;
    Payment.Id = JsonInt(&O, "id", 0);
    Payment.Amount = JsonInt(&O, "amount", 0);
    Payment.PaymentMethod = JsonStr(&O, "payment_method", "");
    Payment.Status = JsonStr(&O, "status", "");
    Payment.BillingMonth = JsonStr(&O, "billing_month", "");
    Payment.Memo = JsonStr(&O, "memo", "");
    Payment.CreatedAt = JsonStr(&O, "created_at", "");
    return Payment;
}

TDeviceInfo ReadDevice(const TJsonValue& O)
{
    TDeviceInfo Device;
    Device.Id = JsonInt(&O, "id", 0);
    Device.Name = JsonStr(&O, "name", "");
    Device.LastUsedAt = JsonStr(&O, "last_used_at", "");
    Device.CreatedAt = JsonStr(&O, "created_at", "");
    Device.IsCurrent = JsonBool(&O, "is_current", false);
    return Device;
}

TMonthlyUsage ReadMonthly(const TJsonValue& O)
{
    TMonthlyUsage Month;
    Month.Month = JsonStr(&O, "month", "");
    Month.SessionCount = JsonInt(&O, "session_count", 0);
    Month.TotalSec = JsonInt(&O, "total_sec", 0);
    return Month;
}

}  // namespace

TApiResponse TApiClient::Login(const std::string& AEmail, const std::string& APassword, TUserInfo& AUser)
{
    AUser = {};
    TJsonValue Body = TJsonValue::Object();
    Body.Add("email", TJsonValue::String(AEmail));
    Body.Add("password", TJsonValue::String(APassword));
    TApiResponse Response = DoPost("/api/v1/auth/login", &Body);
    if (!Response.Success || Response.Data == nullptr) {
        return Response;
    }
    const TJsonValue& D = AsObject(Response.Data, "\"data\"");
    // Replaced even when the answer carries no token: that signs the client out.
    FAuthToken = JsonStr(&D, "token", "");
    if (const TJsonValue* U = D.Find("user")) {
        AUser = ReadUser(AsObject(U, "\"user\""));
    }
    return Response;
}

void TApiClient::Logout()
{
    // Signed out locally whatever the service answers; nothing to report.
    DoPost("/api/v1/auth/logout", nullptr);
    FAuthToken.clear();
}

TApiResponse TApiClient::GetMe(TUserInfo& AUser)
{
    AUser = {};
    TApiResponse Response = DoGet("/api/v1/me");
    if (Response.Success && Response.Data != nullptr) {
        AUser = ReadUser(AsObject(Response.Data, "\"data\""));
    }
    return Response;
}

TApiResponse TApiClient::GetMagicLoginUrl(const std::string& ARedirect, std::string& AUrl)
{
    AUrl.clear();
    TJsonValue Body = TJsonValue::Object();
    Body.Add("redirect", TJsonValue::String(ARedirect));
    TApiResponse Response = DoPost("/api/v1/magic-login-url", &Body);
    if (Response.Success && Response.Data != nullptr && Response.Data->IsObject()) {
        AUrl = JsonStr(Response.Data, "url", "");
    }
    return Response;
}

std::vector<TSessionLogInfo> TApiClient::GetMySessions()
{
    return ReadList<TSessionLogInfo>(DoGet("/api/v1/me/sessions"), ReadSessionLog);
}

TApiResponse TApiClient::GetMyUsage(TUsageSummary& ASummary)
{
    ASummary = {};
    TApiResponse Response = DoGet("/api/v1/me/usage");
    if (!Response.Success || Response.Data == nullptr || !Response.Data->IsObject()) {
        return Response;
    }
    const TJsonValue* D = Response.Data;
    ASummary.ThisMonthSec = JsonInt(D, "this_month_sec", 0);
    ASummary.ThisMonthCount = JsonInt(D, "this_month_count", 0);
    const TJsonValue* Monthly = D->Find("monthly");
    if (Monthly != nullptr && Monthly->IsArray()) {
        for (const TJsonValue& Item : Monthly->Items()) {
            ASummary.Monthly.push_back(ReadMonthly(AsObject(&Item, "a \"monthly\" element")));
        }
    }
    return Response;
}

std::vector<TPaymentInfo> TApiClient::GetMyPayments()
{
    return ReadList<TPaymentInfo>(DoGet("/api/v1/me/payments"), ReadPayment);
}

std::vector<TDeviceInfo> TApiClient::GetMyDevices()
{
    return ReadList<TDeviceInfo>(DoGet("/api/v1/me/devices"), ReadDevice);
}

TApiResponse TApiClient::RevokeDevice(std::int32_t ATokenId)
{
    return DoDelete("/api/v1/me/devices/" + std::to_string(ATokenId));
}

}  // namespace nimbral
