#include "ServiceJson.h"

namespace nimbral::devservice {

nlohmann::json UserJson(const TAccount& AAccount)
{
    return {
        {"id", AAccount.Id},
        {"name", AAccount.Name},
        {"email", AAccount.Email},
        {"remaining_minutes", AAccount.RemainingMinutes},
        {"has_subscription", AAccount.HasSubscription},
        {"subscription_expires_at", AAccount.SubscriptionExpiresAt},
        {"subscription_plan_name", AAccount.SubscriptionPlanName},
        {"subscription_remaining_days", AAccount.SubscriptionRemainingDays},
        {"mileage_balance", AAccount.MileageBalance},
    };
}

nlohmann::json SessionJson(const TRemoteSession& ASession)
{
    return {
        {"id", ASession.Id},
        {"pc_id", ASession.PcId},
        {"status", "active"},
        {"token", ASession.Token},
        {"expires_at", ASession.ExpiresAt},
        {"pairing_status", "paired"},
        {"user_rate_per_hour", ASession.RatePerHour},
        {"mileage_balance", ASession.MileageBalance},
        {"has_subscription", ASession.HasSubscription},
        {"is_dedicated", ASession.IsDedicated},
        {"remote_pc", {{"pc_name", ASession.PcName}, {"ip", ASession.PcIp}, {"port", ASession.PcPort}}},
    };
}

}  // namespace nimbral::devservice
